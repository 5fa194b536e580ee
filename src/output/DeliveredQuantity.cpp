#include "output/DeliveredQuantity.h"

#include "output/ChangeMarker.h"
#include "store/DbCommon.h"
#include "store/JetFunctions.h"
#include "store/OrderLayout.h"

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
