#include "maint/ImportList.h"

namespace ImportList {

QString pendingSql(Pending which)
{
    const QString select = QStringLiteral(
        "Select H1.INDEXNOH1 as 管理NoB00900,H1.OLDATE as データ日付D01500,FD.IMPORT_DATE as 読込み日付D01500,"
        "FD.IMPORT_TIME as 読込み時間T01500,"
        "H1.OLPAGE as 伝票件数L00900 "
        "From TBL_RD_H1 H1 Left Join TBL_FLG_DATA FD On H1.INDEXNOH1=FD.INDEXNOH1 ");
    return select
        + (which == Pending::AssortmentLists ? QStringLiteral("Where FD.SHINAZOROE_OP_DATE =''")
                                             : QStringLiteral("Where FD.DENPYOU_OP_DATE=''"));
}

} // namespace ImportList

namespace ImportList {

QString listCaption(Pending which, int rows)
{
    const QString name = which == Pending::AssortmentLists
        ? QStringLiteral("品揃え出力: 品揃えリストを出力していない取込データ")
        : QStringLiteral("伝票発行: 伝票を発行していない取込データ");
    return rows == 0 ? name + QStringLiteral(" ― 該当するデータはありません")
                     : name + QStringLiteral(" ― %1 件").arg(rows);
}

} // namespace ImportList
