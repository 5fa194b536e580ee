#include "billing/BillingFile.h"

#include "billing/BillingLayout.h"
#include "billing/BillingSettings.h"
#include "store/Clock.h"
#include "store/Cp932.h"
#include "store/Conditions.h"
#include "store/Literals.h"
#include "store/DbError.h"
#include "store/Dialogs.h"
#include "store/InputChecks.h"
#include "store/JetFunctions.h"

#include <QDir>
#include <QSaveFile>

namespace {

using BillingLayout::RecordLength;

// A text field: cut to `width` bytes without splitting a double-byte
// character, then padded with blanks.
QByteArray textField(const QString &value, int width)
{
    QByteArray bytes = cp932::encode(cp932::leftBytes(value, width));
    if (bytes.size() < width)
        bytes.append(QByteArray(width - bytes.size(), ' '));
    return bytes;
}

// A zero-padded field: the value appended to zeros and the rightmost
// `width` characters kept, as the receiving side has always been sent.
QByteArray zeroField(const QString &value, int width)
{
    return cp932::encode((QString(width, QLatin1Char('0')) + value).right(width));
}

// The amount as a whole number of yen and the text the detail shows.
qint64 wholeAmount(const QVariant &amount)
{
    if (amount.isNull())
        return 0;
    bool ok = false;
    const qint64 whole = amount.toLongLong(&ok);
    if (ok && QVariant(whole).toString() == amount.toString())
        return whole;
    const auto n = jet::parseNumber(amount.toString());
    if (!n || *n != double(qint64(*n)))
        throw DbError(DbErr::TypeMismatch,
                      QStringLiteral("伝票の金額 '%1' が整数ではありません。").arg(amount.toString()));
    return qint64(*n);
}

// One record from its values, one per field of `layout` in order.
template <size_t N>
QByteArray assemble(const std::array<BillingLayout::Field, N> &layout, std::initializer_list<QString> values)
{
    Q_ASSERT(values.size() == N);
    QByteArray record;
    auto value = values.begin();
    for (const BillingLayout::Field &f : layout) {
        record += f.pad == BillingLayout::Pad::Zero ? zeroField(*value, f.width) : textField(*value, f.width);
        ++value;
    }
    return record;
}

class RecordWriter {
public:
    void append(QByteArray record)
    {
        Q_ASSERT(record.size() == RecordLength);
        bytes_ += record;
        bytes_ += "\r\n";
        ++seq_;
    }
    qint64 seq() const { return seq_; }
    const QByteArray &bytes() const { return bytes_; }

private:
    QByteArray bytes_;
    qint64 seq_ = 1;
};

// "yyMMdd" of a stored six-digit date, checked to be one.
QString storedDate(const QString &text)
{
    const QDate d = QDate::fromString(QStringLiteral("20") + text, QStringLiteral("yyyyMMdd"));
    if (text.size() != 6 || !d.isValid())
        throw DbError(DbErr::TypeMismatch, QStringLiteral("請求の対象期間 '%1' を日付として読めません。").arg(text));
    return text;
}

QList<BillingSlip> readSlips(Database &db, const QString &sql)
{
    QList<BillingSlip> slips;
    for (Recordset rs = db.query(sql); !rs.eof(); rs.moveNext())
        slips << BillingSlip{rs.text(0), rs.text(1), rs.text(2), rs.text(3), rs.text(4), rs.text(5), rs.field(6)};
    return slips;
}

} // namespace

QString periodDate(const QString &typed)
{
    const auto d = typed.trimmed().isEmpty() ? std::nullopt : parseDateText(typed);
    if (!d)
        throw DbError(DbErr::TypeMismatch, QStringLiteral("締日 '%1' を日付として読めません。").arg(typed));
    return d->toString(QStringLiteral("yyMMdd"));
}

QByteArray billingFileBytes(const QList<BillingSlip> &slips, const BillingFileDates &dates)
{
    using namespace BillingLayout;
    RecordWriter out;
    for (qsizetype i = 0; i < slips.size();) {
        const QString groupPartner = slips.at(i).partner;
        const QByteArray partner = textField(groupPartner, width(Header, F::Partner));
        out.append(assemble(Header, {QStringLiteral("H"), QStringLiteral("0000"), groupPartner,
                                     QString::number(out.seq()), QStringLiteral("064"), QStringLiteral("07"),
                                     QStringLiteral("TOBARI"), dates.created, dates.from, dates.to, QString()}));
        qint64 count = 0;
        qint64 total = 0;
        // A group runs while the partner field reads the same as the header's.
        for (; i < slips.size() && textField(slips.at(i).partner, width(Header, F::Partner)) == partner; ++i) {
            const BillingSlip &s = slips.at(i);
            const qint64 amount = wholeAmount(s.amount);
            ++count;
            total += amount;
            out.append(assemble(Detail, {QStringLiteral("B"), QStringLiteral("0000"), s.partner,
                                         QString::number(out.seq()), s.deliveryDate, QStringLiteral("09") + s.store,
                                         s.slipKind, s.slipNumber, s.amount.isNull() ? QString() : QString::number(amount),
                                         QStringLiteral("00"), QStringLiteral("00"), s.group, QString()}));
        }
        out.append(assemble(Trailer, {QStringLiteral("T"), QStringLiteral("0000"), groupPartner,
                                      QString::number(out.seq()), QString::number(count + 2), QString::number(count),
                                      QString::number(total), QString()}));
    }
    return out.bytes();
}

BillingFileOutcome WriteBillingFile(Database &db, Dialogs &dialogs, const BillingSettings &settings, qint32 run)
{
    BillingFileOutcome outcome;
    try {
        BillingFileDates dates;
        QString sql;
        if (run != 0) {
            Recordset period = db.query(QStringLiteral("Select TAISYOU_J,TAISYOU_I From TBL_SEZ_H Where INDEXNOZH=")
                                        + SqlNumber(run));
            if (period.eof()) {
                dialogs.error(QStringLiteral("請求データ再作成処理が不正な結果を返しました。"), applicationTitle());
                return outcome;
            }
            dates.from = storedDate(period.text(0));
            dates.to = storedDate(period.text(1));
            sql = QStringLiteral("Select SZB.OMTRCD,SZB.OMNKDT,SZB.OMMSCD,SZB.OMDNCD,SZB.OMDNNO,SZB.OMGNCD,"
                                 "SZB.GOUKEI_KINGAKU as KINGAKU_KEI From TBL_SEZ_B SZB Where INDEXNOZH=")
                + SqlNumber(run) + QStringLiteral("Order By 1,2,5 ");
        } else {
            dates.from = periodDate(GetJoukenValue(db, QStringLiteral("SHIME_BI_J")));
            dates.to = periodDate(GetJoukenValue(db, QStringLiteral("SHIME_BI_I")));
            sql = QStringLiteral(
                "Select TH2.OMTRCD,TH2.OMNKDT,TH2.OMMSCD,TH2.OMDNCD,TH2.OMDNNO,TH2.OMGNCD,SMB.KINGAKU_KEI "
                "From TBL_SEM_B SMB Left Join TBL_RD_H2 TH2 On SMB.INDEXNOH2=TH2.INDEXNOH2 Where SMB.HA_FLG='-1' "
                "Union Select SZB.OMTRCD,SZB.OMNKDT,SZB.OMMSCD,SZB.OMDNCD,SZB.OMDNNO,SZB.OMGNCD,SZB.GOUKEI_KINGAKU "
                "From TBL_SEZ_B SZB Where SZB.HA_FLG='-1' Order By 1,2,5 ");
        }
        const QList<BillingSlip> slips = readSlips(db, sql);
        if (slips.isEmpty()) {
            dialogs.error(QStringLiteral("処理を行うデータがありません。"), applicationTitle());
            return outcome;
        }

        const QDateTime now = Clock::now();
        dates.created = now.date().toString(QStringLiteral("yyMMdd"));
        const QString proposed = settings.writeFileName + now.toString(QStringLiteral("yyMMddHHmmss"))
            + QStringLiteral(".txt");
        const QString start = settings.writePath.isEmpty() ? proposed : QDir(settings.writePath).filePath(proposed);
        const QString path = dialogs.saveFile(QStringLiteral("請求データ保存先指定"), start,
                                              QStringLiteral("テキスト ファイル (*.txt)"));
        if (path.isEmpty()) {
            dialogs.message(QStringLiteral("請求処理がキャンセルされました。"), applicationTitle(), MsgIcon::Warning,
                            MsgButtons::Ok, MsgResult::Ok);
            outcome.result = BillingFileResult::Cancelled;
            return outcome;
        }

        const QByteArray bytes = billingFileBytes(slips, dates);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            throw DbError(DbErr::PathAccess,
                          QStringLiteral("請求データファイル '%1' を書き込めません。%2")
                              .arg(QDir::toNativeSeparators(path), file.errorString()));
        outcome.result = BillingFileResult::Written;
        outcome.path = path;
    } catch (const DbError &e) {
        dialogs.error(e.description(), applicationTitle());
        outcome.result = e.number();
    }
    return outcome;
}
