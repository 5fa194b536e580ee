#include "slips/SlipPrinting.h"

#include "store/ChangeMarker.h"
#include "slips/FormFields.h"
#include "slips/NumberFormat.h"
#include "slips/PrintRecordset.h"
#include "slips/PrintSteps.h"
#include "store/AppFolder.h"
#include "store/Clock.h"
#include "store/Database.h"
#include "store/Literals.h"

#include <QHash>

#include <vector>

namespace SlipRules {
namespace {

bool allDigits(const QString &t)
{
    for (const QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// A figure as "#0" prints it: without leading zeros; text that is no
// number is printed as it stands.
QString whole(const QString &text)
{
    const auto n = NumberFormat::wholeNumber(text);
    return n ? NumberFormat::format(*n, QStringLiteral("#0")) : text.trimmed();
}

// The stored figure split before its last `decimals` digits. The order file
// writes every figure at full width; a shorter one (typed by hand into the
// table) is read as if its leading zeros were there.
QString scaled(const QString &stored, int width, int decimals, const QString &none)
{
    QString t = stored.trimmed();
    if (t.isEmpty() || !allDigits(t))
        return t;
    if (t.size() < width)
        t = t.rightJustified(width, QLatin1Char('0'));
    const QString tail = t.right(decimals);
    return whole(t.left(t.size() - decimals)) + (tail == QString(decimals, QLatin1Char('0')) ? none : tail);
}

} // namespace

QString unitPrice(const QString &stored)
{
    return scaled(stored, 9, 2, QStringLiteral("  "));
}

QString quantity(const QString &stored)
{
    return scaled(stored, 6, 1, QStringLiteral(" "));
}

} // namespace SlipRules

namespace {

using NumberFormat::Decimal;

const int None = FormRenderer::DecorationNone;
const int Superseded = FormRenderer::DecorationSuperseded;

// One line of a slip as read for printing.
struct SlipLine {
    QString online;
    QString position;
    QString sygn, sykn, hncd, sku, clkn, szkn;
    QString gtnkText, btnkText;
    QString suryText;     // delivered quantity, tenths
    QString orderedText;  // ordered quantity, tenths (from the change marker)
    qint64 sury = 0;
    qint64 ordered = 0;
    qint64 genj = 0;      // delivered cost amount, yen
    qint64 baij = 0;      // delivered selling amount, yen
    qint64 gtnk = 0;      // cost unit price, hundredths of yen (corrected lines only)
    qint64 btnk = 0;      // selling unit price, yen (corrected lines only)
    bool changed = false;
};

class SlipReader {
public:
    SlipReader(const QString &slipNo, FormFields &fields) : slipNo_(slipNo), fields_(fields) {}

    // The slip's lines, checked so that none can print a wrong page.
    std::vector<SlipLine> read(Database &db, const QVariant &h2)
    {
        std::vector<SlipLine> lines;
        Recordset rs = db.query(QStringLiteral("Select * From TBL_RD_BD Where INDEXNOH2=") + SqlNumber(h2)
                                + QStringLiteral("Order By INDEXNOBD"));
        QHash<QString, QString> taken; // position → ONLINE of the line on it
        for (; !rs.eof(); rs.moveNext()) {
            SlipLine l;
            l.online = rs.text(QStringLiteral("ONLINE"));
            l.position = l.online.trimmed().right(1);
            if (l.position.isEmpty() || !fields_.has(QStringLiteral("HINMEI1_") + l.position))
                throw DbError(PrintErr::LineNotOnForm,
                              QStringLiteral("伝票番号 %1 の明細行番号「%2」は、伝票の行位置「%3」が帳票にないため印刷できません。"
                                             "この伝票から後は印刷していません。")
                                  .arg(slipNo_, l.online, l.position));
            if (taken.contains(l.position))
                throw DbError(PrintErr::LineRepeated,
                              QStringLiteral("伝票番号 %1 の明細行番号「%2」は、明細行番号「%3」と同じ行位置 %4 に当たるため印刷できません。"
                                             "この伝票から後は印刷していません。")
                                  .arg(slipNo_, l.online, taken.value(l.position), l.position));
            taken.insert(l.position, l.online);

            l.sygn = rs.text(QStringLiteral("ONSYGN"));
            l.sykn = rs.text(QStringLiteral("ONSYKN"));
            l.hncd = rs.text(QStringLiteral("ONHNCD"));
            l.sku = rs.text(QStringLiteral("ONSKU"));
            l.clkn = rs.text(QStringLiteral("ONCLKN"));
            l.szkn = rs.text(QStringLiteral("ONSZKN"));
            l.gtnkText = rs.text(QStringLiteral("ONGTNK"));
            l.btnkText = rs.text(QStringLiteral("ONBTNK"));
            l.suryText = rs.text(QStringLiteral("ONSURY"));
            l.orderedText = ChangeMarker::orderedQuantityText(rs.text(QStringLiteral("ONSURYM")));
            l.sury = figure(l, QStringLiteral("数量（ONSURY）"), l.suryText);
            l.ordered = figure(l, QStringLiteral("発注数量（ONSURYM の先頭 6 桁）"), l.orderedText);
            l.genj = figure(l, QStringLiteral("原価金額（ONGENJ）"), rs.text(QStringLiteral("ONGENJ")));
            l.baij = figure(l, QStringLiteral("売価金額（ONBAIJ）"), rs.text(QStringLiteral("ONBAIJ")));
            l.changed = l.ordered != l.sury;
            if (l.changed) {
                l.gtnk = figure(l, QStringLiteral("原単価（ONGTNK）"), l.gtnkText);
                l.btnk = figure(l, QStringLiteral("売単価（ONBTNK）"), l.btnkText);
            }
            lines.push_back(std::move(l));
        }
        return lines;
    }

    const QString &slipNo() const { return slipNo_; }

private:
    qint64 figure(const SlipLine &l, const QString &caption, const QString &text) const
    {
        const auto n = NumberFormat::wholeNumber(text);
        if (!n)
            throw DbError(PrintErr::NotANumber,
                          QStringLiteral("伝票番号 %1 の明細行番号「%2」の%3「%4」が数値ではありません。"
                                         "この伝票から後は印刷していません。")
                              .arg(slipNo_, l.online, caption, text));
        return *n;
    }

    QString slipNo_;
    FormFields &fields_;
};

struct Totals {
    qint64 orderedCost = 0;
    qint64 orderedSelling = 0;
    qint64 deliveredCost = 0;
    qint64 deliveredSelling = 0;
};

void fillHeader(FormFields &f, const PrintRecordset &row)
{
    auto t = [&](const char *column) { return row.text(QString::fromLatin1(column)); };
    f.set(QStringLiteral("HATTYUU_NO"), t("OMHCNO"));
    f.set(QStringLiteral("BAYER_MEI"), t("OMBYKN"));
    f.set(QStringLiteral("SYORI_TUKI"), t("OMOPYY") + QLatin1Char('/') + t("OMOPMM"));
    f.set(QStringLiteral("TENPO_CD"), t("OMTCD2") + QLatin1Char('-') + t("OMGNCD") + QLatin1Char('-') + t("OMDNNO"));
    f.set(QStringLiteral("SYAMEI"), QStringLiteral("KK ﾄﾊﾞﾘ"));
    f.set(QStringLiteral("TENMEI"), t("OMMSKN"));
    f.set(QStringLiteral("SYA_TEN_CD"), t("OMMSCD"));
    f.set(QStringLiteral("BUNRUI_CD"), t("OMGNCD"));
    f.set(QStringLiteral("DENPYOU_KUBUN"), QStringLiteral("01"));
    f.set(QStringLiteral("DENPYOU_NO"), t("OMDNNO") + t("OMDNCK"));
    f.set(QStringLiteral("TORIHIKISAKI_CD"), t("OMTRCD"));
    f.set(QStringLiteral("TORIHIKISAKIMEI1"), t("OMTRKN"));
    f.set(QStringLiteral("TORIHIKISAKIMEI2"), QString());
    f.set(QStringLiteral("HATTYUUBI"), t("OMHCDT"));
    f.set(QStringLiteral("NOUKI"), t("OMNKDT"));
}

void fillLine(FormFields &f, const SlipLine &l, Totals &totals, const QString &slipNo)
{
    const QString &n = l.position;
    const QString where = QStringLiteral("伝票番号 %1 の明細行番号「%2」の").arg(slipNo, l.online);
    f.set(QStringLiteral("HINMEI1_") + n, l.sygn);
    f.set(QStringLiteral("HINMEI2_") + n, l.sykn);
    f.set(QStringLiteral("SYOUHIN_CD") + n, l.hncd + QLatin1Char('-') + l.sku);
    f.set(QStringLiteral("COLOR") + n, l.clkn);
    f.set(QStringLiteral("SIZE") + n, l.szkn);
    f.set(QStringLiteral("GENKA") + n, SlipRules::unitPrice(l.gtnkText));
    const auto btnk = NumberFormat::wholeNumber(l.btnkText);
    f.set(QStringLiteral("BAIKA") + n, btnk ? NumberFormat::format(*btnk, QStringLiteral("#0")) : l.btnkText.trimmed());

    const QString suu = QStringLiteral("SUU") + n;
    const QString genkaKingaku = QStringLiteral("GENKA_KINGAKU") + n;
    const QString baikaKingaku = QStringLiteral("BAIKA_KINGAKU") + n;
    const QString amount = NumberFormat::format(l.genj, QStringLiteral("#0"));
    const QString selling = NumberFormat::format(l.baij, QStringLiteral("#0"));
    if (!l.changed) {
        f.set(suu, SlipRules::quantity(l.suryText));
        f.set(genkaKingaku, amount);
        f.set(baikaKingaku, selling);
        PrintSteps::add(totals.orderedCost, l.genj, where + QStringLiteral("原価合計"));
        PrintSteps::add(totals.orderedSelling, l.baij, where + QStringLiteral("売価合計"));
        for (const QString &name : {suu, genkaKingaku, baikaKingaku})
            f.decorate(name, None);
    } else {
        // A corrected line: the delivered figures in the upper row, the
        // ordered ones below, struck through twice.
        f.set(QStringLiteral("TSUU") + n, SlipRules::quantity(l.suryText));
        f.set(QStringLiteral("TGENKA_KINGAKU") + n, amount);
        f.set(QStringLiteral("TBAIKA_KINGAKU") + n, selling);
        f.set(suu, SlipRules::quantity(l.orderedText));
        // Tenths of a piece times hundredths of yen: thousandths of yen,
        // the fraction dropped.
        const qint64 orderedCost = PrintSteps::product(l.ordered, l.gtnk, where + QStringLiteral("原価金額")) / 1000;
        const Decimal orderedSelling{PrintSteps::product(l.ordered, l.btnk, where + QStringLiteral("売価金額")), 1};
        f.set(genkaKingaku, NumberFormat::format(orderedCost, QStringLiteral("#0")));
        f.set(baikaKingaku, NumberFormat::format(orderedSelling, QStringLiteral("#0")));
        PrintSteps::add(totals.orderedCost, orderedCost, where + QStringLiteral("原価合計"));
        PrintSteps::add(totals.orderedSelling, NumberFormat::roundHalfEven(orderedSelling),
                        where + QStringLiteral("売価合計"));
        for (const QString &name : {suu, genkaKingaku, baikaKingaku})
            f.decorate(name, Superseded);
    }
    PrintSteps::add(totals.deliveredCost, l.genj, where + QStringLiteral("原価合計"));
    PrintSteps::add(totals.deliveredSelling, l.baij, where + QStringLiteral("売価合計"));
}

void fillTotals(FormFields &f, const Totals &t)
{
    // Only the cost totals decide: a slip whose corrections cancel out in
    // cost prints its ordered totals alone.
    if (t.orderedCost == t.deliveredCost) {
        f.set(QStringLiteral("GENKA_GOUKEI"), QString::number(t.orderedCost));
        f.set(QStringLiteral("BAIKA_GOUKEI"), QString::number(t.orderedSelling));
        f.decorate(QStringLiteral("GENKA_GOUKEI"), None);
        f.decorate(QStringLiteral("BAIKA_GOUKEI"), None);
        return;
    }
    f.set(QStringLiteral("TGENKA_GOUKEI"), QString::number(t.deliveredCost));
    f.set(QStringLiteral("TBAIKA_GOUKEI"), QString::number(t.deliveredSelling));
    f.set(QStringLiteral("GENKA_GOUKEI"), QString::number(t.orderedCost));
    f.set(QStringLiteral("BAIKA_GOUKEI"), QString::number(t.orderedSelling));
    f.decorate(QStringLiteral("GENKA_GOUKEI"), Superseded);
    f.decorate(QStringLiteral("BAIKA_GOUKEI"), Superseded);
}

} // namespace

int PrintSlips(PrintContext &ctx, PrintRecordset &rows)
{
    if (rows.eof())
        return 0;

    FormRenderer &r = ctx.renderer;
    PrintSteps::beginFormJob(r, ctx.printers.slips, QStringLiteral("トバリ伝票出力"), QStringLiteral("COR/TA2.crf"));
    FormFields fields(r);
    const int total = rows.size();
    int pages = 0;
    while (!rows.eof()) {
        ctx.progress.beforePage(pages + 1, rows.position() + 1, total);
        r.clearForm();
        fillHeader(fields, rows);

        SlipReader reader(rows.text(QStringLiteral("OMDNNO")), fields);
        const QVariant h2 = rows.field(QStringLiteral("INDEXNOH2"));
        Totals totals;
        for (const SlipLine &line : reader.read(ctx.db, h2))
            fillLine(fields, line, totals, reader.slipNo());
        fillTotals(fields, totals);

        // The slip counts as issued from here on, even if the run is
        // stopped before the next one.
        if (ctx.stamp)
            ctx.db.execute(QStringLiteral("Update TBL_RD_H2 Set HAKKOU_FLG='-1',DEN_OP_DATE=")
                           + SqlText(Clock::now().toString(QStringLiteral("yyMMdd")), true, true)
                           + QStringLiteral("DEN_EXP_CHECK='-1' Where INDEXNOH2=") + SqlNumber(h2));

        rows.moveNext();
        r.printPage();
        ++pages;
        if (PrintSteps::stopConfirmed(ctx))
            return pages;
    }
    r.closeForm();
    r.endJob();
    return pages;
}
