#include "tags/clsHudaPrint.h"

#include "store/Cp932.h"
#include "store/Database.h"
#include "store/Literals.h"
#include "store/Rounding.h"
#include "store/SafeName.h"
#include "store/JetFunctions.h"

#include <QDir>
#include <QProcess>
#include <QSaveFile>

#include <cmath>
#include <limits>

namespace {

constexpr int SubscriptOutOfRange = 9;
constexpr int PieceBytes = 24;
constexpr int PieceCount = 16;
constexpr int SizeLines = 12;
constexpr int MaterialLines = 13;
// A request run prints 3 % more tags than ordered, for misprints at the
// tag-making place.
constexpr double SpareFactor = 1.03;

[[noreturn]] void fail(int number, const QString &description)
{
    throw DbError(number, description);
}

qint32 toInt32(double v)
{
    if (!(v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max()))
        fail(DbErr::Overflow, QStringLiteral("オーバーフローしました。"));
    return qint32(v);
}

// A column read as an integer, as the old engine's conversion does.
qint32 integerField(const QVariant &v)
{
    if (v.isNull())
        fail(DbErr::InvalidNull, QStringLiteral("Null の使い方が不正です。"));
    const auto n = jet::parseNumber(v.toString());
    if (!n)
        fail(DbErr::TypeMismatch, QStringLiteral("型が一致しません。"));
    return toInt32(jet::roundHalfEven(*n));
}

QByteArray quoted(const QString &text)
{
    return '"' + cp932::encode(text) + '"';
}

} // namespace

QString GetInjiLine(const QString &text, int n)
{
    if (n < 1 || n > PieceCount)
        fail(SubscriptOutOfRange, QStringLiteral("インデックスが有効範囲にありません。"));
    const QByteArray bytes = cp932::encode(text);
    const qsizetype start = qsizetype(n - 1) * PieceBytes;
    if (start >= bytes.size())
        return QString();
    return cp932::decode(bytes.mid(start, PieceBytes));
}

QString PriceWithTax(const QString &priceText, qint32 rate)
{
    // The first character is the currency sign the query put in front.
    const auto value = jet::parseNumber(priceText.mid(1));
    if (!value)
        fail(DbErr::TypeMismatch, QStringLiteral("型が一致しません。"));
    const qint32 p = toInt32(jet::roundHalfEven(*value));
    // The product was always computed in 32 bits: a price that overflows it
    // is an error, never a wrapped amount on a tag.
    const qint64 product = qint64(p) * rate;
    const qint32 checked = toInt32(double(product));
    const qint64 tax = qint64(std::trunc(double(checked) / 100.0));
    return QStringLiteral("\\") + QString::number(toInt32(double(p + tax)));
}

QStringList clsHudaPrint::labelArguments(const QString &appFolder, const QString &baseName)
{
    const QString data = QDir::toNativeSeparators(appFolder + QStringLiteral("/TAG_CSV/")
                                                  + SafeName::made(baseName + QStringLiteral(".CSV")));
    const QString layout = QDir::toNativeSeparators(appFolder + QStringLiteral("/LAYOUT/")
                                                    + SafeName::made(baseName + QStringLiteral(".BTW")));
    return {QStringLiteral("/D=") + data, QStringLiteral("/F=") + layout, QStringLiteral("/P"), QStringLiteral("/X")};
}

int clsHudaPrint::Nehuda_EX(const QString &EX_File_Name, bool PBDayo, qint32 JyuNo)
{
    okMeisai_.clear();
    lastError_.clear();
    try {
        return run(EX_File_Name, PBDayo, JyuNo);
    } catch (const DbError &e) {
        lastError_ = e.description();
        if (e.number() == DbErr::FileNotFound)
            return ProgramMissing;
        okMeisai_.clear();
        return e.number();
    }
}

int clsHudaPrint::run(const QString &name, bool pb, qint32 request)
{
    Recordset rs = db_.query(sql_);
    if (rs.eof())
        return NoRows;

    const bool longForm = pb || request != 0;
    QString folder;
    if (request != 0) {
        // An empty output folder means the data folder, as for every output.
        const QString root = settings_.writePath.isEmpty() ? settings_.appFolder : settings_.writePath;
        folder = root + QStringLiteral("/InPrintData/") + QString::number(request);
    } else {
        folder = settings_.appFolder + QStringLiteral("/TAG_CSV");
    }
    // A missing folder used to fail every run with an unexplained path error.
    if (!QDir().mkpath(folder))
        fail(DbErr::PathAccess, QStringLiteral("フォルダ '%1' を作成できません。").arg(QDir::toNativeSeparators(folder)));
    // A request run names its files from the order file's tag kind and code
    // as they stand, so the name is made fit for both systems; the record's
    // own name field keeps them as they are.
    dataFile_ = QDir::toNativeSeparators(folder + QLatin1Char('/') + SafeName::made(name + QStringLiteral(".CSV")));

    // The label program may start reading the moment the file has its name:
    // it gets the name only when complete, and a failed run leaves an older
    // file of that name as it was.
    QSaveFile file(dataFile_);
    if (!file.open(QIODevice::WriteOnly))
        fail(DbErr::PathAccess, QStringLiteral("'%1' に書き込めません。").arg(dataFile_));

    for (; !rs.eof(); rs.moveNext()) {
        QList<QByteArray> fields;
        for (int c = 0; c <= 13; ++c)
            fields << quoted(NzValue(rs.field(c)).toString());
        qint32 count = integerField(rs.field(14));
        if (request != 0) {
            QString error;
            const double spare = RoundAmount(count * SpareFactor, 0, 1, &error);
            if (!error.isEmpty())
                fail(DbErr::Overflow, error);
            count = toInt32(spare);
        }
        fields << QByteArray::number(count);
        const QString price = PriceWithTax(NzValue(rs.field(4)).toString(), settings_.taxRate);
        if (longForm) {
            QString itemCode, size, material, origin;
            if (pb) {
                itemCode = NzValue(rs.field(16)).toString();
                size = NzValue(rs.field(17)).toString();
                material = NzValue(rs.field(18)).toString();
                origin = NzValue(rs.field(19)).toString();
            }
            fields << quoted(itemCode);
            for (int n = 1; n <= SizeLines; ++n)
                fields << quoted(GetInjiLine(size, n));
            for (int n = 1; n <= MaterialLines; ++n)
                fields << quoted(GetInjiLine(material, n));
            fields << quoted(QString()) << quoted(origin) << quoted(price) << quoted(name);
        } else {
            fields << quoted(price);
        }
        QByteArray record = fields.join(',');
        record += "\r\n";
        if (file.write(record) != record.size())
            fail(DbErr::PathAccess, QStringLiteral("'%1' に書き込めません。").arg(dataFile_));
        okMeisai_ << NzValue(rs.field(15)).toString();
    }
    rs.close();
    if (!file.commit())
        fail(DbErr::PathAccess, QStringLiteral("'%1' に書き込めません。").arg(dataFile_));

    if (request == 0) {
        // Started, not waited for: the label program prints and exits on its own.
        if (settings_.labelProgram.isEmpty()
            || !QProcess::startDetached(settings_.labelProgram, labelArguments(settings_.appFolder, name)))
            fail(DbErr::FileNotFound,
                 QStringLiteral("ラベル印刷プログラム '%1' を起動できません。").arg(settings_.labelProgram));
    }
    return Written;
}
