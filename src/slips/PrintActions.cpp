#include "slips/PrintActions.h"

#include "slips/PrintRecordset.h"
#include "slips/Printout.h"
#include "store/Clock.h"
#include "store/Database.h"
#include "store/Literals.h"
#include "store/Dialogs.h"

namespace {

const QString CrLf = QStringLiteral("\r\n");

bool confirmReprint(Dialogs &dialogs, const QString &printedCell)
{
    if (printedCell.isEmpty())
        return true;
    return dialogs.message(QStringLiteral("一度出力された形跡がありますが、出力しても宜しいですか？"),
                           QStringLiteral("確認"), MsgIcon::Question, MsgButtons::OkCancel, MsgResult::Ok)
        == MsgResult::Ok;
}

bool confirmCount(Dialogs &dialogs, const QString &text)
{
    return dialogs.message(text, QStringLiteral("確認"), MsgIcon::Information, MsgButtons::OkCancel, MsgResult::Ok)
        == MsgResult::Ok;
}

QString today()
{
    return Clock::today().toString(QStringLiteral("yyMMdd"));
}

// One row per assortment list: the order groups of the batch.
QString groupStatement(qint32 batch, const QString &orderCondition = QString())
{
    return QStringLiteral("Select TH2.OMHCNO,TH2.OMTRCD,TH2.OMTRKN,TH2.OMTCD2,TH2.OMGNCD,TH2.OMNKDT,TH2.OMOPYY,"
                          "TH2.OMOPMM,TH2.OMOLDT,TH2.OMSLDT,"
                          "TH2.OMMDNO,TH2.OMBYKN,TH2.OMHCKB,TH2.OMFUDA,TH2.INDEXNOH1 "
                          "From TBL_RD_H2 TH2 "
                          "Where TH2.INDEXNOH1=")
        + SqlNumber(batch) + orderCondition
        + QStringLiteral("Group By TH2.OMHCNO,TH2.OMTRCD,TH2.OMTRKN,TH2.OMTCD2,TH2.OMGNCD,TH2.OMNKDT,TH2.OMOPYY,"
                         "TH2.OMOPMM,TH2.OMOLDT,TH2.OMSLDT,"
                         "TH2.OMMDNO,TH2.OMBYKN,TH2.OMHCKB,TH2.OMFUDA,TH2.INDEXNOH1 "
                         "Order By TH2.OMHCNO,TH2.OMTRCD,TH2.OMTRKN,TH2.OMTCD2,TH2.OMGNCD,TH2.OMNKDT,TH2.OMOPYY,"
                         "TH2.OMOPMM,TH2.OMOLDT,TH2.OMSLDT,"
                         "TH2.OMMDNO,TH2.OMBYKN,TH2.OMHCKB,TH2.OMFUDA,TH2.INDEXNOH1 ");
}

QString slipsStatement(qint32 batch)
{
    return QStringLiteral("Select * From TBL_RD_H2 Where INDEXNOH1=") + SqlNumber(batch) + QStringLiteral("And OMHCKB='0' Order By INDEXNOH2");
}

QString oneSlipStatement(qint32 batch, const QString &slipNo)
{
    return QStringLiteral("Select * From TBL_RD_H2 Where INDEXNOH1=") + SqlNumber(batch) + QStringLiteral("and OMDNNO=")
        + SqlText(slipNo, false, true) + QStringLiteral("Order By INDEXNOH2");
}

QString oneOrderCondition(const QString &orderNo)
{
    return QStringLiteral("And TH2.OMHCNO=") + SqlText(orderNo, false, true);
}

enum class Run { Print, Preview };

PrintActionResult show(PrintServices &s, const QString &sql, bool syorikubun, Run how = Run::Print)
{
    PrintRecordset rows(s.db, sql);
    const PrintRunResult run = how == Run::Print ? s.runner.print(rows, syorikubun) : s.runner.preview(rows, syorikubun);
    PrintActionResult result;
    result.pages = run.pages;
    result.error = run.error;
    result.errorText = run.errorText;
    result.stopped = !run.complete && run.error == 0;
    result.status = run.complete ? 0 : run.error != 0 ? run.error : 1;
    return result;
}

} // namespace

PrintActionResult PrintAllSlips(PrintServices &s, qint32 batch, const QString &printedCell,
                                const QString &slipCountCell)
{
    if (!confirmReprint(s.dialogs, printedCell))
        return {};
    const QString no = QString::number(batch);
    if (!confirmCount(s.dialogs, QStringLiteral("管理No: ") + no + QStringLiteral("の全ての伝票を出力します。") + CrLf
                                     + QStringLiteral("伝票出力枚数は ") + slipCountCell
                                     + QStringLiteral("枚です、専用伝票を出力する用意をして下さい。")))
        return {};
    PrintActionResult r = show(s, slipsStatement(batch), true);
    if (r.status == 0) {
        r.stamp = today();
        s.db.execute(QStringLiteral("Update TBL_FLG_DATA Set DENPYOU_OP_DATE=") + SqlText(r.stamp, false, true)
                     + QStringLiteral("Where INDEXNOH1=") + SqlNumber(batch));
    }
    return r;
}

PrintActionResult PrintAllAssortmentLists(PrintServices &s, qint32 batch, const QString &printedCell,
                                          const QString &orderCountCell)
{
    if (!confirmReprint(s.dialogs, printedCell))
        return {};
    const QString no = QString::number(batch);
    if (!confirmCount(s.dialogs, QStringLiteral("管理No: ") + no + QStringLiteral("の全ての品揃えリストを出力します。")
                                     + CrLf + QStringLiteral("品揃えリスト出力枚数は ") + orderCountCell
                                     + QStringLiteral("枚です、品揃えリストを出力する用意をして下さい。")))
        return {};
    PrintActionResult r = show(s, groupStatement(batch), false);
    if (r.status == 0) {
        r.stamp = today();
        s.db.execute(QStringLiteral("Update TBL_FLG_DATA Set SHINAZOROE_OP_DATE=") + SqlText(r.stamp, false, true)
                     + QStringLiteral("Where INDEXNOH1=") + SqlNumber(batch));
    }
    return r;
}

PrintActionResult PrintOneSlip(PrintServices &s, qint32 batch, const QString &slipNo)
{
    if (!s.dialogs.confirm(QStringLiteral("伝票単枚印刷を行います。") + CrLf + QStringLiteral("宜しいですか？")))
        return {};
    PrintActionResult r = show(s, oneSlipStatement(batch, slipNo), true);
    // The slip is stamped before the question about stopping can come, so
    // its row shows it issued either way.
    if (r.pages > 0)
        r.stamp = Clock::now().toString(QStringLiteral("yyMMdd"));
    return r;
}

PrintActionResult PrintOneAssortmentList(PrintServices &s, qint32 batch, const QString &orderNo)
{
    if (!s.dialogs.confirm(QStringLiteral("品揃えリスト単枚印刷を行います。") + CrLf + QStringLiteral("宜しいですか？")))
        return {};
    return show(s, groupStatement(batch, oneOrderCondition(orderNo)), false);
}

PrintActionResult PreviewSlips(PrintServices &s, qint32 batch, const QString &slipNo)
{
    return show(s, slipNo.isEmpty() ? slipsStatement(batch) : oneSlipStatement(batch, slipNo), true, Run::Preview);
}

PrintActionResult PreviewAssortmentLists(PrintServices &s, qint32 batch, const QString &orderNo)
{
    return show(s, orderNo.isEmpty() ? groupStatement(batch) : groupStatement(batch, oneOrderCondition(orderNo)), false,
                Run::Preview);
}

namespace BatchRows {

namespace {

// Distinct order numbers of one kind, per batch.
QString ordersOfKind(const QString &condition)
{
    return QStringLiteral("Select INDEXNOH1,Count(*) as CSUU From (Select INDEXNOH1,OMHCNO From TBL_RD_H2 Where %1 "
                          "Group By INDEXNOH1,OMHCNO) OH Group By INDEXNOH1")
        .arg(condition);
}

} // namespace

QString select(const QString &columns, const QString &tail)
{
    return QStringLiteral("Select ") + columns
        + QStringLiteral(" From TBL_RD_H1 TH1 Left Join TBL_FLG_DATA TFG On TH1.INDEXNOH1=TFG.INDEXNOH1 "
                         "Left Join (Select INDEXNOH1,Count(OMDNNO) as DENC From TBL_RD_H2 Where OMHCKB='0' "
                         "Group By INDEXNOH1) TH21 On TH1.INDEXNOH1=TH21.INDEXNOH1 "
                         "Left Join (%1) TH22 On TH1.INDEXNOH1=TH22.INDEXNOH1 "
                         "Left Join (%2) TH23 On TH1.INDEXNOH1=TH23.INDEXNOH1 ")
              .arg(ordersOfKind(QStringLiteral("OMHCKB='0'")), ordersOfKind(QStringLiteral("Not OMHCKB='0'")))
        + tail;
}

QString slipCount()
{
    return QStringLiteral("TH21.DENC");
}

QString orderCount()
{
    // Null counts join as empty text.
    return QStringLiteral("ifnull(CAST(TH22.CSUU AS TEXT),'') || '-' || ifnull(CAST(TH23.CSUU AS TEXT),'0')");
}

} // namespace BatchRows

BatchRowCells batchRowCells(Database &db, qint32 batch)
{
    Recordset rs = db.query(BatchRows::select(
        BatchRows::slipCount() + QLatin1Char(',') + BatchRows::orderCount()
            + QStringLiteral(",TFG.DENPYOU_OP_DATE,TFG.SHINAZOROE_OP_DATE"),
        QStringLiteral("Where TH1.INDEXNOH1=") + SqlNumber(batch)));
    BatchRowCells cells;
    if (rs.eof())
        return cells;
    cells.found = true;
    cells.slipCount = rs.text(0);
    cells.orderCount = rs.text(1);
    cells.slipsPrinted = rs.text(2);
    cells.listsPrinted = rs.text(3);
    return cells;
}
