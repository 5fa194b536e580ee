#pragma once
// The change marker ONSURYM of a slip line: 14 characters holding what the
// chain ordered and whether a correction still has to be reported.
//
//   1-6   ordered quantity in tenths (the ONSURY field as imported)
//   7-13  ordered selling unit price (the ONBTNK field as imported)
//   14    state: N no unreported change, Y corrected and not yet reported,
//         S taken into a consignment billing workbook
//
// Characters 1-13 are written once, by the import, and never change. A
// field of another width is cut or padded with blanks to its place, so the
// state stays the fourteenth character.

#include <QString>

namespace ChangeMarker {

constexpr int QuantityWidth = 6;
constexpr int PriceWidth = 7;
constexpr int Length = QuantityWidth + PriceWidth + 1;
constexpr QChar Unchanged = QLatin1Char('N');
constexpr QChar Corrected = QLatin1Char('Y');
constexpr QChar Billed = QLatin1Char('S');

// The marker of a freshly imported line.
QString make(const QString &orderedQuantityField, const QString &orderedPriceField);

// SQL: the marker of a freshly imported line made from the columns
// holding the two fields, as make() makes it.
QString sqlMake(const QString &quantityColumn, const QString &priceColumn);

// The ordered quantity in tenths as stored (characters 1-6).
QString orderedQuantityText(const QString &marker);
// The ordered price field as stored (characters 7-13).
QString orderedPriceText(const QString &marker);
QChar state(const QString &marker);
// The marker with its state replaced; the ordered figures stay.
QString withState(const QString &marker, QChar state);

// SQL: the marker column with its state replaced (for set-based updates).
QString sqlWithState(const QString &column, QChar state);
// SQL: a condition true for markers in `state`.
QString sqlInState(const QString &column, QChar state);

} // namespace ChangeMarker
