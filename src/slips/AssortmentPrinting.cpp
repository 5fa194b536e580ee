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

// The columns of one item as one text, Null told apart from empty text.
QString itemKey(const QVariant (&key)[std::size(ItemColumns)])
{
    QString out;
    for (const QVariant &v : key) {
        if (v.isNull())
            out += QChar(0x1);
        else
            out += QChar(0x2) + v.toString();
        out += QChar(0x1f);
    }
    return out;
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

AssortmentList readList(Database &db, const PrintRecordset &row)
{
    const QString f = groupFilter(row);
    const QString order = row.text(QStringLiteral("OMHCNO"));
    AssortmentList list;

    // One column per store, in the order of its first slip. A store with
    // several slips in the order (more lines than a slip holds) is one
    // column all the same.
    QHash<QString, int> storeIndex;
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
        if (!storeIndex.contains(s.code))
            storeIndex.insert(s.code, int(list.stores.size()));
        list.stores.push_back(std::move(s));
    }
    stores.close();

    // The quantity of every item for every store of the group, in one
    // grouped statement: the item's columns (Null matching Null, as the
    // grouping treats it) and the store make the key.
    QString itemList;
    for (size_t k = 0; k < std::size(ItemColumns); ++k)
        itemList += QStringLiteral("TBD.") + QString::fromLatin1(ItemColumns[k]) + QLatin1Char(',');
    QHash<QString, QHash<int, qint64>> quantities;
    Recordset perStore = db.query(QStringLiteral("Select ") + itemList
                                  + QStringLiteral("TH2.OMMSCD,Sum(TBD.ONSURY) as ONSURY "
                                                   "From TBL_RD_H2 TH2 Left Join TBL_RD_BD TBD "
                                                   "On TH2.INDEXNOH2=TBD.INDEXNOH2 "
                                                   "Where ")
                                  + f + QStringLiteral(" Group By ") + itemList + QStringLiteral("TH2.OMMSCD"));
    const int storeColumn = int(std::size(ItemColumns));
    for (; !perStore.eof(); perStore.moveNext()) {
        const auto it = storeIndex.constFind(perStore.text(storeColumn));
        if (it == storeIndex.constEnd())
            continue;
        QVariant key[std::size(ItemColumns)];
        for (size_t k = 0; k < std::size(ItemColumns); ++k)
            key[k] = perStore.field(int(k));
        quantities[itemKey(key)].insert(*it, tenths(perStore.field(storeColumn + 1)));
    }
    perStore.close();

    Recordset itemQuery = db.query(
        QStringLiteral("Select TR.*,MHS.HUDA_NAME "
                       " From (Select TBD.ONSKU,TBD.ONSYGN,TBD.ONCLCD,TBD.ONCLKN,TBD.ONSZKN,TBD.ONSYKN,TBD.ONHNCD,"
                       "TBD.ONSYKB,TBD.ONGTNK,"
                       "TBD.ONBTNK,TBD.ONKBIK,SUM(TBD.ONSURY) as SUU,TH2.OMFUDA,TBD.ONNFKB "
                       "From (TBL_RD_H2 TH2 Left Join TBL_RD_BD TBD On TH2.INDEXNOH2=TBD.INDEXNOH2) "
                       "Where ")
        + f
        + QStringLiteral(" Group By TBD.ONSKU,TBD.ONSYGN,TBD.ONCLCD,TBD.ONCLKN,TBD.ONSZKN,TBD.ONSYKN,TBD.ONHNCD,"
                         "TBD.ONSYKB,TBD.ONGTNK,"
                         "TBD.ONBTNK,TBD.ONKBIK,TH2.OMFUDA,TBD.ONNFKB) as TR "
                         "Left Join MST_HUDASYU MHS On TR.OMFUDA=MHS.HUDA_SYU And TR.ONNFKB=MHS.HUDA_KU "
                         "Order By TR.ONSKU,TR.ONSYGN,TR.ONCLCD,TR.ONCLKN,TR.ONSZKN,TR.ONSYKN,TR.ONHNCD,TR.ONSYKB,"
                         "TR.ONGTNK,TR.ONBTNK,TR.ONKBIK"));
    PrintRecordset items(itemQuery);
    for (; !items.eof(); items.moveNext()) {
        QVariant key[std::size(ItemColumns)];
        bool anyValue = false;
        for (size_t k = 0; k < std::size(ItemColumns); ++k) {
            key[k] = items.field(QString::fromLatin1(ItemColumns[k]));
            anyValue = anyValue || !key[k].isNull();
        }
        // A slip without lines joins to nothing; it has no item to list.
        if (!anyValue)
            continue;

        const QString article = items.text(QStringLiteral("ONSYGN"));
        const QString where = QStringLiteral("発注番号 %1 の品番「%2」（SKU %3）の").arg(order, article,
                                                                                  items.text(QStringLiteral("ONSKU")));
        const qint64 suu = tenths(items.field(QStringLiteral("SUU")));
        const QString gtnkText = items.text(QStringLiteral("ONGTNK"));
        const QString btnkText = items.text(QStringLiteral("ONBTNK"));
        const auto gtnk = NumberFormat::wholeNumber(gtnkText);
        const auto btnk = NumberFormat::wholeNumber(btnkText);
        if (!gtnk || !btnk)
            throw DbError(PrintErr::NotANumber, where + QStringLiteral("%1「%2」が数値ではありません。")
                                                       .arg(!gtnk ? QStringLiteral("原単価（ONGTNK）")
                                                                  : QStringLiteral("売単価（ONBTNK）"),
                                                            !gtnk ? gtnkText : btnkText));

        Item item;
        for (const char *c : {"ONSKU", "ONSYGN", "ONCLCD", "ONCLKN", "ONSZKN", "ONSYKN", "ONHNCD", "ONSYKB"})
            item.columns << items.text(QString::fromLatin1(c));
        item.columns << NumberFormat::format(Decimal{*gtnk, 2}, QStringLiteral("#,##0.##"))
                     << NumberFormat::format(*btnk, QStringLiteral("#,##0"))
                     << display(items.text(QStringLiteral("ONKBIK")), QStringLiteral("#,##0"))
                     << NumberFormat::format(Decimal{suu, 1}, QStringLiteral("#,##0.##"))
                     << items.text(QStringLiteral("HUDA_NAME"));
        PrintSteps::add(list.cost, PrintSteps::product(suu, *gtnk, where + QStringLiteral("原価")),
                        where + QStringLiteral("原価合計"));
        PrintSteps::add(list.selling, PrintSteps::product(suu, *btnk, where + QStringLiteral("売価")),
                        where + QStringLiteral("売価合計"));
        PrintSteps::add(list.quantity, suu, where + QStringLiteral("数量合計"));

        // The quantity of this item for each store of the group.
        item.perStore = quantities.value(itemKey(key));
        list.items.push_back(std::move(item));
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
