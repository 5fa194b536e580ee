#include "tags/TagSummary.h"

#include "store/Database.h"

namespace {

// The lines of the batch with their slip's tag kind. The PB master is
// keyed by corporation (always 0), division, group and SKU as integers;
// CLNG fails on a key that is not a number, as the PB statements always did.
QString batchLines(qint32 batch, bool pbKeys)
{
    return QStringLiteral("(Select TBD.INDEXNOH1,TRH2.OMFUDA,TBD.ONNFKB,TBD.ONSURY,TBD.TAG_OP_DATE%1 "
                          "From TBL_RD_BD TBD Left Join TBL_RD_H2 TRH2 On TBD.INDEXNOH2=TRH2.INDEXNOH2 "
                          "Where TBD.INDEXNOH1=%2) TR")
        .arg(pbKeys ? QStringLiteral(",0 as KYHoujin,CLNG(TRH2.OMTCD2) as KYCHIKU,CLNG(TBD.ONGNCD) as KYGUN,"
                                     "CLNG(TBD.ONSKU) as KYSKU")
                    : QString())
        .arg(batch);
}

QString writtenCondition(bool written)
{
    return written ? QStringLiteral("Not (TAG_OP_DATE='' Or TAG_OP_DATE Is Null)")
                   : QStringLiteral("(TAG_OP_DATE='' Or TAG_OP_DATE Is Null)");
}

QString opDate(bool written)
{
    return written ? QStringLiteral("'出力済み'") : QStringLiteral("''");
}

// Tags are counted from the summed tenths, truncated once per group.
QString ordinaryStatement(qint32 batch, bool written)
{
    return QStringLiteral("Insert Into TBL_HUDA(INDEXNOH1,NEHUDA_SYU,NEHUDA_KUBUN,TAG_SYU,SUU,OP_DATE) "
                          "Select TR.INDEXNOH1,TR.OMFUDA,TR.ONNFKB,MHS.HUDA_NAME,FIX(Sum(TR.ONSURY) / 10.0),%1 "
                          "From %2 Left Join MST_HUDASYU MHS On TR.OMFUDA=MHS.HUDA_SYU and TR.ONNFKB=MHS.HUDA_KU "
                          "Where %3 and Not TR.ONNFKB='0' And MHS.PB_FLG=0 "
                          "Group By TR.INDEXNOH1,TR.OMFUDA,TR.ONNFKB,MHS.HUDA_NAME")
        .arg(opDate(written), batchLines(batch, false), writtenCondition(written));
}

// PB kinds split by the PB tag type of each line; lines without a master
// row form a group of their own with a Null type.
QString pbStatement(qint32 batch, bool written)
{
    return QStringLiteral("Insert Into TBL_HUDA(INDEXNOH1,NEHUDA_SYU,NEHUDA_KUBUN,TAG_SYU,SUU,OP_DATE) "
                          "Select TR.INDEXNOH1,TR.OMFUDA,TR.ONNFKB,MPB.TAG_SYURUI,FIX(Sum(TR.ONSURY) / 10.0),%1 "
                          "From (%2 Left Join MST_HUDASYU MHS On TR.OMFUDA=MHS.HUDA_SYU and TR.ONNFKB=MHS.HUDA_KU) "
                          "Left Join MST_PB MPB On MPB.HOUJIN_CD=TR.KYHoujin and MPB.JIGYOUBU_CD=TR.KYCHIKU "
                          "and MPB.GUNBAN_CD=TR.KYGUN and MPB.SKU_CD=TR.KYSKU "
                          "Where %3 and Not TR.ONNFKB='0' And MHS.PB_FLG=-1 "
                          "Group By TR.INDEXNOH1,TR.OMFUDA,TR.ONNFKB,MHS.HUDA_NAME,MPB.TAG_SYURUI")
        .arg(opDate(written), batchLines(batch, true), writtenCondition(written));
}

} // namespace

void BuildTagSummary(Database &db, qint32 batch)
{
    db.execute(QStringLiteral("Delete From TBL_HUDA"));
    db.execute(ordinaryStatement(batch, true));
    db.execute(ordinaryStatement(batch, false));
    db.execute(pbStatement(batch, true));
    db.execute(pbStatement(batch, false));
}

QString TagSummaryOrder()
{
    return QStringLiteral(
        "CASE WHEN (Select max(MHS.PB_FLG) From MST_HUDASYU MHS Where MHS.HUDA_SYU=TBL_HUDA.NEHUDA_SYU "
        "And MHS.HUDA_KU=TBL_HUDA.NEHUDA_KUBUN)=0 THEN 0 ELSE 1 END,"
        "CASE WHEN TBL_HUDA.OP_DATE='出力済み' THEN 0 ELSE 1 END,TBL_HUDA.INDEXNOH1,TBL_HUDA.NEHUDA_SYU,"
        "TBL_HUDA.NEHUDA_KUBUN,CASE WHEN TBL_HUDA.TAG_SYU Is Null THEN 0 ELSE 1 END,TBL_HUDA.TAG_SYU");
}
