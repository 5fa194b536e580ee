#include "app/ClsFileOP.h"
#include "app/MainCommands.h"
#include "billing/ClosingCancel.h"
#include "app/clsMakeMenu.h"
#include "store/AppFolder.h"
#include "store/Conditions.h"
#include "store/Numbering.h"
#include "support/TempDataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// Records what the menu asks of its screen.
struct FakeHost : MenuHost {
    QString title;
    QStringList names = QStringList(9, QString());
    QStringList comments = QStringList(9, QString());
    QStringList actions;
    void setMenuTitle(const QString &t) override { title = t; }
    void setMenuEntry(int i, const QString &n, const QString &c) override
    {
        names[i] = n;
        comments[i] = c;
    }
    void openScreen(const QString &n) override { actions << "F:" + n; }
    void loadProcedure(const QString &n) override { actions << "S:" + n; }
    void shellOpen(const QString &t) override { actions << "SHELL:" + t; }
};

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        db->execute("CREATE TABLE T_MENU (Menu_No TEXT, Menu_No_IDX INTEGER, Menu_Name TEXT, Menu_Comment TEXT, "
                    "Menu_Ku TEXT, Next_P TEXT)");
        // Rows in no particular order: each goes to its own position.
        db->execute("INSERT INTO T_MENU VALUES ('0',3,'三','c3','S','Cmd3'), ('0',0,'トップ',NULL,'',''),"
                    "('0',1,'一','c1','m','7'), ('0',2,'二',NULL,'F','frm9901_Var'),"
                    "('0',5,'五','','SHELL_APP','doc/a.pdf'), ('0',6,'六','','shell_full','http://example.test/'),"
                    "('0',7,'七','','X','ignored'),"
                    "('7',1,'戻る','','M','0'), ('8',0,'壊れ','','',''), ('8',1,'先','','S','A'), ('8',10,'外','','S','B')");
        menu.setMenuName("T_MENU");
        menu.setHost(&host);
        menu.showMenu("0", db);
    }
    TempDataFolder folder;
    Database *db = nullptr;
    FakeHost host;
    clsMakeMenu menu;
};

TEST_F(MenuTest, RowsGoToTheirPositions)
{
    EXPECT_EQ(host.title, QString::fromUtf16(u"トップ"));
    EXPECT_EQ(host.names[0], QString::fromUtf16(u"一"));
    EXPECT_EQ(host.names[2], QString::fromUtf16(u"三"));
    EXPECT_EQ(host.comments[2], "c3");
    EXPECT_EQ(host.comments[1], "");   // Null comment shows empty
    EXPECT_EQ(host.names[3], "");      // position 4 has no row
}

TEST_F(MenuTest, KindsAndTargets)
{
    menu.MenuSelect("2");
    menu.FunctionKey(114);   // F3
    menu.cmdClick(4);        // entry 5
    menu.MenuSelect("6");
    menu.MenuSelect("7");    // unknown kind does nothing
    EXPECT_EQ(host.actions, (QStringList{"F:frm9901_Var", "S:Cmd3", "SHELL:" + AppFolder::file("doc/a.pdf"),
                                         "SHELL:http://example.test/"}));
}

TEST_F(MenuTest, LowerCaseMOpensTheSubPageAndKeepsTheTitle)
{
    menu.MenuSelect("1");
    EXPECT_EQ(host.names[0], QString::fromUtf16(u"戻る"));
    EXPECT_EQ(host.names[2], "");                        // previous captions cleared
    EXPECT_EQ(host.title, QString::fromUtf16(u"トップ"));  // page 7 has no row 0
    menu.MenuSelect("1");
    EXPECT_EQ(host.names[2], QString::fromUtf16(u"三"));
}

TEST_F(MenuTest, CommandTextThatSelectsNothing)
{
    for (const char *text : {"0", "10", "3.0", "a", "", " 3", "+3", "1234567890", "4"}) {
        SCOPED_TRACE(text);
        menu.MenuSelect(text);
    }
    menu.FunctionKey(115);   // F4: no entry 4
    menu.FunctionKey(121);   // F10 is not a menu key
    EXPECT_TRUE(host.actions.isEmpty()) << host.actions.join(',').toStdString();
}

TEST_F(MenuTest, PositionOutOfRangeStopsFillingWithAnError)
{
    EXPECT_THROW(menu.showMenu("8", nullptr), DbError);
    EXPECT_EQ(host.names[0], QString::fromUtf16(u"先"));   // rows before it stay
}

TEST_F(MenuTest, DefaultMenuReachesEveryCommandAndScreen)
{
    QStringList targets;
    Recordset rs = db->query("SELECT Menu_Ku, Next_P FROM MST_MENU WHERE Menu_No_IDX > 0");
    for (; !rs.eof(); rs.moveNext())
        targets << rs.text(0) + ":" + rs.text(1);
    for (const char *t : {"S:Import_Order", "S:Import_PB", "S:Import_Add", "S:TOBARE_END", "S:SiteOpen",
                          "S:SeikyuKaijyo", "S:DALL_DELL", "S:ChangeData_Out", "S:Jseikyu_out", "F:frm0100_List",
                          "F:frm0101_DenList", "F:frm0110_InjiList", "F:frm0120_SeikyuList", "F:frm0121_Simebi_In",
                          "F:frm0122_CS_Menu", "F:frm0130_DataDel", "F:frm0201_IraiKakunin", "F:frm0210_InjiList",
                          "F:frm9901_Var", "F:frm0001_Option", "F:frm0002_Option_Gyoumu"}) {
        SCOPED_TRACE(t);
        EXPECT_TRUE(targets.contains(QString::fromLatin1(t)));
    }
    // Every sub-page named by an "M" entry exists and leads back.
    Recordset pages = db->query("SELECT DISTINCT Next_P FROM MST_MENU WHERE Menu_Ku='M'");
    for (; !pages.eof(); pages.moveNext())
        EXPECT_GT(db->scalar("SELECT count(*) FROM MST_MENU WHERE Menu_No=?", {pages.text(0)}).toInt(), 0);
}

// ------------------------------------------------------------ commands

struct FakeMain : MainCommandsHost {
    QStringList calls;
    void setBusy(bool b) override { calls << (b ? "busy" : "idle"); }
    void setMainEnabled(bool e) override { calls << (e ? "enabled" : "disabled"); }
    void closeMain() override { calls << "close"; }
    void openExternal(const QString &t) override { calls << "open:" + t; }
};

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override { db = &folder.prepare(); }
    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    FakeMain host;
    MainCommands commands{dialogs, host};
};

TEST_F(CommandsTest, UnknownAndWrongCaseNames)
{
    commands.loadProcedure("siteopen");
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].text, QString::fromUtf16(u"siteopen そんな命令ないです。"));
    EXPECT_EQ(dialogs.shown()[0].title, QString::fromUtf16(u"呼出しエラー"));
    EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Critical);
}

TEST_F(CommandsTest, EndAsksAndClosesOnlyOnOk)
{
    dialogs.answer(MsgResult::Cancel).answer(MsgResult::Ok);
    commands.loadProcedure("TOBARE_END");
    EXPECT_TRUE(host.calls.isEmpty());
    commands.loadProcedure("TOBARE_END");
    EXPECT_EQ(host.calls, QStringList{"close"});
    EXPECT_EQ(dialogs.shown()[0].text, QString::fromUtf16(u"業務を終了しますか？"));
    EXPECT_EQ(dialogs.shown()[0].title, QString::fromUtf16(u"終了確認"));
}

TEST_F(CommandsTest, SiteOpenWithoutAddress)
{
    dialogs.answer(MsgResult::Ok);
    commands.loadProcedure("SiteOpen");
    ASSERT_EQ(dialogs.shown().size(), 2);
    EXPECT_EQ(dialogs.shown()[1].text,
              QString::fromUtf16(u"Web-EDIのアドレスが設定されていません。\nオプション画面でアドレス(URL)を指定してください。"));
    EXPECT_EQ(host.calls, (QStringList{"busy", "idle"}));
}

TEST_F(CommandsTest, CancelClosingClearsBothKeysAndTheScratchTable)
{
    dialogs.answer(MsgResult::Ok);
    EXPECT_EQ(cancelClosing(*db, dialogs), 1);   // nothing under way: warning, no question
    EXPECT_EQ(dialogs.shown().back().text, QString::fromUtf16(u"現在処理中ではありません。"));
    SetJoukenValue(*db, "SHIME_BI_J", "261021");
    db->execute("INSERT INTO TBL_SEM_B(INDEXNOH2) VALUES (1)");
    commands.loadProcedure("SeikyuKaijyo");
    EXPECT_EQ(GetJoukenValue(*db, "SHIME_BI_J"), "");
    EXPECT_EQ(GetJoukenValue(*db, "SHIME_BI_I"), "");
    EXPECT_EQ(db->scalar("SELECT count(*) FROM TBL_SEM_B").toInt(), 0);
    EXPECT_EQ(dialogs.shown().back().text, QString::fromUtf16(u"締日計算処理を解除しました。"));
}

TEST_F(CommandsTest, DeleteAllRestartsNumberingAndKeepsSettingsTables)
{
    GetNextIndex(*db, "H1");
    db->execute("INSERT INTO TBL_RD_H1(INDEXNOH1) VALUES (1)");
    db->execute("INSERT INTO MST_NOUADD(TOK_CD, NOU_CD) VALUES ('1','2')");
    dialogs.answer(MsgResult::Cancel);
    commands.loadProcedure("DALL_DELL");
    EXPECT_EQ(db->scalar("SELECT count(*) FROM TBL_RD_H1").toInt(), 1);
    dialogs.answer(MsgResult::Ok);
    commands.loadProcedure("DALL_DELL");
    EXPECT_EQ(dialogs.shown().back().title, QString::fromUtf16(u"御座る"));
    EXPECT_EQ(db->scalar("SELECT count(*) FROM TBL_RD_H1").toInt(), 0);
    EXPECT_EQ(db->scalar("SELECT count(*) FROM MST_NOUADD").toInt(), 1);
    EXPECT_GT(db->scalar("SELECT count(*) FROM MST_MENU").toInt(), 0);
    EXPECT_EQ(GetNextIndex(*db, "H1"), 1);
}

TEST_F(CommandsTest, DeleteAllIsAllOrNothing)
{
    db->execute("INSERT INTO TBL_RD_H1(INDEXNOH1) VALUES (1)");
    db->execute("DROP TABLE TBL_SEZ_BD");   // a statement near the end fails
    dialogs.answer(MsgResult::Ok);
    EXPECT_THROW(commands.loadProcedure("DALL_DELL"), DbError);
    EXPECT_EQ(db->scalar("SELECT count(*) FROM TBL_RD_H1").toInt(), 1);
    EXPECT_EQ(db->transactionDepth(), 0);
}

TEST_F(CommandsTest, ImportLauncher)
{
    QFile f(folder.file("order.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QStringList imported;
    int result = 1;
    commands.setImports({[&](const QString &p) { imported << p; return result; }, {}, {}});

    // Cancelled dialog: nothing happens.
    dialogs.answerFile(QString());
    commands.loadProcedure("Import_Order");
    EXPECT_TRUE(imported.isEmpty());

    // The import stopped (1): no recycle-bin question.
    dialogs.answerFile(f.fileName());
    commands.loadProcedure("Import_Order");
    EXPECT_EQ(imported.size(), 1);
    EXPECT_EQ(host.calls, (QStringList{"disabled", "enabled"}));
    EXPECT_EQ(dialogs.pending(), 0u);

    // Done (0): the question; Cancel keeps the file.
    result = 0;
    dialogs.answerFile(f.fileName()).answer(MsgResult::Cancel);
    commands.loadProcedure("Import_Order");
    EXPECT_EQ(dialogs.shown().back().text,
              QString::fromUtf16(u"読込みが正常に終了しました。\n対象のファイルをごみ箱に移動しますか？"));
    EXPECT_TRUE(QFileInfo::exists(f.fileName()));
}

TEST_F(CommandsTest, ImportedFileToTheTrashOrAWarningWhereItStays)
{
    qputenv("XDG_DATA_HOME", folder.file("share").toUtf8());
    const QString path = folder.file("order.txt");
    bool removeDuringImport = false;   // nothing left to move
    for (const bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "move fails" : "moved");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        removeDuringImport = fails;
        ScriptedDialogs d;
        MainCommands c{d, host};
        c.setImports({[&](const QString &p) {
                          if (removeDuringImport)
                              QFile::remove(p);
                          return 0;
                      },
                      {},
                      {}});
        d.answerFile(path).answer(MsgResult::Ok);
        c.loadProcedure("Import_Order");
        EXPECT_FALSE(QFileInfo::exists(path));
        if (fails) {
            // The file chooser, the question, the warning.
            ASSERT_EQ(d.shown().size(), 3);
            EXPECT_EQ(d.shown()[2].text, QString::fromUtf16(u"ファイルをごみ箱に移動できませんでした。\n") + path);
            EXPECT_EQ(d.shown()[2].icon, MsgIcon::Warning);
        } else {
            EXPECT_EQ(d.shown().size(), 2) << d.texts().join('|').toStdString();   // chooser and question only
            EXPECT_TRUE(QFileInfo::exists(folder.file("share/Trash/files/order.txt")));
        }
    }
    qunsetenv("XDG_DATA_HOME");
}

TEST_F(CommandsTest, WorkbookCommandsNotYetBuiltSaySo)
{
    commands.loadProcedure("ChangeData_Out");
    commands.loadProcedure("Import_PB");
    ASSERT_EQ(dialogs.shown().size(), 2);
    EXPECT_EQ(dialogs.shown()[0].icon, MsgIcon::Information);
}

} // namespace

namespace {

TEST(FileOperation, CopyReplacesAndDeleteGoesToTheTrash)
{
    TempDataFolder folder;
    // The trash lives under the data home, even one that does not exist yet.
    qputenv("XDG_DATA_HOME", folder.file("share").toUtf8());
    QFile src(folder.file("a.txt"));
    ASSERT_TRUE(src.open(QIODevice::WriteOnly));
    src.write("new");
    src.close();
    QFile old(folder.file("b.txt"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();

    ClsFileOP op;
    op.fromFile = src.fileName();
    op.toFile = old.fileName();
    EXPECT_TRUE(op.Copy());
    QFile b(old.fileName());
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    EXPECT_EQ(b.readAll(), QByteArray("new"));

    EXPECT_TRUE(op.Delete(false, true, true));
    EXPECT_FALSE(QFileInfo::exists(src.fileName()));
    EXPECT_TRUE(QFileInfo::exists(folder.file("share/Trash/files/a.txt")));
    EXPECT_FALSE(op.Delete());   // already gone
}

} // namespace
