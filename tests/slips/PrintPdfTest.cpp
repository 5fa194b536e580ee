// Slips and an assortment list on real pages: the default forms drawn into
// PDF files, read back with pdftotext, each value on the page it belongs to.
#include "PrintTestSupport.h"

#include "slips/PrintActions.h"
#include "slips/QtFormRenderer.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

// The text of each page with every blank removed: pitched fields set each
// digit in a box of its own, which pdftotext reads back with gaps.
QStringList squeezedPages(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {QStringLiteral("pdftotext failed: ") + QString::fromUtf8(p.readAllStandardError())};
    QString text = QString::fromUtf8(p.readAllStandardOutput());
    text.replace(QChar(0x301C), QChar(0xFF5E)); // 〜 → ～
    QStringList pages = text.split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    for (QString &page : pages)
        page.remove(QRegularExpression(QStringLiteral("\\s")));
    return pages;
}

class PdfPages : public PrintFixture {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            GTEST_SKIP() << "pdftotext is not installed";
        PrintFixture::SetUp();
        batch(1);
        for (int h2 : {10, 11}) {
            SlipRows::slip(*db, 1, h2,
                           {{"OMDNNO", QString::number(300000 + h2)}, {"OMDNCK", "7"}, {"OMHCNO", "7654321"},
                            {"OMHCKB", "0"}, {"OMMSCD", QString::number(100 + h2)},
                            {"OMMSKN", h2 == 10 ? QStringLiteral("ﾐﾅﾐ店") : QStringLiteral("ｷﾀ店")},
                            {"OMTRKN", "ｶ)ﾄﾊﾞﾘ"}, {"OMNKDT", "250131"}, {"OMFUDA", "1"}});
        }
        // Slip 10: the corrected line; slip 11: one unchanged line.
        SlipRows::line(*db, 1, 10, 100, QStringLiteral("000120"), QStringLiteral("0001980"),
                       {{"ONLINE", "01"}, {"ONGTNK", "000120050"}, {"ONGENJ", "0000014406"}, {"ONBAIJ", "0000023760"},
                        {"ONSURYM", "0001500001980Y"}, {"ONSYKN", "ﾆｯﾄｾｰﾀｰ"}, {"ONSKU", "456789"}, {"ONNFKB", "1"}});
        SlipRows::line(*db, 1, 11, 101, QStringLiteral("000030"), QStringLiteral("0001980"),
                       {{"ONLINE", "01"}, {"ONGTNK", "000120050"}, {"ONGENJ", "0000003601"}, {"ONBAIJ", "0000005940"},
                        {"ONSYKN", "ﾆｯﾄｾｰﾀｰ"}, {"ONSKU", "456789"}, {"ONNFKB", "1"}});
    }

    QString pdf(const char *name) const { return folder.file(QLatin1String(name)); }

    PrintActionResult run(QtFormRenderer &renderer, const std::function<PrintActionResult(PrintServices &)> &action)
    {
        PrintRunner window(*db, dialogs, renderer);
        PrintServices services{*db, dialogs, window};
        return action(services);
    }

    static QtFormRenderer::Options toFile(const QString &path)
    {
        QtFormRenderer::Options o;
        o.pdfFile = path;
        o.printers = PrinterCatalog{};
        return o;
    }
};

TEST_F(PdfPages, SlipsAndAListReadBackOnTheirPages)
{
    {
        QtFormRenderer renderer(toFile(pdf("slips.pdf")));
        dialogs.answer(MsgResult::Ok);
        EXPECT_EQ(run(renderer, [](PrintServices &s) { return PrintAllSlips(s, 1, QString(), "2"); }).pages, 2);
        EXPECT_EQ(renderer.pdfPath(), pdf("slips.pdf"));
    }
    const QStringList slips = squeezedPages(pdf("slips.pdf"));
    ASSERT_EQ(slips.size(), 2) << slips.join(QStringLiteral("\n----\n")).toStdString();
    // Page 1: the corrected slip, ordered and delivered figures; page 2 the
    // other slip. The frame's captions are drawn on plain paper.
    for (const char *text : {"3000107", "ﾐﾅﾐ店", "KKﾄﾊﾞﾘ", "ﾆｯﾄｾｰﾀｰ", "18007", "29700", "14406", "23760", "伝票番号"})
        EXPECT_TRUE(slips[0].contains(QString::fromUtf8(text))) << text << " not on page 1:\n" << slips[0].toStdString();
    for (const char *text : {"3000117", "ｷﾀ店", "3601", "5940"})
        EXPECT_TRUE(slips[1].contains(QString::fromUtf8(text))) << text << " not on page 2:\n" << slips[1].toStdString();
    EXPECT_FALSE(slips[1].contains(QStringLiteral("3000107")));

    {
        QtFormRenderer renderer(toFile(pdf("list.pdf")));
        dialogs.answer(MsgResult::Ok);
        EXPECT_EQ(run(renderer, [](PrintServices &s) { return PrintOneAssortmentList(s, 1, "7654321"); }).pages, 1);
    }
    const QStringList list = squeezedPages(pdf("list.pdf"));
    ASSERT_EQ(list.size(), 1);
    // Item total 15 pieces; cost 150 tenths × 1200.50 yen = 18,007.5 yen.
    for (const char *text : {"7654321", "2025/01/31", "1,200.5", "プロパー値札", "18,007.5", "29,700", "ﾐﾅﾐ店", "2026/12/10"})
        EXPECT_TRUE(list[0].contains(QString::fromUtf8(text))) << text << " not on the list:\n" << list[0].toStdString();
    // No temporary file is left beside the documents.
    EXPECT_EQ(QDir(folder.path()).entryList({QStringLiteral("*.pdf*")}, QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("list.pdf"), QStringLiteral("slips.pdf")}));
}

TEST_F(PdfPages, ExplicitFileReplacesAnOlderOneOnlyWhenComplete)
{
    {
        QFile old(pdf("slips.pdf"));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old document");
    }
    QtFormRenderer renderer(toFile(pdf("slips.pdf")));
    dialogs.answer(MsgResult::Ok);
    run(renderer, [](PrintServices &s) { return PrintOneSlip(s, 1, "300010"); });
    EXPECT_EQ(squeezedPages(pdf("slips.pdf")).size(), 1);

    // A folder that is not there is refused before any slip is stamped.
    QtFormRenderer nowhere(toFile(folder.file("missing/slips.pdf")));
    db->execute(QStringLiteral("Update TBL_RD_H2 Set DEN_OP_DATE=Null"));
    dialogs.answer(MsgResult::Ok);
    const PrintActionResult failed = run(nowhere, [](PrintServices &s) { return PrintOneSlip(s, 1, "300010"); });
    EXPECT_NE(failed.error, 0);
    EXPECT_EQ(failed.status, failed.error);
    EXPECT_EQ(failed.pages, 0);
    EXPECT_EQ(text(QStringLiteral("Select ifnull(DEN_OP_DATE,'') From TBL_RD_H2 Where INDEXNOH2=10")), "");
}

} // namespace
