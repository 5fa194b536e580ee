// The sample label program for Linux (data/samples/label): a tag data file
// written by a tag run is printed through gLabels into a PDF whose text is
// read back.

#include "support/TempDataFolder.h"
#include "tags/LabelProgramStandIn.h"
#include "tags/clsHudaPrint.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

const QString kSamples = QStringLiteral(TOBARI_SAMPLES_DIR "/label");

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The PDF the adapter writes next to the data file; it takes its name only
// when complete. The application does not wait for the label program, so
// the test does.
bool waitFor(const QString &path)
{
    QDeadlineTimer deadline(180000);
    while (!QFileInfo::exists(path) && !deadline.hasExpired())
        QThread::msleep(100);
    return QFileInfo::exists(path);
}

class LabelAdapter : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("glabels-3-batch")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            GTEST_SKIP() << "glabels-3-batch or pdftotext is not installed: install the Debian packages glabels "
                            "and poppler-utils (scripts/install-deps.sh does)";
        db = &folder.prepare();
        QDir().mkpath(folder.file("LAYOUT"));
        for (const char *layout : {"12.glabels", "1.glabels"})
            ASSERT_TRUE(QFile::copy(kSamples + "/LAYOUT/" + layout, folder.file(QStringLiteral("LAYOUT/") + layout)));
        settings.appFolder = folder.path();
        settings.labelProgram = kSamples + "/tobari-label";
        settings.taxRate = 8;
    }

    TempDataFolder folder;
    Database *db = nullptr;
    TagSettings settings;
};

TEST_F(LabelAdapter, ShortFormPrintsEachTagOfTheCount)
{
    clsHudaPrint print(*db, settings);
    print.setSQL(QStringLiteral("Select '123','ART-1','01','12','\\1980','654321','ﾌﾞﾙｰ','M','123-01-000001',"
                                "'212301000001','10','1001980','紳士','日本',2,501"));
    ASSERT_EQ(print.Nehuda_EX("12", false, 0), clsHudaPrint::Written);
    const QString pdf = folder.file("TAG_CSV/12.pdf");
    ASSERT_TRUE(waitFor(pdf)) << "no PDF from the label program";
    const QString text = pdfText(pdf);
    EXPECT_EQ(text.count(QStringLiteral("¥2138")), 2) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("紳士"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("ﾌﾞﾙｰ M"))) << text.toStdString();
}

TEST_F(LabelAdapter, LongFormPrintsThePbTexts)
{
    clsHudaPrint print(*db, settings);
    print.setSQL(QStringLiteral("Select '123','ART-1','01','12','\\1900','654321','ﾌﾞﾙｰ','M','123-01-000001',"
                                "'212301000001','10','1001900','紳士','日本',1,501,'IT-9','身丈 70cm','綿100%','日本'"));
    ASSERT_EQ(print.Nehuda_EX("1", true, 0), clsHudaPrint::Written);
    const QString pdf = folder.file("TAG_CSV/1.pdf");
    ASSERT_TRUE(waitFor(pdf)) << "no PDF from the label program";
    const QString text = pdfText(pdf);
    for (const QString &expected : {QStringLiteral("¥2052"), QStringLiteral("ART-1 IT-9"), QStringLiteral("身丈 70cm"),
                                    QStringLiteral("綿100%"), QStringLiteral("原産国 日本")})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n" << text.toStdString();
}

} // namespace
