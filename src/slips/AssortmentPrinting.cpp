#include "slips/AssortmentPrinting.h"

#include "slips/FormFields.h"
#include "slips/NumberFormat.h"
#include "slips/PrintRecordset.h"
#include "slips/PrintSteps.h"
#include "store/AppFolder.h"
#include "store/Clock.h"
#include "store/Database.h"
#include "store/Literals.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace {

using NumberFormat::Decimal;

// The slip-header columns that make an order group, as the group
// statement selects them; OMTCD2 is printed but does not split a group.
constexpr const char *GroupColumns[] = {"OMHCNO", "OMTRCD", "OMTRKN", "OMGNCD", "OMNKDT", "OMOPYY", "OMOPMM",
                                        "OMOLDT", "OMSLDT", "OMMDNO", "OMBYKN", "OMHCKB", "OMFUDA"};

// The line columns that make one item, besides the header's tag kind.
constexpr const char *ItemColumns[] = {"ONSKU", "ONSYGN", "ONCLCD", "ONCLKN", "ONSZKN", "ONSYKN",
                                       "ONHNCD", "ONSYKB", "ONGTNK", "ONBTNK", "ONKBIK", "ONNFKB"};

// `column` equal to `value`. A Null value matches Null, so that a group
// whose buyer name, say, was never filled in still finds its own slips.
QString equals(const QString &column, const QVariant &value)
{
    if (value.isNull())
        return column + QStringLiteral(" Is Null ");
    return column + QLatin1Char('=') + SqlText(value, false, true);
}

QString groupFilter(const PrintRecordset &row)
{
    QString f;
    for (const char *c : GroupColumns) {
        const QString column = QString::fromLatin1(c);
        f += equals(QStringLiteral("TH2.") + column, row.field(column)) + QStringLiteral("And ");
    }
    return f + QStringLiteral("TH2.INDEXNOH1=") + SqlNumber(row.field(QStringLiteral("INDEXNOH1")));
}

struct Store {
    QString code;
    QString name;
};

struct Item {
    QStringList columns;               // ListHed cells 0 to 12
    QHash<int, qint64> perStore;       // store index (from 0) → quantity in tenths
};

struct AssortmentList {
    std::vector<Store> stores;
    std::vector<Item> items;
    qint64 cost = 0;      // thousandths of yen
    qint64 selling = 0;   // tenths of yen
    qint64 quantity = 0;  // tenths of a piece
};

QString display(const QString &text, const QString &pattern)
{
    const auto n = NumberFormat::wholeNumber(text);
    return n ? NumberFormat::format(*n, pattern) : text.trimmed();
}

qint64 tenths(const QVariant &v)
{
    if (v.isNull())
        return 0;
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (ok)
        return n;
    // Sum() adds up texts as numbers; anything else is not a quantity.
    throw DbError(PrintErr::NotANumber, QStringLiteral("数量の合計「%1」が数値ではありません。").arg(v.toString()));
}

// Sum() as the engine adds up a column: Null when every value is Null, a
// whole number while every value is one, a real number from the first that
// is not.
class Sum {
public:
    void add(const Recordset &rs, int column, const QString &what)
    {
        ++rows_;
        const QVariant v = rs.field(column);
        if (v.isNull())
            return;
        any_ = true;
        if (v.typeId() == QMetaType::LongLong && !real_) {
            if (__builtin_add_overflow(whole_, v.toLongLong(), &whole_))
                throw DbError(PrintErr::TooLarge, QStringLiteral("%1の計算で桁あふれが起きました。").arg(what));
            return;
        }
        if (!real_) {
            real_ = true;
            approx_ = double(whole_);
        }
        approx_ += v.toDouble();
    }
    // Whether any row was added, even one with Null.
    bool hasRows() const { return rows_ > 0; }
    QVariant value() const
    {
        if (!any_)
            return {};
        return real_ ? QVariant(approx_) : QVariant(qlonglong(whole_));
    }

private:
    qint64 rows_ = 0;
    bool any_ = false;
    bool real_ = false;
    qint64 whole_ = 0;
    double approx_ = 0;
};

// One item as read: its columns as the engine holds them (a null view for
// Null) and its quantities.
struct ItemTotals {
    std::array<std::optional<QByteArray>, std::size(ItemColumns)> key;
    std::vector<Sum> perStore; // by store index
    Sum total;
};

// The engine's order of texts (binary, Null first).
int compareKey(const std::optional<QByteArray> &a, const std::optional<QByteArray> &b)
{
    if (!a || !b)
        return int(bool(a)) - int(bool(b));
    const int c = a->compare(*b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

QVariant asField(const std::optional<QByteArray> &v)
{
    return v ? QVariant(QString::fromUtf8(*v)) : QVariant();
}

AssortmentList readList(Database &db, const PrintRecordset &row)
{
    const QString f = groupFilter(row);
    const QString order = row.text(QStringLiteral("OMHCNO"));
    AssortmentList list;

    // One column per store, in the order of its first slip. A store with
    // several slips in the order (more lines than a slip holds) is one
    // column all the same.
    QHash<QByteArray, int> storeIndex;
    Recordset stores = db.query(QStringLiteral("Select OMMSCD,OMMSKN "
                                               "From "
                                               "(Select TH2.OMMSCD,TH2.OMMSKN,Min(TH2.INDEXNOH2) as JYUN "
                                               "From TBL_RD_H2 TH2 "
                                               "Where ")
                                + f
                                + QStringLiteral(" Group By TH2.OMMSCD,TH2.OMMSKN) As TH "
                                                 "Order By JYUN,OMMSCD"));
    for (; !stores.eof(); stores.moveNext()) {
        Store s{stores.text(0), stores.text(1)};
        const QByteArray code = s.code.toUtf8();
        if (!storeIndex.contains(code))
            storeIndex.insert(code, int(list.stores.size()));
        list.stores.push_back(std::move(s));
    }
    stores.close();

    // Every line of the group once, added up here by item and store: a
    // grouped statement would sort the whole order by a dozen texts, which
    // took most of a list's time. The item's columns (Null told apart from
    // empty text) make the key.
    QString itemList;
    for (const char *c : ItemColumns)
        itemList += QStringLiteral("TBD.") + QLatin1String(c) + QLatin1Char(',');
    Recordset lines = db.query(QStringLiteral("Select ") + itemList
                               + QStringLiteral("TH2.OMMSCD,TBD.ONSURY*1 "
                                                "From TBL_RD_H2 TH2 Left Join TBL_RD_BD TBD "
                                                "On TH2.INDEXNOH2=TBD.INDEXNOH2 "
                                                "Where ")
                               + f);
    constexpr int keyColumns = int(std::size(ItemColumns));
    std::vector<ItemTotals> totals;
    QHash<QByteArray, int> itemIndex;
    QByteArray key;
    const QString sumWhat = QStringLiteral("発注番号 %1 の数量合計").arg(order);
    for (; !lines.eof(); lines.moveNext()) {
        key.clear();
        bool anyValue = false;
        for (int k = 0; k < keyColumns; ++k) {
            const QByteArrayView v = lines.utf8(k);
            if (v.isNull()) {
                key += '\x01';
            } else {
                anyValue = true;
                key += '\x02';
                key += QByteArray::number(v.size());
                key += ':';
                key += v;
            }
        }
        // A slip without lines joins to nothing; it has no item to list.
        if (!anyValue)
            continue;
        auto it = itemIndex.constFind(key);
        if (it == itemIndex.constEnd()) {
            ItemTotals t;
            for (int k = 0; k < keyColumns; ++k) {
                const QByteArrayView v = lines.utf8(k);
                if (!v.isNull())
                    t.key[size_t(k)] = v.toByteArray();
            }
            t.perStore.resize(list.stores.size());
            totals.push_back(std::move(t));
            it = itemIndex.insert(key, int(totals.size() - 1));
        }
        ItemTotals &t = totals[size_t(*it)];
        t.total.add(lines, keyColumns + 1, sumWhat);
        const auto store = storeIndex.constFind(lines.utf8(keyColumns).toByteArray());
        if (store != storeIndex.constEnd())
            t.perStore[size_t(*store)].add(lines, keyColumns + 1, sumWhat);
    }
    lines.close();

    // In the order of the item's columns as printed; the tag division last.
    std::sort(totals.begin(), totals.end(), [](const ItemTotals &a, const ItemTotals &b) {
        for (size_t k = 0; k < a.key.size(); ++k) {
            const int c = compareKey(a.key[k], b.key[k]);
            if (c != 0)
                return c < 0;
        }
        return false;
    });

    // The tag name of each tag division of the group's tag kind. A kind and
    // division the master holds twice lists the item once for each name.
    const QVariant kind = row.field(QStringLiteral("OMFUDA"));
    QHash<QString, QList<QVariant>> tagNames;
    auto namesOf = [&](const QVariant &division) -> const QList<QVariant> & {
        const QString k = division.isNull() ? QString() : QLatin1Char('=') + division.toString();
        auto it = tagNames.find(k);
        if (it == tagNames.end()) {
            QList<QVariant> names;
            if (!kind.isNull() && !division.isNull()) {
                Recordset rs = db.query(QStringLiteral("Select HUDA_NAME From MST_HUDASYU "
                                                       "Where HUDA_SYU=? And HUDA_KU=?"),
                                        {kind, division});
                for (; !rs.eof(); rs.moveNext())
                    names << rs.field(0);
            }
            if (names.isEmpty())
                names << QVariant();
            it = tagNames.insert(k, names);
        }
        return *it;
    };

    auto column = [](const ItemTotals &t, const char *name) {
        for (size_t k = 0; k < std::size(ItemColumns); ++k) {
            if (qstrcmp(ItemColumns[k], name) == 0)
                return t.key[k] ? QString::fromUtf8(*t.key[k]) : QString();
        }
        return QString();
    };

    for (const ItemTotals &t : totals) {
        const QString article = column(t, "ONSYGN");
        const QString where = QStringLiteral("発注番号 %1 の品番「%2」（SKU %3）の").arg(order, article, column(t, "ONSKU"));
        const qint64 suu = tenths(t.total.value());
        const QString gtnkText = column(t, "ONGTNK");
        const QString btnkText = column(t, "ONBTNK");
        const auto gtnk = NumberFormat::wholeNumber(gtnkText);
        const auto btnk = NumberFormat::wholeNumber(btnkText);
        if (!gtnk || !btnk)
            throw DbError(PrintErr::NotANumber, where + QStringLiteral("%1「%2」が数値ではありません。")
                                                       .arg(!gtnk ? QStringLiteral("原単価（ONGTNK）")
                                                                  : QStringLiteral("売単価（ONBTNK）"),
                                                            !gtnk ? gtnkText : btnkText));

        Item item;
        for (const char *c : {"ONSKU", "ONSYGN", "ONCLCD", "ONCLKN", "ONSZKN", "ONSYKN", "ONHNCD", "ONSYKB"})
            item.columns << column(t, c);
        item.columns << NumberFormat::format(Decimal{*gtnk, 2}, QStringLiteral("#,##0.##"))
                     << NumberFormat::format(*btnk, QStringLiteral("#,##0"))
                     << display(column(t, "ONKBIK"), QStringLiteral("#,##0"))
                     << NumberFormat::format(Decimal{suu, 1}, QStringLiteral("#,##0.##"));
        // The quantity of this item for each store of the group.
        for (size_t s = 0; s < t.perStore.size(); ++s) {
            if (t.perStore[s].hasRows())
                item.perStore.insert(int(s), tenths(t.perStore[s].value()));
        }
        const QVariant division = asField(t.key[std::size(ItemColumns) - 1]);
        for (const QVariant &name : namesOf(division)) {
            PrintSteps::add(list.cost, PrintSteps::product(suu, *gtnk, where + QStringLiteral("原価")),
                            where + QStringLiteral("原価合計"));
            PrintSteps::add(list.selling, PrintSteps::product(suu, *btnk, where + QStringLiteral("売価")),
                            where + QStringLiteral("売価合計"));
            PrintSteps::add(list.quantity, suu, where + QStringLiteral("数量合計"));
            Item named = item;
            named.columns << name.toString();
            list.items.push_back(std::move(named));
        }
    }
    return list;
}

void fillHeader(FormFields &f, const PrintRecordset &row, const QString &pageText)
{
    auto t = [&](const char *column) { return row.text(QString::fromLatin1(column)); };
    const QString dateOf = QStringLiteral("####/##/##");
    f.set(QStringLiteral("Ha_No"), t("OMHCNO"));
    f.set(QStringLiteral("To_CD"), t("OMTRCD"));
    f.set(QStringLiteral("To_Name"), t("OMTRKN"));
    f.set(QStringLiteral("Ji_CD"), t("OMTCD2"));
    f.set(QStringLiteral("Ji_Name"), QString());
    f.set(QStringLiteral("Gunban"), t("OMGNCD"));
    f.set(QStringLiteral("Nouki"), NumberFormat::fillDigits(QStringLiteral("20") + t("OMNKDT"), dateOf));
    f.set(QStringLiteral("Syo_Tuki"), QStringLiteral("20") + t("OMOPYY") + QLatin1Char('/') + t("OMOPMM"));
    f.set(QStringLiteral("Ha_Kikan"),
          QStringLiteral("～") + NumberFormat::fillDigits(QStringLiteral("20") + t("OMOLDT"), dateOf));
    f.set(QStringLiteral("Han_Kikan"),
          QStringLiteral("～") + NumberFormat::fillDigits(QStringLiteral("20") + t("OMSLDT"), dateOf));
    f.set(QStringLiteral("BYR_CD"), t("OMMDNO"));
    f.set(QStringLiteral("BYR_Name"), t("OMBYKN"));
    f.set(QStringLiteral("Te_Pt"), QString());
    f.set(QStringLiteral("Ha_Ku"), t("OMHCKB"));
    f.set(QStringLiteral("Ne_Ku"), t("OMFUDA"));
    const QVariant kind = row.field(QStringLiteral("OMHCKB"));
    QString keitai = (!kind.isNull() && kind.toString() != QLatin1String("0")) ? QStringLiteral("（事前発注分）")
                                                                                 : QString();
    if (!pageText.isEmpty())
        keitai += (keitai.isEmpty() ? QString() : QStringLiteral("　")) + pageText;
    f.set(QStringLiteral("GyoumuKeitai"), keitai);
}

} // namespace

int PrintAssortmentLists(PrintContext &ctx, PrintRecordset &rows)
{
    if (rows.eof())
        return 0;

    FormRenderer &r = ctx.renderer;
    PrintSteps::beginFormJob(r, ctx.printers.lists, QStringLiteral("トバリ品揃え表出力"), QStringLiteral("COR/AS.crf"));
    FormFields fields(r);
    const int itemRows = std::max(1, ctx.listItemRows);
    const int total = rows.size();
    int pages = 0;
    while (!rows.eof()) {
        ctx.progress.beforePage(pages + 1, rows.position() + 1, total);
        const AssortmentList list = readList(ctx.db, rows);
        const int storePages = std::max<int>(1, int((list.stores.size() + StoresPerPage - 1) / StoresPerPage));
        const int itemPages = std::max<int>(1, int((list.items.size() + itemRows - 1) / itemRows));
        const int listPages = storePages * itemPages;

        for (int page = 0; page < listPages; ++page) {
            if (page > 0)
                ctx.progress.beforePage(pages + 1, rows.position() + 1, total);
            const int firstStore = (page / itemPages) * StoresPerPage;
            const int firstItem = (page % itemPages) * itemRows;
            const int storeEnd = std::min<int>(int(list.stores.size()), firstStore + StoresPerPage);
            const int itemEnd = std::min<int>(int(list.items.size()), firstItem + itemRows);

            r.clearForm();
            fillHeader(fields, rows,
                       listPages > 1 ? QStringLiteral("%1/%2ページ").arg(page + 1).arg(listPages) : QString());
            for (int s = firstStore; s < storeEnd; ++s) {
                const int i = s - firstStore; // from 0 on this page
                const QString block = QString::number(i / StoresPerBlock + 1);
                const int p = i % StoresPerBlock + 1;
                fields.cell(QStringLiteral("TenpoNo_") + block, p - 1, 0, list.stores[size_t(s)].code);
                fields.set(QStringLiteral("tempomei_%1_%2").arg(block).arg(p), list.stores[size_t(s)].name);
            }
            for (int it = firstItem; it < itemEnd; ++it) {
                const Item &item = list.items[size_t(it)];
                const int row = it - firstItem;
                for (int k = 0; k < int(item.columns.size()); ++k)
                    fields.cell(QStringLiteral("ListHed"), k, row, item.columns[k]);
                const QString number = QString::number(it + 1);
                fields.cell(QStringLiteral("LabSuuH"), 0, row, number);
                for (int b = 1; b <= StoresPerPage / StoresPerBlock; ++b)
                    fields.cell(QStringLiteral("LabSuuM_%1").arg(b), 0, row, number);
                for (auto q = item.perStore.constBegin(); q != item.perStore.constEnd(); ++q) {
                    if (q.key() < firstStore || q.key() >= storeEnd)
                        continue;
                    const int i = q.key() - firstStore;
                    fields.cell(QStringLiteral("suuMeisai_%1").arg(i / StoresPerBlock + 1), i % StoresPerBlock, row,
                                NumberFormat::format(Decimal{q.value(), 1}, QStringLiteral("#,###")));
                }
            }
            const bool last = page == listPages - 1;
            if (last) {
                fields.set(QStringLiteral("Genka_Kei"),
                           NumberFormat::format(Decimal{list.cost, 3}, QStringLiteral("#,##0.##")));
                fields.set(QStringLiteral("Baika_Kei"),
                           NumberFormat::format(Decimal{list.selling, 1}, QStringLiteral("#,##0")));
                fields.set(QStringLiteral("Ha_Kei"),
                           NumberFormat::format(Decimal{list.quantity, 1}, QStringLiteral("#,##0.##")));
            }
            fields.set(QStringLiteral("Sakusei_Bi"), Clock::today().toString(QStringLiteral("yyyy/MM/dd")));

            if (last)
                rows.moveNext();
            r.printPage();
            ++pages;
            if (PrintSteps::stopConfirmed(ctx))
                return pages;
        }
    }
    r.closeForm();
    r.endJob();
    return pages;
}
