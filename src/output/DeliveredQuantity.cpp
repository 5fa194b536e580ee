#include "output/DeliveredQuantity.h"

#include "store/ChangeMarker.h"
#include "store/Database.h"
#include "store/Literals.h"
#include "store/GridColumns.h"
#include "store/NumericText.h"
#include "store/JetFunctions.h"
#include "store/OrderLayout.h"

#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr qint64 Int32Max = std::numeric_limits<qint32>::max();
constexpr qint64 Int32Min = std::numeric_limits<qint32>::min();

// The stored digit string as a 32-bit integer, halves to even as the old
// engine converted; nothing for a text that is not a number.
std::optional<qint64> storedInteger(const QVariant &v)
{
    const auto n = jet::parseNumber(NzValue(v, QStringLiteral("0")).toString());
    if (!n)
        return std::nullopt;
    return qint64(jet::roundHalfEven(*n));
}

// `value` as a digit string of the field's width, or nothing when it needs
// more digits than the field has (the chain's records are fixed-width).
std::optional<QString> padded(qint64 value, const char *field)
{
    const int width = OrderLayout::widthOf(field);
    if (value < 0)
        return std::nullopt;
    const QString digits = QString::number(value);
    if (digits.size() > width)
        return std::nullopt;
    return digits.rightJustified(width, QLatin1Char('0'));
}

bool fits32(qint64 v)
{
    return v >= Int32Min && v <= Int32Max;
}

} // namespace

qint32 UpdateDeliveredQuantity(Database &db, qint32 indexNoBd, qint32 quantity, qint32 price)
{
    try {
        Recordset rs = db.query(QStringLiteral("Select ONGTNK,ONBTNK,ONSURYM From TBL_RD_BD Where INDEXNOBD=")
                                + SqlNumber(indexNoBd));
        if (rs.eof())
            return 3021;   // no such line
        const auto cost = storedInteger(rs.field(QStringLiteral("ONGTNK")));
        const auto current = storedInteger(rs.field(QStringLiteral("ONBTNK")));
        const QString marker = rs.text(QStringLiteral("ONSURYM"));
        rs.close();
        if (!cost || !current)
            return DbErr::TypeMismatch;

        const qint64 newPrice = price != 0 ? price : *current;
        const qint64 tenths = qint64(quantity) * 10;
        const qint64 costTimesQty = *cost * quantity;
        const qint64 sellAmount = newPrice * quantity;
        // Every product must stay within 32 bits, as the amounts always were.
        if (!fits32(newPrice) || !fits32(tenths) || !fits32(costTimesQty) || !fits32(sellAmount))
            return DbErr::Overflow;
        const auto sury = padded(tenths, "ONSURY");
        const auto btnk = padded(newPrice, "ONBTNK");
        const auto genj = padded(costTimesQty / 100, "ONGENJ");   // the cost price carries two decimals
        const auto baij = padded(sellAmount, "ONBAIJ");
        if (!sury || !btnk || !genj || !baij)
            return DbErr::Overflow;

        db.execute(QStringLiteral("Update TBL_RD_BD Set ") + QStringLiteral("ONSURY=") + SqlText(*sury, true)
                   + QStringLiteral("ONBTNK=") + SqlText(*btnk, true) + QStringLiteral("ONGENJ=")
                   + SqlText(*genj, true) + QStringLiteral("ONBAIJ=") + SqlText(*baij, true)
                   + QStringLiteral("ONSURYM=")
                   + SqlText(ChangeMarker::withState(marker, ChangeMarker::Corrected), false, true)
                   + QStringLiteral("Where INDEXNOBD=") + SqlNumber(indexNoBd));
        return 0;
    } catch (const DbError &e) {
        return e.number();
    }
}

int WholeNumber(const QString &text, qint32 &value)
{
    const auto n = jet::parseNumber(halfWidthAscii(text));
    if (!n || !std::isfinite(*n))
        return DbErr::TypeMismatch;
    const double r = jet::roundHalfEven(*n);
    if (r < double(Int32Min) || r > double(Int32Max))
        return DbErr::Overflow;
    value = qint32(r);
    return 0;
}

CorrectionResult SaveCorrection(Database &db, const GridData &rows, int keyColumn, int quantityColumn, int priceColumn)
{
    CorrectionResult result;
    try {
        Transaction tx(db);
        for (int r = 0; r < rows.rowCount(); ++r) {
            qint32 line = 0;
            qint32 quantity = 0;
            qint32 price = 0;   // slip mode keeps the current price
            result.row = r;
            result.column = keyColumn;
            result.error = WholeNumber(rows.text(r, keyColumn), line);
            if (result.error == 0) {
                result.column = quantityColumn;
                result.error = WholeNumber(rows.text(r, quantityColumn), quantity);
            }
            if (result.error == 0 && priceColumn >= 0) {
                result.column = priceColumn;
                result.error = WholeNumber(rows.text(r, priceColumn), price);
            }
            if (result.error == 0) {
                result.column = quantityColumn;
                result.error = UpdateDeliveredQuantity(db, line, quantity, price);
            }
            if (result.error != 0)
                return result;   // the guard rolls every row back
        }
        tx.commit();
    } catch (const DbError &e) {
        result.error = e.number();
        return result;
    }
    return CorrectionResult{};
}

QString SlipCorrectionSql(const QString &slipNo)
{
    // Quantities are stored in tenths; the division must keep the fraction
    // (155 tenths are 15.5 pieces), so it is done on a real number.
    return QStringLiteral("Select TBD.INDEXNOBD as INDEXH00000,TBD.ONLINE as 行L00500,TBD.ONSKU as SKU00900,"
                          "TBD.ONSYGN as 商品原番S01000,")
        + QStringLiteral("TBD.ONSYKN as 商品名S02000,TBD.ONCLKN as カラーs00700,TBD.ONSZKN as サイズs00700, ")
        + QStringLiteral("substr(TBD.ONSURYM,1,6) * 1.0 / 10 as 受注数L00900,TBD.ONSURY * 1.0 / 10 as 納品数L00900 ")
        + QStringLiteral("From TBL_RD_H2 TH2 Left Join TBL_RD_BD TBD  On TH2.INDEXNOH2=TBD.INDEXNOH2 ")
        + QStringLiteral("Where TH2.OMDNNO=") + SqlText(slipNo) + QStringLiteral("Order By TBD.ONLINE");
}

QString RequestCorrectionSql(const QString &orderNo, const QString &requestNo)
{
    return QStringLiteral("Select TBD.INDEXNOBD as INDEXNOH00000,TBD.ONLINE as 行L00500,TBD.ONSKU as SKU00900, ")
        + QStringLiteral("TBD.ONSYKN as 商品名S02000,TBD.ONCLKN as カラーs00700,TBD.ONSZKN as サイズs00700,")
        + QStringLiteral("substr(TBD.ONSURYM,1,6) * 1.0 / 10 as 受注数L00900,TBD.ONSURY * 1.0 / 10 as 納品数L00900,")
        + QStringLiteral("substr(TBD.ONSURYM,7,7) as 受注売価L00900,TBD.ONBTNK as 売価L00900 ")
        + QStringLiteral("From TBL_RD_H2 TH2 Left Join TBL_RD_BD TBD On TH2.INDEXNOH2=TBD.INDEXNOH2 ")
        + QStringLiteral("Where TH2.OMHCNO=") + SqlText(orderNo) + QStringLiteral("And TH2.SEIKYU_FLG=")
        + SqlText(requestNo) + QStringLiteral("Order By TBD.ONLINE");
}

