// The forms installed with the program hold exactly the fields the slip and
// assortment-list printing fill, of the right kinds and sizes.
#include "FormTestSupport.h"

#include "slips/FormContent.h"
#include "slips/FormDefinition.h"
#include "slips/FormPainter.h"
#include "slips/QtFormRenderer.h"
#include "store/Clock.h"

#include <QImage>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>

#include <cmath>
#include <map>
#include <memory>

namespace {

QString dataFile(const char *relative)
{
    return QStringLiteral(TOBARI_DATA_DIR "/") + QString::fromLatin1(relative);
}

struct Expected {
    FormFieldKind kind = FormFieldKind::Plain;
    int columns = 1;
    int rows = 1; // 0: as many as the item list
};

using FieldTable = std::map<QString, Expected>;

FieldTable slipFields()
{
    FieldTable t;
    for (const char *name : {"HATTYUU_NO", "BAYER_MEI", "SYORI_TUKI", "TENPO_CD", "SYAMEI", "TENMEI", "SYA_TEN_CD",
                             "BUNRUI_CD", "DENPYOU_KUBUN", "DENPYOU_NO", "TORIHIKISAKI_CD", "TORIHIKISAKIMEI1",
                             "TORIHIKISAKIMEI2", "HATTYUUBI", "NOUKI", "GENKA_GOUKEI", "BAIKA_GOUKEI",
                             "TGENKA_GOUKEI", "TBAIKA_GOUKEI"})
        t[QString::fromLatin1(name)] = {};
    // The chain's slip stock has six lines.
    for (int n = 1; n <= 6; ++n) {
        for (const char *stem : {"HINMEI1_", "HINMEI2_", "SYOUHIN_CD", "COLOR", "SIZE", "GENKA", "BAIKA", "SUU",
                                 "GENKA_KINGAKU", "BAIKA_KINGAKU", "TSUU", "TGENKA_KINGAKU", "TBAIKA_KINGAKU"})
            t[QString::fromLatin1(stem) + QString::number(n)] = {};
    }
    return t;
}

FieldTable assortmentFields()
{
    FieldTable t;
    for (const char *name : {"Ha_No", "To_CD", "To_Name", "Ji_CD", "Ji_Name", "Gunban", "Nouki", "Syo_Tuki",
                             "Ha_Kikan", "Han_Kikan", "BYR_CD", "BYR_Name", "Te_Pt", "Ha_Ku", "Ne_Ku",
                             "GyoumuKeitai", "Genka_Kei", "Baika_Kei", "Ha_Kei", "Sakusei_Bi"})
        t[QString::fromLatin1(name)] = {};
    t[QStringLiteral("ListHed")] = {FormFieldKind::List, 13, 0};
    t[QStringLiteral("LabSuuH")] = {FormFieldKind::List, 1, 0};
    // Six blocks of thirty stores.
    for (int b = 1; b <= 6; ++b) {
        t[QStringLiteral("TenpoNo_%1").arg(b)] = {FormFieldKind::List, 30, 1};
        t[QStringLiteral("LabSuuM_%1").arg(b)] = {FormFieldKind::List, 1, 0};
        t[QStringLiteral("suuMeisai_%1").arg(b)] = {FormFieldKind::List, 30, 0};
        for (int p = 1; p <= 30; ++p)
            t[QStringLiteral("tempomei_%1_%2").arg(b).arg(p)] = {};
    }
    return t;
}

struct DefaultForm {
    const char *name;
    const char *file;
    FieldTable (*fields)();
};

void PrintTo(const DefaultForm &c, std::ostream *os)
{
    *os << c.name;
}

class DefaultForms : public testing::TestWithParam<DefaultForm> {};

TEST_P(DefaultForms, HoldExactlyTheFieldsThePrintingFills)
{
    const FormDefinition form = FormDefinition::load(dataFile(GetParam().file));
    const FieldTable expected = GetParam().fields();

    QSet<QString> inForm;
    for (const FormField &f : form.fields)
        inForm.insert(f.name);
    for (const auto &[name, want] : expected)
        EXPECT_TRUE(inForm.contains(name)) << "missing " << name.toStdString();
    for (const FormField &f : form.fields)
        EXPECT_TRUE(expected.count(f.name)) << "field not filled by any print operation: " << f.name.toStdString();

    int itemRows = -1;
    for (const FormField &f : form.fields) {
        const auto it = expected.find(f.name);
        if (it == expected.end())
            continue;
        SCOPED_TRACE(f.name.toStdString());
        EXPECT_EQ(f.kind, it->second.kind);
        EXPECT_EQ(f.columns, it->second.columns);
        if (it->second.rows != 0) {
            EXPECT_EQ(f.rows, it->second.rows);
        } else if (itemRows < 0) {
            itemRows = f.rows;
        } else {
            EXPECT_EQ(f.rows, itemRows) << "every item list must hold the same rows";
        }
        EXPECT_EQ(f.style.family, QStringLiteral("IPAゴシック"));
    }
    if (itemRows >= 0) {
        EXPECT_GE(itemRows, 10);
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, DefaultForms,
                         testing::Values(DefaultForm{"DeliverySlip", "COR/TA2.crf", slipFields},
                                         DefaultForm{"AssortmentList", "COR/AS.crf", assortmentFields}),
                         [](const testing::TestParamInfo<DefaultForm> &info) { return std::string(info.param.name); });

// Figures on the slip are set in the stock's digit cells; the widest value
// each field can get must fit them, or it would be condensed off the
// printed decimal point and thousands ticks.
TEST(DeliverySlipForm, FigureFieldsHaveCellsForTheirWidestValue)
{
    const FormDefinition form = FormDefinition::load(dataFile("COR/TA2.crf"));
    const std::map<QString, int> widest = {
        {QStringLiteral("SUU1"), 6},             // five digits and the tenths
        {QStringLiteral("TSUU1"), 6},
        {QStringLiteral("GENKA1"), 9},           // seven digits of yen and the sen
        {QStringLiteral("BAIKA1"), 7},
        {QStringLiteral("GENKA_KINGAKU1"), 10},
        {QStringLiteral("TGENKA_KINGAKU6"), 10},
        {QStringLiteral("BAIKA_KINGAKU6"), 10},
        {QStringLiteral("GENKA_GOUKEI"), 10},    // 32-bit totals
        {QStringLiteral("TBAIKA_GOUKEI"), 10},
        {QStringLiteral("DENPYOU_NO"), 7},
        {QStringLiteral("HATTYUUBI"), 6},
        {QStringLiteral("NOUKI"), 6},
    };
    for (const auto &[name, chars] : widest) {
        SCOPED_TRACE(name.toStdString());
        const int i = form.indexOf(name);
        ASSERT_GE(i, 0);
        const FormField &f = form.fields[static_cast<size_t>(i)];
        ASSERT_GT(f.style.pitch, 0.0);
        EXPECT_GE(std::floor(f.box.width() / f.style.pitch + 1e-9), chars);
    }
}

// On the stock the decimal point is pre-printed; on plain paper and in PDFs
// the frame must print it, a clear point between the whole pieces and the
// tenths (and between the yen and the sen of the cost price), or 17.5
// reads as 175.
TEST(DeliverySlipForm, FramePrintsTheDecimalPointOfQuantitiesAndCostPrices)
{
    constexpr double dpi = 600.0;
    const auto px = [](double mm) { return static_cast<int>(mm * dpi / 25.4 + 0.5); };
    auto form = std::make_shared<const FormDefinition>(FormDefinition::load(dataFile("COR/TA2.crf")));
    FormContent content(form);
    const struct {
        const char *stem;
        const char *value;
        int decimals;
    } figures[] = {{"SUU", "175", 1}, {"TSUU", "220", 1}, {"GENKA", "120050", 2}};
    for (int n = 1; n <= 6; ++n)
        for (const auto &f : figures)
            content.setValue(form->indexOf(QString::fromLatin1(f.stem) + QString::number(n)), QString::fromLatin1(f.value));
    const auto draw = [&](bool withFrame) {
        QImage image(px(form->pageSize.width()), px(form->pageSize.height()), QImage::Format_RGB32);
        image.setDotsPerMeterX(static_cast<int>(dpi / 0.0254 + 0.5));
        image.setDotsPerMeterY(static_cast<int>(dpi / 0.0254 + 0.5));
        image.fill(Qt::white);
        QPainter painter(&image);
        FormPainter::paint(painter, content, withFrame);
        painter.end();
        return image;
    };
    const QImage stock = draw(false);
    const QImage plain = draw(true);
    // Black ink (the frame's own rules are coloured) in the narrow gap
    // between the last whole digit and the first decimal, below the middle
    // of the figures.
    const auto pointAt = [&](const QImage &image, const FormField &f, int decimals) {
        const double x = f.box.right() - decimals * f.style.pitch;
        for (int y = px(f.box.center().y()); y <= px(f.box.bottom()); ++y)
            for (int xx = px(x - 0.15); xx <= px(x + 0.15); ++xx) {
                const QColor c = image.pixelColor(xx, y);
                if (c.red() < 80 && c.green() < 80 && c.blue() < 80)
                    return true;
            }
        return false;
    };
    for (int n = 1; n <= 6; ++n) {
        for (const auto &f : figures) {
            const QString name = QString::fromLatin1(f.stem) + QString::number(n);
            SCOPED_TRACE(name.toStdString());
            const FormField &field = form->fields[static_cast<size_t>(form->indexOf(name))];
            EXPECT_TRUE(pointAt(plain, field, f.decimals));
            EXPECT_FALSE(pointAt(stock, field, f.decimals));   // the digits leave the gap free
        }
    }
}

// Both forms print through the real renderer with every field filled.
TEST_P(DefaultForms, PrintAFullPage)
{
    QTemporaryDir dir;
    Clock::setFixed(QDateTime(QDate(2025, 1, 31), QTime(9, 0, 0)));
    QtFormRenderer::Options options;
    options.pdfFolder = dir.path();
    options.printers = PrinterCatalog{};
    QtFormRenderer r(options);
    r.reset();
    r.beginJob(QString(), QStringLiteral("試し刷り"));
    r.openForm(dataFile(GetParam().file));
    r.attachForm();
    r.clearForm();
    const FormDefinition form = FormDefinition::load(dataFile(GetParam().file));
    for (const FormField &f : form.fields) {
        const auto field = r.findField(f.name);
        if (f.kind == FormFieldKind::Plain) {
            r.setValue(field, QStringLiteral("ｶｽﾀﾑ12"));
            r.setDecoration(field, 6);
        } else {
            for (int c = 0; c < f.columns; ++c)
                for (int row = 0; row < f.rows; ++row)
                    r.setListCell(field, c, row, QString::number(row + c));
        }
    }
    r.printPage();
    r.closeForm();
    r.endJob();
    Clock::reset();
    EXPECT_TRUE(QFileInfo(r.pdfPath()).size() > 0);
}

} // namespace
