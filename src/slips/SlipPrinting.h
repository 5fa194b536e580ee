#pragma once
// Delivery slips: one slip header row makes one page of the slip form
// "COR/TA2.crf", its lines fill the line rows, and each slip is stamped as
// issued the moment its page is filled.

#include <QString>

struct PrintContext;
class PrintRecordset;

// Prints every row of `rows` from the current one on (whole TBL_RD_H2
// rows). Returns the pages printed. Stops without printing or stamping the
// slip concerned when one of its lines has no row on the form or shares a
// row with another line, or holds a figure that is not a number.
int PrintSlips(PrintContext &ctx, PrintRecordset &rows);

namespace SlipRules {

// "GENKA": a cost unit price in hundredths of yen as stored (nine digits),
// whole yen without leading zeros followed by the two digits of sen, or
// two blanks for none; the stock prints the decimal point between them.
// 000120050 → "120050", 000120000 → "1200  ".
QString unitPrice(const QString &stored);
// "SUU"/"TSUU": a quantity in tenths as stored (six digits), whole pieces
// followed by the tenth, or a blank for none. 000150 → "15 ", 000155 → "155".
QString quantity(const QString &stored);

} // namespace SlipRules
