// The two settings screens and the start-up check of the settings files.

#include "app/AppStart.h"
#include "app/Screens.h"
#include "store/Settings.h"
#include "store/clsIniFile.h"
#include "app/frm0001_Option.h"
#include "app/frm0002_Option_Gyoumu.h"
#include "support/TempDataFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QString iniValue(const QString &file, const char *section, const char *key)
{
    clsIniFile ini;
    ini.setFileName(file);
    ini.setSection(QString::fromLatin1(section));
    return ini.GetString(QString::fromLatin1(key), QStringLiteral("<missing>"));
}

class SettingsScreens : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", folder.path().toUtf8()); }
    TempDataFolder folder;
    ScriptedDialogs dialogs;
};

TEST_F(SettingsScreens, ApplicationSettingsFirstStartAndSave)
{
    frm0001_Option screen(dialogs);
    EXPECT_EQ(screen.txtRd_Path->text(), Settings::desktopFolder());
    EXPECT_EQ(screen.txtWr_Path->text(), Settings::desktopFolder());
    EXPECT_EQ(screen.txtWr_Name->text(), "SeikyuDat");
    EXPECT_EQ(screen.txtEDIURL->text(), "http://");
    EXPECT_EQ(screen.xdrpPr_Den->currentIndex(), -1);

    screen.txtRd_Path->setText(QStringLiteral("/home/運用/受信"));
    dialogs.answer(MsgResult::Cancel).answer(MsgResult::Ok);
    EXPECT_FALSE(screen.save());
    EXPECT_FALSE(QFileInfo::exists(folder.file("Conf.ini")));
    // Enter in a text box saves, after the question.
    screen.show();
    screen.txtWr_Name->setFocus();
    QTest::keyClick(screen.txtWr_Name, Qt::Key_Return);
    EXPECT_EQ(screen.result(), QDialog::Accepted);
    EXPECT_EQ(dialogs.shown().back().text, QStringLiteral("設定を保存します。　宜しいですか？"));
    const QString conf = folder.file("Conf.ini");
    EXPECT_EQ(iniValue(conf, "IpOpFile", "Read_Path"), QStringLiteral("/home/運用/受信"));
    EXPECT_EQ(iniValue(conf, "IpOpFile", "Write_File_Name"), "SeikyuDat");
    EXPECT_EQ(iniValue(conf, "Environment", "Web-EDI URL"), "http://");
    // Empty printer names are saved as present keys.
    clsIniFile ini;
    ini.setFileName(conf);
    ini.setSection("Print_Env");
    QStringList lines;
    EXPECT_EQ(ini.EnumSectionString(lines), 2);
}

TEST_F(SettingsScreens, FolderChosenThenCancelLeavesTheFileAlone)
{
    Settings::write(SettingKey::ReadPath, "/old");
    frm0001_Option screen(dialogs);
    dialogs.answerFolder("/new/folder");
    QTest::mouseClick(screen.findChild<QWidget *>("cmdDirSel_RD1"), Qt::LeftButton);
    EXPECT_EQ(screen.txtRd_Path->text(), "/new/folder");
    EXPECT_EQ(dialogs.shown().back().title, QStringLiteral("読込みフォルダ指定"));
    screen.reject();
    EXPECT_EQ(Settings::readText(SettingKey::ReadPath), "/old");
}

struct RangeCase {
    const char *text;
    bool accepted;
};

TEST_F(SettingsScreens, BusinessSettingsRetentionChecks)
{
    const RangeCase cases[] = {{"0", false}, {"25", false}, {"abc", false}, {"", false},
                               {"1", true},  {"24", true},  {"1.5", true}};
    for (const RangeCase &c : cases) {
        SCOPED_TRACE(c.text);
        ScriptedDialogs d;
        frm0002_Option_Gyoumu screen(d);
        screen.txtSeHK->setText(QString::fromLatin1(c.text));
        if (c.accepted)
            d.answer(MsgResult::Cancel);
        EXPECT_FALSE(screen.save());
        ASSERT_EQ(d.shown().size(), 1);
        EXPECT_EQ(d.shown()[0].text, c.accepted ? QStringLiteral("設定を保存します。　宜しいですか？")
                                                : QStringLiteral("保存条件の値が数値として認識できないか、範囲を超えた値です。"));
    }
}

TEST_F(SettingsScreens, BusinessSettingsFirstStartDefaultsAndSave)
{
    frm0002_Option_Gyoumu screen(dialogs);
    EXPECT_EQ(screen.xtxtTriCD->text(), "");
    EXPECT_EQ(screen.xtxtShime_Bi->text(), "20");
    EXPECT_EQ(screen.xtxtZei->text(), "5");
    EXPECT_EQ(screen.txtHaHK->text(), "3");
    EXPECT_EQ(screen.txtSeHK->text(), "6");
    EXPECT_EQ(screen.txtPBHK->text(), "2");
    screen.txtHaHK->setText("12");
    dialogs.answer(MsgResult::Ok);
    screen.resetRetention();
    EXPECT_EQ(screen.txtHaHK->text(), "3");
    screen.xtxtTriCD->setText(QStringLiteral("012345"));
    dialogs.answer(MsgResult::Ok);
    EXPECT_TRUE(screen.save());
    EXPECT_EQ(iniValue(folder.file("Gyoum.ini"), "GYOUMU_SETTEI", "TORIHIKISAKI_CD"), QStringLiteral("012345"));
    EXPECT_EQ(iniValue(folder.file("Gyoum.ini"), "GYOUMU_SETTEI", "PBDATA_SAVE"), "2");
}

// Partner code, closing day and tax rate: a wrong value is refused with its
// own message and nothing is written; right values are saved as numbers.
struct BusinessValueCase {
    const char *name;
    const char *partner;
    const char *closingDay;
    const char *taxRate;
    const char *refusal;   // "" when saved
    const char *savedPartner;
    const char *savedClosingDay;
    const char *savedTaxRate;
};

class BusinessValues : public SettingsScreens, public ::testing::WithParamInterface<BusinessValueCase> {};

TEST_P(BusinessValues, CheckedBeforeTheQuestion)
{
    const BusinessValueCase &c = GetParam();
    frm0002_Option_Gyoumu screen(dialogs);
    screen.xtxtTriCD->setText(QString::fromUtf8(c.partner));
    screen.xtxtShime_Bi->setText(QString::fromUtf8(c.closingDay));
    screen.xtxtZei->setText(QString::fromUtf8(c.taxRate));
    const bool refused = *c.refusal != '\0';
    if (!refused)
        dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(screen.save(), !refused);
    ASSERT_EQ(dialogs.shown().size(), 1);
    const QString gyoum = folder.file("Gyoum.ini");
    if (refused) {
        EXPECT_EQ(dialogs.shown()[0].text, QString::fromUtf8(c.refusal));
        EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Critical);
        EXPECT_FALSE(QFileInfo::exists(gyoum));
        return;
    }
    EXPECT_EQ(iniValue(gyoum, "GYOUMU_SETTEI", "TORIHIKISAKI_CD"), QString::fromUtf8(c.savedPartner));
    EXPECT_EQ(iniValue(gyoum, "GYOUMU_SETTEI", "SHIME_BI"), QString::fromUtf8(c.savedClosingDay));
    EXPECT_EQ(iniValue(gyoum, "GYOUMU_SETTEI", "ZEIRITSU"), QString::fromUtf8(c.savedTaxRate));
}

constexpr const char *PARTNER_REFUSED = "取引先CDは 6 桁以内の数字で入力してください。";
constexpr const char *CLOSING_REFUSED = "締日は 1 から 31 の整数で入力してください。";
constexpr const char *TAX_REFUSED = "消費税率は 0 から 99 の整数で入力してください。";

INSTANTIATE_TEST_SUITE_P(
    Cases, BusinessValues,
    ::testing::Values(
        BusinessValueCase{"partner_letters", "ABC12", "20", "10", PARTNER_REFUSED, "", "", ""},
        BusinessValueCase{"partner_seven_digits", "1234567", "20", "10", PARTNER_REFUSED, "", "", ""},
        BusinessValueCase{"closing_day_letters", "123456", "xx40", "10", CLOSING_REFUSED, "", "", ""},
        BusinessValueCase{"closing_day_zero", "123456", "0", "10", CLOSING_REFUSED, "", "", ""},
        BusinessValueCase{"closing_day_32", "123456", "32", "10", CLOSING_REFUSED, "", "", ""},
        BusinessValueCase{"closing_day_decimal", "123456", "20.5", "10", CLOSING_REFUSED, "", "", ""},
        BusinessValueCase{"closing_day_empty", "123456", "", "10", CLOSING_REFUSED, "", "", ""},
        BusinessValueCase{"tax_word", "123456", "20", "ten", TAX_REFUSED, "", "", ""},
        BusinessValueCase{"tax_100", "123456", "20", "100", TAX_REFUSED, "", "", ""},
        BusinessValueCase{"tax_negative", "123456", "20", "-8", TAX_REFUSED, "", "", ""},
        BusinessValueCase{"tax_decimal", "123456", "20", "8.5", TAX_REFUSED, "", "", ""},
        BusinessValueCase{"lowest_values", "0", "1", "0", "", "0", "1", "0"},
        BusinessValueCase{"highest_values", "999999", "31", "99", "", "999999", "31", "99"},
        BusinessValueCase{"full_width_and_blanks", " ０１２３ ", "０５", " 10 ", "", "0123", "5", "10"}),
    [](const auto &info) { return std::string(info.param.name); });

// ------------------------------------------------------------ start-up

struct StartCase {
    const char *name;
    bool confExists;
    bool gyoumExists;
    bool saveConf;    // what the operator does on the screen that opens
    bool saveGyoum;
    int messages;     // boxes shown, the final error included
    bool starts;
};

class StartUp : public ::testing::TestWithParam<StartCase> {};

TEST_P(StartUp, SettingsFiles)
{
    const StartCase &c = GetParam();
    TempDataFolder folder;
    qputenv("XDG_CONFIG_HOME", folder.path().toUtf8());
    registerScreens();
    if (c.confExists)
        Settings::write(SettingKey::WebEdiUrl, "http://edi.example/");
    if (c.gyoumExists)
        Settings::write(SettingKey::ShimeBi, "20");
    ScriptedDialogs dialogs;
    QList<bool> plan;
    if (!c.confExists)
        plan << c.saveConf;
    if (!c.gyoumExists)
        plan << c.saveGyoum;
    for (bool save : plan)
        if (save)
            dialogs.answer(MsgResult::Ok);
    // Answer each settings screen as it opens modally.
    std::function<void()> answerScreen = [&] {
        if (auto *w = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            const bool save = plan.takeFirst();
            if (save)
                QMetaObject::invokeMethod(w, "save");
            else
                w->reject();
        }
        if (!plan.isEmpty())
            QTimer::singleShot(0, answerScreen);
    };
    if (!plan.isEmpty())
        QTimer::singleShot(0, answerScreen);

    EXPECT_EQ(checkSettingsFiles(dialogs), c.starts);
    EXPECT_EQ(dialogs.shown().size(), c.messages) << dialogs.texts().join(" | ").toStdString();
    if (!c.starts)
        EXPECT_EQ(dialogs.shown().back().icon, MsgIcon::Critical);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, StartUp,
    ::testing::Values(StartCase{"both_present", true, true, false, false, 0, true},
                      StartCase{"conf_missing_saved", false, true, true, false, 2, true},
                      StartCase{"conf_missing_cancelled", false, true, false, false, 2, false},
                      StartCase{"gyoum_missing_saved", true, false, false, true, 2, true},
                      StartCase{"both_missing_saved", false, false, true, true, 4, true},
                      StartCase{"both_missing_cancelled", false, false, false, false, 3, false}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
