// Pages on paper: here always the PDF target, as the test machine has no
// print server; printer names are resolved against a given catalogue.
#include "FormTestSupport.h"

#include "slips/QtFormRenderer.h"
#include "store/Clock.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

PrinterCatalog noPrinters()
{
    return {};
}

PrinterCatalog twoPrinters()
{
    return {{QStringLiteral("伝票プリンタ"), QStringLiteral("Rendering Subsystem"), QStringLiteral("A4レーザー")},
            QStringLiteral("A4レーザー")};
}

class PdfJob : public testing::Test {
protected:
    void SetUp() override
    {
        formPath = dir.filePath(QStringLiteral("TEST.crf"));
        writeFile(formPath, smallFormJson());
        out = dir.filePath(QStringLiteral("out"));
        Clock::setFixed(QDateTime(QDate(2025, 1, 31), QTime(14, 5, 9)));
    }
    void TearDown() override { Clock::reset(); }

    QtFormRenderer::Options options(PrinterCatalog catalog = noPrinters()) const
    {
        QtFormRenderer::Options o;
        o.pdfFolder = out;
        o.printers = catalog;
        return o;
    }

    void start(QtFormRenderer &r, const QString &printer = QString())
    {
        r.reset();
        r.beginJob(printer, QStringLiteral("トバリ伝票出力"));
        r.openForm(formPath);
        r.attachForm();
    }

    void onePage(QtFormRenderer &r, const QString &title)
    {
        r.clearForm();
        r.setValue(r.findField(QStringLiteral("TITLE")), title);
        r.printPage();
    }

    QStringList filesInOut() const { return QDir(out).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir dir;
    QString formPath;
    QString out;
};

// The text of each page, as pdftotext reads it back, with the two
// characters whose code point changes on the way normalised.
QStringList pdfPages(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {QStringLiteral("pdftotext failed: ") + QString::fromUtf8(p.readAllStandardError())};
    QString text = QString::fromUtf8(p.readAllStandardOutput());
    text.replace(QChar(0x301C), QChar(0xFF5E)); // 〜 → ～
    text.replace(QChar(0x00A5), QChar(0xFFE5)); // ¥ → ￥
    QStringList pages = text.split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

TEST_F(PdfJob, TwoPagesCarryTheirOwnValues)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";

    QtFormRenderer r(options());
    start(r);
    r.clearForm();
    r.setValue(r.findField(QStringLiteral("TITLE")), QStringLiteral("納品書一枚目"));
    r.setValue(r.findField(QStringLiteral("KANA")), QStringLiteral("ｶｽﾀﾑ ﾄﾊﾞﾘ"));
    r.setValue(r.findField(QStringLiteral("AMOUNT")), QStringLiteral("￥1,980"));
    r.setListCell(r.findField(QStringLiteral("ITEMS")), 1, 2, QStringLiteral("～2025/01/31"));
    r.printPage();
    r.clearForm();
    r.setValue(r.findField(QStringLiteral("TITLE")), QStringLiteral("二枚目の見本"));
    r.setListCell(r.findField(QStringLiteral("ITEMS")), 0, 0, QStringLiteral("ﾌﾞﾙｰ"));
    r.printPage();
    r.closeForm();
    r.endJob();

    EXPECT_TRUE(r.printsToPdf());
    ASSERT_FALSE(r.pdfPath().isEmpty());
    const QStringList pages = pdfPages(r.pdfPath());
    ASSERT_EQ(pages.size(), 2) << pages.join(QStringLiteral("\n----\n")).toStdString();
    for (const char *text : {"納品書一枚目", "ｶｽﾀﾑ ﾄﾊﾞﾘ", "￥1,980", "～2025/01/31", "見出し"})
        EXPECT_TRUE(pages[0].contains(QString::fromUtf8(text))) << text << " not on page 1:\n" << pages[0].toStdString();
    for (const char *text : {"二枚目の見本", "ﾌﾞﾙｰ", "見出し"})
        EXPECT_TRUE(pages[1].contains(QString::fromUtf8(text))) << text << " not on page 2:\n" << pages[1].toStdString();
    // cleared before the second page
    for (const char *text : {"納品書一枚目", "ｶｽﾀﾑ", "1,980", "2025/01/31"})
        EXPECT_FALSE(pages[1].contains(QString::fromUtf8(text))) << text << " left over on page 2";
}

TEST_F(PdfJob, IsNamedAfterTheJobAndTheClockAndLeavesNoTemporaryFile)
{
    QtFormRenderer r(options());
    start(r);
    onePage(r, QStringLiteral("x"));
    // while the job runs, no document stands under a final name
    EXPECT_EQ(QDir(out).entryList({QStringLiteral("*.pdf")}, QDir::Files), QStringList());
    r.closeForm();
    r.endJob();

    EXPECT_EQ(r.pdfPath(), QDir(out).filePath(QStringLiteral("トバリ伝票出力_20250131_140509.pdf")));
    EXPECT_EQ(filesInOut(), QStringList({QStringLiteral("トバリ伝票出力_20250131_140509.pdf")}));
    QFile pdf(r.pdfPath());
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_EQ(pdf.read(5), QByteArray("%PDF-"));
    EXPECT_TRUE(pdf.permissions() & QFileDevice::ReadOther);
}

TEST_F(PdfJob, JobsInTheSameSecondDoNotOverwriteEachOther)
{
    QtFormRenderer r(options());
    for (int i = 0; i < 3; ++i) {
        start(r);
        onePage(r, QString::number(i));
        r.closeForm();
        r.endJob();
    }
    EXPECT_EQ(r.pdfPath(), QDir(out).filePath(QStringLiteral("トバリ伝票出力_20250131_140509_3.pdf")));
    EXPECT_EQ(filesInOut(), QStringList({QStringLiteral("トバリ伝票出力_20250131_140509.pdf"),
                                         QStringLiteral("トバリ伝票出力_20250131_140509_2.pdf"),
                                         QStringLiteral("トバリ伝票出力_20250131_140509_3.pdf")}));
}

TEST_F(PdfJob, AJobWithoutPagesWritesNothing)
{
    QtFormRenderer r(options());
    start(r);
    r.closeForm();
    r.endJob();
    EXPECT_EQ(r.pdfPath(), QString());
    EXPECT_EQ(filesInOut(), QStringList());
}

TEST_F(PdfJob, AStoppedRunStillDeliversItsPages)
{
    {
        QtFormRenderer r(options());
        start(r);
        onePage(r, QStringLiteral("stamped"));
        // the run stops here: neither closeForm nor endJob
    }
    EXPECT_EQ(filesInOut(), QStringList({QStringLiteral("トバリ伝票出力_20250131_140509.pdf")}));

    QtFormRenderer again(options());
    start(again);
    onePage(again, QStringLiteral("first of the stopped run"));
    again.reset(); // as the next run begins: the open job is finished
    EXPECT_EQ(again.pdfPath(), QDir(out).filePath(QStringLiteral("トバリ伝票出力_20250131_140509_2.pdf")));
    EXPECT_TRUE(QFileInfo::exists(again.pdfPath()));
}

TEST_F(PdfJob, MissingOutputFolderIsCreated)
{
    QtFormRenderer::Options o = options();
    o.pdfFolder = dir.filePath(QStringLiteral("deep/er/out"));
    QtFormRenderer r(o);
    start(r);
    onePage(r, QStringLiteral("x"));
    r.endJob();
    EXPECT_TRUE(QFileInfo::exists(r.pdfPath()));
    EXPECT_TRUE(r.pdfPath().startsWith(o.pdfFolder));
}

TEST_F(PdfJob, WithoutAnOutputFolderThePdfCannotStart)
{
    QtFormRenderer::Options o = options();
    o.pdfFolder.clear();
    QtFormRenderer r(o);
    r.reset();
    const DbError e = thrownBy([&] { r.beginJob(QString(), QStringLiteral("j")); });
    EXPECT_EQ(e.number(), FormErr::OutputAccess);
    EXPECT_FALSE(r.jobOpen());
}

// How the printer name from the settings is resolved.
enum class Goes { ToPdf, ToPrinter, Refused };

struct Resolution {
    const char *name;
    PrinterCatalog catalog;
    QString printer;
    Goes goes;
    QString used = {}; // the printer that gets the pages
};

void PrintTo(const Resolution &c, std::ostream *os)
{
    *os << c.name;
}

class PrinterName : public PdfJob, public testing::WithParamInterface<Resolution> {};

TEST_P(PrinterName, IsResolved)
{
    const Resolution &c = GetParam();
    QtFormRenderer r(options(c.catalog));
    r.reset();
    const DbError e = thrownBy([&] { r.beginJob(c.printer, QStringLiteral("トバリ品揃え表出力")); });
    switch (c.goes) {
    case Goes::ToPdf:
        EXPECT_EQ(e.number(), -1) << e.description().toStdString();
        EXPECT_TRUE(r.printsToPdf());
        EXPECT_EQ(r.printerUsed(), QString());
        break;
    case Goes::ToPrinter:
        // Without a print server Qt cannot open the queue, which is then
        // reported for that printer; with one, the job goes there.
        if (e.number() == -1) {
            EXPECT_FALSE(r.printsToPdf());
            EXPECT_EQ(r.printerUsed(), c.used);
        } else {
            EXPECT_EQ(e.number(), FormErr::PrintFailed);
            EXPECT_TRUE(e.description().contains(QStringLiteral("「%1」").arg(c.used))) << e.description().toStdString();
        }
        break;
    case Goes::Refused:
        EXPECT_EQ(e.number(), FormErr::PrinterNotFound);
        EXPECT_EQ(e.description(),
                  QStringLiteral("プリンタ「%1」が見つかりません。設定画面で印刷先を選び直してください。").arg(c.printer));
        EXPECT_FALSE(r.jobOpen());
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PrinterName,
    testing::Values(
        Resolution{"EmptyNameWithoutPrintersGoesToPdf", noPrinters(), QString(), Goes::ToPdf},
        Resolution{"NamedPrinterWithoutAnyInstalledGoesToPdf", noPrinters(), QStringLiteral("伝票プリンタ"), Goes::ToPdf},
        Resolution{"PdfTargetWithPrintersInstalled", twoPrinters(), pdfTargetName(), Goes::ToPdf},
        Resolution{"PdfTargetWithoutPrinters", noPrinters(), pdfTargetName(), Goes::ToPdf},
        Resolution{"EmptyNameWithoutADefaultGoesToPdf", PrinterCatalog{{QStringLiteral("伝票プリンタ")}, QString()},
                   QString(), Goes::ToPdf},
        Resolution{"EmptyNameUsesTheDefaultPrinter", twoPrinters(), QString(), Goes::ToPrinter,
                   QStringLiteral("A4レーザー")},
        Resolution{"InstalledPrinterIsUsed", twoPrinters(), QStringLiteral("伝票プリンタ"), Goes::ToPrinter,
                   QStringLiteral("伝票プリンタ")},
        Resolution{"UnknownPrinterIsRefused", twoPrinters(), QStringLiteral("昔のプリンタ"), Goes::Refused}),
    [](const testing::TestParamInfo<Resolution> &info) { return std::string(info.param.name); });

TEST(PrinterChoices, ListInstalledPrintersThenThePdfTarget)
{
    EXPECT_EQ(printerChoices(twoPrinters()),
              QStringList({QStringLiteral("伝票プリンタ"), QStringLiteral("A4レーザー"), QStringLiteral("PDF ファイル")}));
    EXPECT_EQ(printerChoices(PrinterCatalog{}), QStringList({QStringLiteral("PDF ファイル")}));
    EXPECT_EQ(pdfTargetName(), QStringLiteral("PDF ファイル"));
}

} // namespace
