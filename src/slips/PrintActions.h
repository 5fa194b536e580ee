#pragma once
// The four print actions of the slip list: every slip of a batch, one
// slip, every assortment list of a batch, one order's assortment list.
// Each asks the slip list's questions, opens the rows to print, shows the
// print window, and writes the stamps of a complete run. The slip list
// passes the texts of the grid cells the questions quote and puts the
// returned stamp into the cell it belongs to; the batch mode reads the same
// cells with batchRowCells.
//
// An error that ends the run comes back in the result (see Printout.h);
// the batch is then not stamped. Errors of the database outside the run
// throw DbError.

#include <QString>
#include <QtGlobal>

class Database;
class Dialogs;
class PrintRunner;

struct PrintServices {
    Database &db;
    Dialogs &dialogs;
    PrintRunner &runner;
};

struct PrintActionResult {
    // 0 the run went through; 1 nothing done: a question was answered
    // Cancel, or the operator stopped the run; the error number after an
    // error that ended the run.
    int status = 1;
    int pages = 0;
    // The operator stopped a run that had begun.
    bool stopped = false;
    // The error that ended the run (0: none) and its description.
    int error = 0;
    QString errorText;
    // "yyMMdd": the day now standing in the cell the action stamps
    // (伝票出力日, 品揃出力日, or 伝票発行日 with OPCK "-1"); empty when the
    // cell stays as it is.
    QString stamp;
};

// All ordinary-order slips of batch `batch`. `printedCell` is the batch
// row's 伝票出力日 (a warning first when not empty), `slipCountCell` its
// 伝票枚数 as the question quotes it.
PrintActionResult PrintAllSlips(PrintServices &s, qint32 batch, const QString &printedCell,
                                const QString &slipCountCell);
// Every order group of batch `batch`, advance orders included.
// `printedCell` is 品揃出力日, `orderCountCell` 発注書枚数 ("5-2").
PrintActionResult PrintAllAssortmentLists(PrintServices &s, qint32 batch, const QString &printedCell,
                                          const QString &orderCountCell);
// The slip numbered `slipNo` of batch `batch`. Stamped as issued even when
// the operator stops after its page.
PrintActionResult PrintOneSlip(PrintServices &s, qint32 batch, const QString &slipNo);
// The assortment list of order `orderNo` of batch `batch`; stamps nothing.
PrintActionResult PrintOneAssortmentList(PrintServices &s, qint32 batch, const QString &orderNo);

// The same pages for the screen before they go to the stock: every
// ordinary slip of the batch, or the one numbered `slipNo`; every
// assortment list, or order `orderNo`'s. No question is asked and nothing
// is stamped, so a preview can be repeated and leaves the batch as it was.
PrintActionResult PreviewSlips(PrintServices &s, qint32 batch, const QString &slipNo = QString());
PrintActionResult PreviewAssortmentLists(PrintServices &s, qint32 batch, const QString &orderNo = QString());

// The batch rows of the slip list, counted in one place for the list and
// for the print actions: `columns` select from TH1 (TBL_RD_H1), TFG
// (TBL_FLG_DATA) and the two counts below; `tail` is what follows the
// joins (Where, Order By).
namespace BatchRows {
QString select(const QString &columns, const QString &tail);
// 伝票枚数: the batch's ordinary slips, Null when there are none.
QString slipCount();
// 発注書枚数: ordinary and advance order numbers, "5-2"; "-2" without
// ordinary orders.
QString orderCount();
} // namespace BatchRows

// A batch row of the slip list, with the cell texts the actions quote.
struct BatchRowCells {
    bool found = false;
    QString slipCount;     // 伝票枚数: ordinary slips, empty when there are none
    QString orderCount;    // 発注書枚数: ordinary and advance order numbers, "5-0"
    QString slipsPrinted;  // 伝票出力日 (DENPYOU_OP_DATE)
    QString listsPrinted;  // 品揃出力日 (SHINAZOROE_OP_DATE)
};
BatchRowCells batchRowCells(Database &db, qint32 batch);
