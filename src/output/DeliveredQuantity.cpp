#include "output/DeliveredQuantity.h"

#include "store/ChangeMarker.h"
#include "store/Database.h"
#include "store/Dialogs.h"
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

// An amount over tenths of a piece fits when the amount for whole pieces
// would: the same 32-bit limit the amounts always had.
bool fits32Tenths(qint64 v)
{
    return v >= Int32Min * 10 && v <= Int32Max * 10;
}

// `v` / 10 rounded to a whole number, halves to the even one (v >= 0).
qint64 tenthsRoundedHalfEven(qint64 v)
{
    qint64 q = v / 10;
    const qint64 r = v % 10;
    if (r > 5 || (r == 5 && (q % 2) != 0))
        ++q;
    return q;
}

QString numberMessage(int error)
{
    switch (error) {
    case DbErr::Overflow:
        return QStringLiteral("入力された数値の値が大きすぎます。");
    case DbErr::TypeMismatch:
        return QStringLiteral("入力された値が数値として認識できません。");
    default:
        return QStringLiteral("エラーが発生しました。　処理を中止します。");
    }
}

// One row of the list, read and checked before anything is written.
struct RowValues {
    qint32 line = 0;
    qint32 tenths = 0;
    qint32 price = 0;   // slip mode keeps the current price
};

} // namespace

qint32 UpdateDeliveredQuantity(Database &db, qint32 indexNoBd, qint32 tenths, qint32 price)
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
        const qint64 costTimesTenths = *cost * qint64(tenths);
        const qint64 sellTimesTenths = newPrice * qint64(tenths);
        if (!fits32(newPrice) || !fits32Tenths(costTimesTenths) || !fits32Tenths(sellTimesTenths)
            || tenths < 0)
            return DbErr::Overflow;
        const auto sury = padded(tenths, "ONSURY");
        const auto btnk = padded(newPrice, "ONBTNK");
        // The cost price carries two decimals and the quantity one: the cost
        // amount is truncated to whole yen, never rounded up.
        const auto genj = padded(costTimesTenths / 1000, "ONGENJ");
        const auto baij = padded(tenthsRoundedHalfEven(sellTimesTenths), "ONBAIJ");
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

QuantityEntry QuantityTenths(const QString &text, qint32 &tenths)
{
    const auto d = parseDecimalText(text);
    if (!d)
        return QuantityEntry::NotANumber;
    QString digits = d->digits;
    if (d->negative && digits != QLatin1String("0"))
        return QuantityEntry::Negative;
    // Worked on the written digits, so that 0.1 is exactly one tenth.
    int shift = d->exponent + 1;
    for (; shift < 0; ++shift) {
        if (!digits.endsWith(QLatin1Char('0')))
            return QuantityEntry::TooManyDecimals;
        digits.chop(1);
        if (digits.isEmpty())
            digits = QStringLiteral("0");
    }
    if (digits.size() + shift > 10)
        return QuantityEntry::TooLarge;
    digits += QString(shift, QLatin1Char('0'));
    const qint64 v = digits.toLongLong();
    if (v > Int32Max)
        return QuantityEntry::TooLarge;
    tenths = qint32(v);
    return QuantityEntry::Ok;
}

QString OverOrderQuestion()
{
    return QStringLiteral("受注数を超えています。このまま確定しますか？");
}

CorrectionResult SaveCorrection(Database &db, Dialogs &dialogs, const GridData &rows, int keyColumn,
                                int quantityColumn, int priceColumn)
{
    CorrectionResult result;
    auto refuse = [&](int row, int column, int error, const QString &message) {
        result.status = CorrectionResult::Refused;
        result.row = row;
        result.column = column;
        result.error = error;
        result.message = message;
        return result;
    };

    // Every value is read and checked first, so that a refusal or a
    // declined question never leaves half a slip written.
    QList<RowValues> values;
    for (int r = 0; r < rows.rowCount(); ++r) {
        RowValues v;
        if (const int e = WholeNumber(rows.text(r, keyColumn), v.line); e != 0)
            return refuse(r, keyColumn, e, numberMessage(e));
        switch (QuantityTenths(rows.text(r, quantityColumn), v.tenths)) {
        case QuantityEntry::Ok:
            break;
        case QuantityEntry::NotANumber:
            return refuse(r, quantityColumn, DbErr::TypeMismatch, numberMessage(DbErr::TypeMismatch));
        case QuantityEntry::TooLarge:
            return refuse(r, quantityColumn, DbErr::Overflow, numberMessage(DbErr::Overflow));
        case QuantityEntry::Negative:
            return refuse(r, quantityColumn, 0, QStringLiteral("納品数にマイナスの値は入力できません。"));
        case QuantityEntry::TooManyDecimals:
            return refuse(r, quantityColumn, 0, QStringLiteral("納品数は小数点以下1桁まで入力できます。"));
        }
        // The chain's quantity field has six digits of tenths.
        if (!padded(v.tenths, "ONSURY"))
            return refuse(r, quantityColumn, DbErr::Overflow, numberMessage(DbErr::Overflow));
        if (priceColumn >= 0) {
            if (const int e = WholeNumber(rows.text(r, priceColumn), v.price); e != 0)
                return refuse(r, priceColumn, e, numberMessage(e));
        }
        values << v;
    }

    try {
        // A delivery above the order is usually a typing slip: asked once,
        // with the cursor on the first such line when declined.
        for (int r = 0; r < values.size(); ++r) {
            const QString marker = db.scalar(QStringLiteral("Select ONSURYM From TBL_RD_BD Where INDEXNOBD=")
                                             + SqlNumber(values[r].line))
                                       .toString();
            const auto ordered = ChangeMarker::orderedQuantityText(marker).toLongLong();
            if (values[r].tenths > ordered) {
                if (!dialogs.confirm(OverOrderQuestion(), applicationTitle(), MsgResult::Cancel)) {
                    result.status = CorrectionResult::Declined;
                    result.row = r;
                    result.column = quantityColumn;
                    return result;
                }
                break;
            }
        }

        Transaction tx(db);
        for (int r = 0; r < values.size(); ++r) {
            const int e = UpdateDeliveredQuantity(db, values[r].line, values[r].tenths, values[r].price);
            if (e != 0) {
                result.status = CorrectionResult::Failed;
                result.row = r;
                result.column = quantityColumn;
                result.error = e;
                result.message = numberMessage(e);
                return result;   // the guard rolls every row back
            }
        }
        tx.commit();
    } catch (const DbError &e) {
        result.status = CorrectionResult::Failed;
        result.error = e.number();
        result.message = numberMessage(e.number());
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

