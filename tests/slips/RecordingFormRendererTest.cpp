// The checks every renderer shares, seen through the recording renderer
// that tests of the print operations use.
#include "FormTestSupport.h"

#include "support/RecordingFormRenderer.h"

#include <QTemporaryDir>

namespace {

class RecordingRenderer : public testing::Test {
protected:
    void SetUp() override
    {
        path = dir.filePath(QStringLiteral("TEST.crf"));
        writeFile(path, smallFormJson());
    }

    // Operations 1 to 4, as every print run starts.
    void start()
    {
        r.reset();
        r.beginJob(QStringLiteral("伝票プリンタ"), QStringLiteral("トバリ伝票出力"));
        r.openForm(path);
        r.attachForm();
    }

    void set(const char *field, const QString &value) { r.setValue(r.findField(QString::fromLatin1(field)), value); }

    QTemporaryDir dir;
    QString path;
    RecordingFormRenderer r;
};

TEST_F(RecordingRenderer, RecordsEachPageAsFilledAndEveryCallInOrder)
{
    start();
    r.clearForm();
    set("TITLE", QStringLiteral("納品書"));
    r.setDecoration(r.findField(QStringLiteral("SUU1")), 6);
    r.setListCell(r.findField(QStringLiteral("ITEMS")), 2, 3, QStringLiteral("ｶｽﾀﾑ"));
    r.printPage();
    r.clearForm();
    set("KANA", QStringLiteral("ｼﾌﾞﾔﾃﾝ"));
    r.printPage();
    r.closeForm();
    r.endJob();

    EXPECT_EQ(r.calls(), QStringList({
                             QStringLiteral("reset"),
                             QStringLiteral("beginJob(伝票プリンタ, トバリ伝票出力)"),
                             QStringLiteral("openForm(%1)").arg(path),
                             QStringLiteral("attachForm"),
                             QStringLiteral("clearForm"),
                             QStringLiteral("findField(TITLE)"),
                             QStringLiteral("setValue(TITLE, 納品書)"),
                             QStringLiteral("findField(SUU1)"),
                             QStringLiteral("setDecoration(SUU1, 6)"),
                             QStringLiteral("findField(ITEMS)"),
                             QStringLiteral("setListCell(ITEMS, 2, 3, ｶｽﾀﾑ)"),
                             QStringLiteral("printPage"),
                             QStringLiteral("clearForm"),
                             QStringLiteral("findField(KANA)"),
                             QStringLiteral("setValue(KANA, ｼﾌﾞﾔﾃﾝ)"),
                             QStringLiteral("printPage"),
                             QStringLiteral("closeForm"),
                             QStringLiteral("endJob"),
                         }));

    ASSERT_EQ(r.jobs().size(), 1u);
    EXPECT_TRUE(r.jobs()[0].ended);
    const std::vector<RecordedPage> pages = r.pages();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].jobName, QStringLiteral("トバリ伝票出力"));
    EXPECT_EQ(pages[0].printerName, QStringLiteral("伝票プリンタ"));
    EXPECT_EQ(pages[0].value(QStringLiteral("TITLE")), QStringLiteral("納品書"));
    EXPECT_EQ(pages[0].decoration(QStringLiteral("SUU1")), 6);
    EXPECT_EQ(pages[0].cell(QStringLiteral("ITEMS"), 2, 3), QStringLiteral("ｶｽﾀﾑ"));
    EXPECT_EQ(pages[0].cell(QStringLiteral("ITEMS"), 0, 0), QString());
    EXPECT_EQ(pages[0].setFields(), QStringList({"TITLE", "SUU1", "ITEMS"}));
    // The clear before the second page blanks everything the first one had.
    EXPECT_EQ(pages[1].setFields(), QStringList({"KANA"}));
    EXPECT_EQ(pages[1].value(QStringLiteral("TITLE")), QString());
    EXPECT_EQ(pages[1].decoration(QStringLiteral("SUU1")), 0);
    EXPECT_EQ(pages[1].cell(QStringLiteral("ITEMS"), 2, 3), QString());
}

TEST_F(RecordingRenderer, ValuesStayUntilClearedAndAnEmptyValueCountsAsSet)
{
    start();
    r.clearForm();
    set("TITLE", QStringLiteral("一"));
    set("KANA", QString());
    r.printPage();
    r.printPage(); // no clear: the same values again
    const auto pages = r.pages();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[1].value(QStringLiteral("TITLE")), QStringLiteral("一"));
    EXPECT_TRUE(pages[0].isSet(QStringLiteral("KANA")));
    EXPECT_FALSE(pages[0].isSet(QStringLiteral("AMOUNT")));
}

TEST_F(RecordingRenderer, UnknownFieldNamesTheFieldAndTheForm)
{
    start();
    const DbError e = thrownBy([&] { r.findField(QStringLiteral("HINMEI1_7")); });
    EXPECT_EQ(e.number(), FormErr::FieldNotFound);
    EXPECT_EQ(e.description(), QStringLiteral("帳票「TEST.crf」に項目「HINMEI1_7」がありません。"));
}

TEST_F(RecordingRenderer, FieldKindsAreKeptApart)
{
    start();
    const DbError plainOnList = thrownBy([&] { set("ITEMS", QStringLiteral("x")); });
    EXPECT_EQ(plainOnList.number(), FormErr::WrongFieldKind);
    EXPECT_TRUE(plainOnList.description().contains(QStringLiteral("ITEMS")));

    const DbError cellOnPlain = thrownBy([&] { r.setListCell(r.findField(QStringLiteral("KANA")), 0, 0, QStringLiteral("x")); });
    EXPECT_EQ(cellOnPlain.number(), FormErr::WrongFieldKind);
    EXPECT_TRUE(cellOnPlain.description().contains(QStringLiteral("KANA")));
}

struct Cell {
    const char *name;
    int column;
    int row;
    bool inside;
};

void PrintTo(const Cell &c, std::ostream *os)
{
    *os << c.name;
}

class ListCells : public RecordingRenderer, public testing::WithParamInterface<Cell> {};

TEST_P(ListCells, AreAddressedByColumnAndRowFromZero)
{
    const Cell c = GetParam();
    start();
    r.clearForm();
    const auto items = r.findField(QStringLiteral("ITEMS"));
    if (c.inside) {
        r.setListCell(items, c.column, c.row, QStringLiteral("v"));
        r.printPage();
        const RecordedPage page = r.pages().at(0);
        EXPECT_EQ(page.cell(QStringLiteral("ITEMS"), c.column, c.row), QStringLiteral("v"));
        // no other cell was touched
        int filled = 0;
        for (int col = 0; col < 3; ++col)
            for (int row = 0; row < 4; ++row)
                filled += page.cell(QStringLiteral("ITEMS"), col, row).isEmpty() ? 0 : 1;
        EXPECT_EQ(filled, 1);
    } else {
        const DbError e = thrownBy([&] { r.setListCell(items, c.column, c.row, QStringLiteral("v")); });
        EXPECT_EQ(e.number(), FormErr::CellOutOfRange);
        EXPECT_TRUE(e.description().contains(QStringLiteral("3 列 × 4 行"))) << e.description().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ListCells,
                         testing::Values(Cell{"FirstCell", 0, 0, true}, Cell{"LastCell", 2, 3, true},
                                         Cell{"LastColumnFirstRow", 2, 0, true},
                                         Cell{"ColumnPastTheEnd", 3, 0, false},
                                         Cell{"RowPastTheEnd", 0, 4, false},
                                         Cell{"NegativeColumn", -1, 0, false},
                                         Cell{"NegativeRow", 0, -1, false}),
                         [](const testing::TestParamInfo<Cell> &info) { return std::string(info.param.name); });

TEST_F(RecordingRenderer, OnlyDecorationsZeroAndSixAreAccepted)
{
    start();
    const auto suu = r.findField(QStringLiteral("SUU1"));
    r.setDecoration(suu, 6);
    r.setDecoration(suu, 0);
    const DbError e = thrownBy([&] { r.setDecoration(suu, 3); });
    EXPECT_EQ(e.number(), FormErr::BadDecoration);
    EXPECT_TRUE(e.description().contains(QStringLiteral("SUU1")));
}

// Calls out of order are faults of the caller and must not pass silently.
struct Misuse {
    const char *name;
    std::function<void(RecordingFormRenderer &, const QString &)> action;
};

void PrintTo(const Misuse &c, std::ostream *os)
{
    *os << c.name;
}

class OutOfOrder : public RecordingRenderer, public testing::WithParamInterface<Misuse> {};

TEST_P(OutOfOrder, IsRefused)
{
    const DbError e = thrownBy([&] { GetParam().action(r, path); });
    EXPECT_EQ(e.number(), FormErr::OutOfOrder) << e.description().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutOfOrder,
    testing::Values(
        Misuse{"PrintWithoutJob", [](RecordingFormRenderer &r, const QString &p) { r.openForm(p); r.printPage(); }},
        Misuse{"PrintWithoutAttach",
               [](RecordingFormRenderer &r, const QString &p) {
                   r.beginJob(QString(), QStringLiteral("j"));
                   r.openForm(p);
                   r.printPage();
               }},
        Misuse{"AttachWithoutJob", [](RecordingFormRenderer &r, const QString &p) { r.openForm(p); r.attachForm(); }},
        Misuse{"AttachWithoutForm", [](RecordingFormRenderer &r, const QString &) { r.beginJob(QString(), QStringLiteral("j")); r.attachForm(); }},
        Misuse{"FindBeforeOpen", [](RecordingFormRenderer &r, const QString &) { r.findField(QStringLiteral("TITLE")); }},
        Misuse{"ClearBeforeOpen", [](RecordingFormRenderer &r, const QString &) { r.clearForm(); }},
        Misuse{"OpenTwice", [](RecordingFormRenderer &r, const QString &p) { r.openForm(p); r.openForm(p); }},
        Misuse{"BeginTwice",
               [](RecordingFormRenderer &r, const QString &) {
                   r.beginJob(QString(), QStringLiteral("a"));
                   r.beginJob(QString(), QStringLiteral("b"));
               }},
        Misuse{"EndWithoutJob", [](RecordingFormRenderer &r, const QString &) { r.endJob(); }},
        Misuse{"CloseWithoutForm", [](RecordingFormRenderer &r, const QString &) { r.closeForm(); }},
        Misuse{"FieldOfAClosedForm",
               [](RecordingFormRenderer &r, const QString &p) {
                   r.openForm(p);
                   const auto f = r.findField(QStringLiteral("TITLE"));
                   r.closeForm();
                   r.openForm(p);
                   r.setValue(f, QStringLiteral("x"));
               }}),
    [](const testing::TestParamInfo<Misuse> &info) { return std::string(info.param.name); });

TEST_F(RecordingRenderer, ResetAfterAStoppedRunDeliversItsPagesAndStartsAfresh)
{
    // A stopped run leaves without closeForm and endJob.
    start();
    r.clearForm();
    set("TITLE", QStringLiteral("一枚目"));
    r.printPage();

    start();
    r.clearForm();
    r.printPage();
    r.closeForm();
    r.endJob();

    ASSERT_EQ(r.jobs().size(), 2u);
    EXPECT_FALSE(r.jobs()[0].ended);
    EXPECT_EQ(r.jobs()[0].pages.size(), 1u);
    EXPECT_TRUE(r.jobs()[1].ended);
    EXPECT_EQ(r.jobs()[1].pages.size(), 1u);
}

TEST_F(RecordingRenderer, MissingFormFileIsReportedByOpenForm)
{
    r.reset();
    r.beginJob(QString(), QStringLiteral("j"));
    const DbError e = thrownBy([&] { r.openForm(dir.filePath(QStringLiteral("COR/AS.crf"))); });
    EXPECT_EQ(e.number(), FormErr::FormFileNotFound);
}

TEST_F(RecordingRenderer, AGivenDefinitionServesWhateverPathIsOpened)
{
    RecordingFormRenderer fixed(FormDefinition::parse(smallFormJson(), QStringLiteral("TA2.crf")));
    fixed.reset();
    fixed.beginJob(QString(), QStringLiteral("j"));
    fixed.openForm(QStringLiteral("/nowhere/COR/TA2.crf"));
    fixed.attachForm();
    const DbError e = thrownBy([&] { fixed.findField(QStringLiteral("NOPE")); });
    EXPECT_EQ(e.description(), QStringLiteral("帳票「TA2.crf」に項目「NOPE」がありません。"));
    EXPECT_EQ(fixed.calls().at(2), QStringLiteral("openForm(/nowhere/COR/TA2.crf)"));
}

TEST_F(RecordingRenderer, InjectedFailureHitsTheChosenCallOnly)
{
    r.failOn(FormOp::PrintPage, 2, DbError(FormErr::PrintFailed, QStringLiteral("用紙切れ")));
    start();
    r.clearForm();
    r.printPage();
    const DbError e = thrownBy([&] { r.printPage(); });
    EXPECT_EQ(e.number(), FormErr::PrintFailed);
    EXPECT_EQ(e.description(), QStringLiteral("用紙切れ"));
    EXPECT_EQ(r.pages().size(), 1u); // the failed page was not printed
    r.printPage();
    EXPECT_EQ(r.pages().size(), 2u);
}

TEST_F(RecordingRenderer, OperationsListTheCallingOrder)
{
    start();
    r.closeForm();
    r.endJob();
    EXPECT_EQ(r.operations(), (std::vector<FormOp>{FormOp::Reset, FormOp::BeginJob, FormOp::OpenForm,
                                                   FormOp::AttachForm, FormOp::CloseForm, FormOp::EndJob}));
}

} // namespace
