#include "billing/BillingFileView.h"

#include "billing/BillingLayout.h"
#include "store/Cp932.h"
#include "store/DbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

using namespace BillingLayout;

template <size_t N>
class Record {
public:
    Record(const QByteArray &bytes, const std::array<Field, N> &layout) : bytes_(bytes), layout_(layout) {}

    // The field's text with the padding blanks of a text field removed.
    QString text(std::string_view name) const
    {
        const QString t = cp932::decodeSlice(bytes_, offset(layout_, name), width(layout_, name));
        return pad(name) == Pad::Text ? trimmedRight(t) : t;
    }

    // A zero field as a number; nothing when it holds other than digits
    // (a minus sign written where it fell counts too).
    std::optional<qint64> number(std::string_view name) const
    {
        QString t = text(name);
        bool negative = false;
        if (const qsizetype minus = t.indexOf(QLatin1Char('-')); minus >= 0) {
            negative = true;
            t.remove(minus, 1);
        }
        if (t.isEmpty())
            return std::nullopt;
        for (const QChar c : t)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        bool ok = false;
        const qint64 n = t.toLongLong(&ok);
        if (!ok)
            return std::nullopt;
        return negative ? -n : n;
    }

private:
    Pad pad(std::string_view name) const
    {
        for (const Field &f : layout_)
            if (f.name == name)
                return f.pad;
        return Pad::Text;
    }
    static QString trimmedRight(const QString &t)
    {
        qsizetype end = t.size();
        while (end > 0 && t.at(end - 1) == QLatin1Char(' '))
            --end;
        return t.left(end);
    }

    const QByteArray &bytes_;
    const std::array<Field, N> &layout_;
};

class Decoder {
public:
    BillingFileView view;

    void record(int line, const QByteArray &bytes)
    {
        line_ = line;
        ++seq_;
        if (bytes.size() != RecordLength) {
            problem(QStringLiteral("レコードの長さが %1 バイトです（%2 バイトのはずです）。").arg(bytes.size()).arg(RecordLength));
            return;
        }
        switch (bytes.at(0)) {
        case 'H': header(Record(bytes, Header)); break;
        case 'B': detail(Record(bytes, Detail)); break;
        case 'T': trailer(Record(bytes, Trailer)); break;
        default:
            problem(QStringLiteral("レコード種別「%1」は H・B・T のどれでもありません。")
                        .arg(cp932::decodeSlice(bytes, 0, 1)));
        }
    }

    void end()
    {
        if (open_)
            view.problems << QStringLiteral("ファイルの終わりに取引先 %1 のトレーラー（T）がありません。")
                                 .arg(view.groups.last().partner);
        if (seq_ == 0)
            view.problems << QStringLiteral("レコードがありません。");
    }

    void problem(const QString &text) { view.problems << QStringLiteral("%1 行目: %2").arg(line_).arg(text); }

private:
    template <size_t N>
    void checkSeq(const Record<N> &r)
    {
        const auto seq = r.number(F::Seq);
        if (!seq || *seq != seq_)
            problem(QStringLiteral("通番が「%1」です（%2 のはずです）。").arg(r.text(F::Seq)).arg(seq_));
    }

    template <size_t N>
    std::optional<qint64> numberOf(const Record<N> &r, std::string_view name, const QString &what)
    {
        const auto n = r.number(name);
        if (!n)
            problem(QStringLiteral("%1「%2」が数字ではありません。").arg(what, r.text(name)));
        return n;
    }

    void header(const Record<Header.size()> &r)
    {
        checkSeq(r);
        if (open_)
            problem(QStringLiteral("取引先 %1 のトレーラー（T）がないまま次のヘッダーが始まります。")
                        .arg(view.groups.last().partner));
        BillingViewGroup g;
        g.partner = r.text(F::Partner);
        g.headerLine = line_;
        view.groups << g;
        open_ = true;
        if (view.groups.size() == 1) {
            view.created = r.text(F::Created);
            view.from = r.text(F::From);
            view.to = r.text(F::To);
        }
    }

    void detail(const Record<Detail.size()> &r)
    {
        checkSeq(r);
        BillingViewSlip s;
        s.line = line_;
        s.partner = r.text(F::Partner);
        s.slipNumber = r.text(F::SlipNumber);
        s.deliveryDate = r.text(F::DeliveryDate);
        s.store = r.text(F::Store);
        s.amount = numberOf(r, F::Amount, QStringLiteral("金額")).value_or(0);
        view.slips << s;
        view.total += s.amount;
        if (!open_) {
            problem(QStringLiteral("伝票 %1 の前に取引先のヘッダー（H）がありません。").arg(s.slipNumber));
            return;
        }
        BillingViewGroup &g = view.groups.last();
        if (s.partner != g.partner)
            problem(QStringLiteral("伝票 %1 の取引先 %2 がヘッダーの取引先 %3 と違います。").arg(s.slipNumber, s.partner, g.partner));
        ++g.slips;
        g.total += s.amount;
    }

    void trailer(const Record<Trailer.size()> &r)
    {
        checkSeq(r);
        if (!open_) {
            problem(QStringLiteral("取引先 %1 のトレーラー（T）の前にヘッダー（H）がありません。").arg(r.text(F::Partner)));
            return;
        }
        open_ = false;
        BillingViewGroup &g = view.groups.last();
        g.hasTrailer = true;
        if (r.text(F::Partner) != g.partner)
            problem(QStringLiteral("トレーラーの取引先 %1 がヘッダーの取引先 %2 と違います。").arg(r.text(F::Partner), g.partner));
        g.trailerRecords = int(numberOf(r, F::Records, QStringLiteral("レコード件数")).value_or(-1));
        g.trailerSlips = int(numberOf(r, F::Slips, QStringLiteral("伝票件数")).value_or(-1));
        g.trailerTotal = numberOf(r, F::Total, QStringLiteral("合計金額")).value_or(-1);
        if (g.trailerRecords != g.slips + 2)
            problem(QStringLiteral("取引先 %1 のレコード件数が %2 件とありますが、実際は %3 件です。")
                        .arg(g.partner).arg(g.trailerRecords).arg(g.slips + 2));
        if (g.trailerSlips != g.slips)
            problem(QStringLiteral("取引先 %1 の伝票件数が %2 件とありますが、実際は %3 件です。")
                        .arg(g.partner).arg(g.trailerSlips).arg(g.slips));
        if (g.trailerTotal != g.total)
            problem(QStringLiteral("取引先 %1 の合計金額が %2 円とありますが、伝票の合計は %3 円です。")
                        .arg(g.partner, yenText(g.trailerTotal), yenText(g.total)));
    }

    int line_ = 0;
    qint64 seq_ = 0;
    bool open_ = false;
};

} // namespace

QString yenText(qint64 amount)
{
    QString digits = QString::number(amount < 0 ? -amount : amount);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return amount < 0 ? QStringLiteral("-") + digits : digits;
}

QStringList billingViewCaptions()
{
    return {QStringLiteral("取引先"), QStringLiteral("伝票No"), QStringLiteral("納品日"), QStringLiteral("金額")};
}

QList<QStringList> billingViewRows(const BillingFileView &view)
{
    QList<QStringList> rows;
    for (const BillingViewSlip &s : view.slips)
        rows << QStringList{s.partner, s.slipNumber, s.deliveryDate, yenText(s.amount)};
    return rows;
}

QStringList billingViewSummary(const BillingFileView &view)
{
    QStringList lines;
    for (const BillingViewGroup &g : view.groups)
        lines << QStringLiteral("取引先 %1: 伝票 %2 件 %3 円（%4）")
                     .arg(g.partner)
                     .arg(g.slips)
                     .arg(yenText(g.total),
                          g.agrees() ? QStringLiteral("トレーラーと一致") : QStringLiteral("トレーラーと不一致"));
    lines << QStringLiteral("合計: 伝票 %1 件 %2 円").arg(view.slips.size()).arg(yenText(view.total));
    return lines;
}

BillingFileView decodeBillingFile(const QByteArray &bytes)
{
    Decoder d;
    int line = 0;
    qsizetype start = 0;
    while (start < bytes.size()) {
        ++line;
        const qsizetype nl = bytes.indexOf('\n', start);
        const qsizetype stop = nl < 0 ? bytes.size() : nl;
        QByteArray record = bytes.mid(start, stop - start);
        start = stop + 1;
        // The chain reads CR LF records; a bare LF or a missing end is a
        // file that was edited or cut short, whatever its records say.
        if (record.endsWith('\r')) {
            record.chop(1);
        } else {
            d.record(line, record);
            d.problem(nl < 0 ? QStringLiteral("最後のレコードに行末（CR LF）がありません。")
                             : QStringLiteral("行末が CR LF ではありません。"));
            continue;
        }
        d.record(line, record);
    }
    d.end();
    return d.view;
}

BillingFileView readBillingFileView(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        throw DbError(DbErr::FileNotFound,
                      QStringLiteral("請求データファイル '%1' が見つかりません。").arg(QDir::toNativeSeparators(path)));
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(DbErr::PathAccess, QStringLiteral("請求データファイル '%1' を読めません。%2")
                                             .arg(QDir::toNativeSeparators(path), file.errorString()));
    // A billing file holds one record per slip of one closing period: a
    // few hundred kilobytes at most, read whole.
    return decodeBillingFile(file.readAll());
}
