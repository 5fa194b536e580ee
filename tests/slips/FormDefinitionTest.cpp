#include "FormTestSupport.h"

#include "slips/FormDefinition.h"
#include "slips/FormRenderer.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

TEST(FormDefinition, ReadsPageFieldsAndFrame)
{
    const FormDefinition form = FormDefinition::parse(smallFormJson(), QStringLiteral("TEST.crf"));

    EXPECT_EQ(form.name, QStringLiteral("TEST.crf"));
    EXPECT_EQ(form.title, QStringLiteral("試験帳票"));
    EXPECT_EQ(form.pageSize, QSizeF(148, 105));
    EXPECT_TRUE(form.landscape);
    ASSERT_EQ(form.fields.size(), 5u);

    const FormField &title = form.fields[static_cast<size_t>(form.indexOf(QStringLiteral("TITLE")))];
    EXPECT_EQ(title.kind, FormFieldKind::Plain);
    EXPECT_EQ(title.box, QRectF(10, 8, 120, 8));
    EXPECT_EQ(title.style.family, QStringLiteral("IPAゴシック")); // from the form's default font
    EXPECT_EQ(title.style.size, 14.0);                           // the field's own size wins

    const FormField &suu = form.fields[static_cast<size_t>(form.indexOf(QStringLiteral("SUU1")))];
    EXPECT_EQ(suu.style.align, FormAlign::Right);
    EXPECT_EQ(suu.style.pitch, 2.5);

    const FormField &items = form.fields[static_cast<size_t>(form.indexOf(QStringLiteral("ITEMS")))];
    EXPECT_EQ(items.kind, FormFieldKind::List);
    EXPECT_EQ(items.columns, 3);
    EXPECT_EQ(items.rows, 4);
    EXPECT_EQ(items.cellBox(0, 0), QRectF(10, 45, 30, 6));
    EXPECT_EQ(items.cellBox(2, 3), QRectF(90, 69, 30, 6));

    EXPECT_EQ(form.indexOf(QStringLiteral("items")), -1); // names are case sensitive
    EXPECT_EQ(form.frameColor, QStringLiteral("#204080"));
    ASSERT_EQ(form.frameLines.size(), 1u);
    EXPECT_EQ(form.frameLines[0].style, FormLineStyle::Dotted);
    ASSERT_EQ(form.frameBoxes.size(), 1u);
    EXPECT_EQ(form.frameBoxes[0].fill, QStringLiteral("#eeeeff"));
    ASSERT_EQ(form.frameTexts.size(), 1u);
    EXPECT_EQ(form.frameTexts[0].text, QStringLiteral("見出し"));
    EXPECT_EQ(form.frameTexts[0].style.align, FormAlign::Center); // captions centre unless told
}

TEST(FormDefinition, ColumnLayoutPlacesEachColumnOnItsOwn)
{
    const QByteArray json = R"({"format": "tobari-form", "version": 1,
      "page": {"width": 50, "height": 100},
      "fields": [{"name": "L", "kind": "list", "box": [10, 10, 5, 4], "columns": 2, "rows": 3, "rowPitch": 5,
                  "align": "left",
                  "columnLayout": [{"x": 0, "width": 20}, {"x": 25, "width": 8, "align": "right"}]}]})";
    const FormDefinition form = FormDefinition::parse(json, QStringLiteral("L.crf"));
    const FormField &f = form.fields[0];
    EXPECT_EQ(f.cellBox(0, 0), QRectF(10, 10, 20, 4));
    EXPECT_EQ(f.cellBox(1, 2), QRectF(35, 20, 8, 4));
    EXPECT_EQ(f.cellAlign(0), FormAlign::Left);
    EXPECT_EQ(f.cellAlign(1), FormAlign::Right);
    EXPECT_FALSE(form.landscape); // taller than wide without an orientation
}

// A malformed form file names the file and the place of the fault.
struct BadForm {
    const char *name;
    QByteArray json;
    QStringList mentions; // parts the description must hold
};

void PrintTo(const BadForm &c, std::ostream *os)
{
    *os << c.name;
}

class FormDefinitionRejects : public testing::TestWithParam<BadForm> {};

TEST_P(FormDefinitionRejects, WithANumberedJapaneseDescription)
{
    const BadForm &c = GetParam();
    const DbError e = thrownBy([&] { FormDefinition::parse(c.json, QStringLiteral("BAD.crf")); });
    EXPECT_EQ(e.number(), FormErr::FormFileInvalid);
    EXPECT_TRUE(e.description().contains(QStringLiteral("BAD.crf"))) << e.description().toStdString();
    for (const QString &m : c.mentions)
        EXPECT_TRUE(e.description().contains(m)) << "missing \"" << m.toStdString() << "\" in "
                                                 << e.description().toStdString();
}

const QByteArray kHead = R"({"format": "tobari-form", "version": 1, "page": {"width": 100, "height": 50}, )";

INSTANTIATE_TEST_SUITE_P(
    Cases, FormDefinitionRejects,
    testing::Values(
        BadForm{"BrokenJson", "{\"format\": \"tobari-form\",\n  \"version\": 1,\n  \"page\": {\"width\": 10 \"height\": 5}}",
                {QStringLiteral("を読めません: 3 行")}},
        BadForm{"TruncatedJson", kHead + R"("fields": [)", {QStringLiteral("閉じ括弧がありません")}},
        BadForm{"NotAFormFile", R"({"fields": []})", {QStringLiteral("帳票定義ではありません")}},
        BadForm{"NewerVersion", R"({"format": "tobari-form", "version": 2, "page": {"width": 1, "height": 1}, "fields": []})",
                {QStringLiteral("version 2")}},
        BadForm{"FieldWithoutBox", kHead + R"("fields": [{"name": "HATTYUU_NO"}]})",
                {QStringLiteral("HATTYUU_NO"), QStringLiteral("「box」がありません")}},
        BadForm{"FieldWithoutName", kHead + R"("fields": [{"box": [1, 1, 5, 5]}]})",
                {QStringLiteral("fields の 1 番目"), QStringLiteral("「name」がありません")}},
        BadForm{"MisspeltKey", kHead + R"("fields": [{"name": "A", "box": [1, 1, 5, 5], "allign": "left"}]})",
                {QStringLiteral("「allign」")}},
        BadForm{"UnknownAlignment", kHead + R"("fields": [{"name": "A", "box": [1, 1, 5, 5], "align": "middle"}]})",
                {QStringLiteral("項目「A」"), QStringLiteral("left、center、right")}},
        BadForm{"BoxOfThreeNumbers", kHead + R"("fields": [{"name": "A", "box": [1, 1, 5]}]})",
                {QStringLiteral("[x, y, 幅, 高さ]")}},
        BadForm{"DuplicateField", kHead + R"("fields": [{"name": "A", "box": [1, 1, 5, 5]}, {"name": "A", "box": [1, 9, 5, 5]}]})",
                {QStringLiteral("項目「A」が 2 つあります")}},
        BadForm{"FieldOffThePage", kHead + R"("fields": [{"name": "A", "box": [90, 1, 20, 5]}]})",
                {QStringLiteral("項目「A」"), QStringLiteral("はみ出しています")}},
        BadForm{"ListRowsOffThePage", kHead + R"("fields": [{"name": "L", "kind": "list", "box": [1, 1, 5, 5], "columns": 1, "rows": 20, "rowPitch": 5}]})",
                {QStringLiteral("項目「L」"), QStringLiteral("最終行")}},
        BadForm{"ListWithoutRowPitch", kHead + R"("fields": [{"name": "L", "kind": "list", "box": [1, 1, 5, 5], "columns": 1, "rows": 3}]})",
                {QStringLiteral("「rowPitch」がありません")}},
        BadForm{"LayoutOfWrongLength", kHead + R"("fields": [{"name": "L", "kind": "list", "box": [1, 1, 5, 5], "columns": 2, "rows": 1, "columnLayout": [{"x": 0, "width": 5}]}]})",
                {QStringLiteral("columns 2")}},
        BadForm{"ListKeyOnPlainField", kHead + R"("fields": [{"name": "A", "box": [1, 1, 5, 5], "rows": 3}]})",
                {QStringLiteral("一覧項目")}},
        BadForm{"OrientationAgainstSize", R"({"format": "tobari-form", "version": 1, "page": {"width": 100, "height": 50, "orientation": "portrait"}, "fields": []})",
                {QStringLiteral("portrait")}},
        BadForm{"BadFrameColour", kHead + R"("fields": [], "frame": {"color": "greenish"}})", {QStringLiteral("greenish")}}),
    [](const testing::TestParamInfo<BadForm> &info) { return std::string(info.param.name); });

class FormFile : public testing::Test {
protected:
    QTemporaryDir dir;
};

TEST_F(FormFile, LoadsFromDiskAndIsNamedAfterTheFile)
{
    const QString path = dir.filePath(QStringLiteral("TA9.crf"));
    writeFile(path, smallFormJson());
    const FormDefinition form = FormDefinition::load(path);
    EXPECT_EQ(form.name, QStringLiteral("TA9.crf"));
    EXPECT_EQ(form.fields.size(), 5u);
}

TEST_F(FormFile, AcceptsInstallationStyleSeparators)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("COR")));
    writeFile(dir.filePath(QStringLiteral("COR/TA9.crf")), smallFormJson());
    const FormDefinition form = FormDefinition::load(dir.path() + QStringLiteral("\\COR\\TA9.crf"));
    EXPECT_EQ(form.name, QStringLiteral("TA9.crf"));
}

TEST_F(FormFile, MissingFileIsFileNotFoundWithItsPath)
{
    const QString path = dir.filePath(QStringLiteral("COR/AS.crf"));
    const DbError e = thrownBy([&] { FormDefinition::load(path); });
    EXPECT_EQ(e.number(), FormErr::FormFileNotFound);
    EXPECT_TRUE(e.description().contains(path)) << e.description().toStdString();
}

TEST_F(FormFile, BrokenFileOnDiskNamesTheFile)
{
    const QString path = dir.filePath(QStringLiteral("AS.crf"));
    writeFile(path, "not json at all");
    const DbError e = thrownBy([&] { FormDefinition::load(path); });
    EXPECT_EQ(e.number(), FormErr::FormFileInvalid);
    EXPECT_TRUE(e.description().contains(QStringLiteral("「AS.crf」"))) << e.description().toStdString();
}

} // namespace
