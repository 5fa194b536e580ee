// What lands where on the paper, checked on images drawn at 300 dpi.
#include "FormTestSupport.h"

#include "slips/FormContent.h"
#include "slips/FormPainter.h"
#include "slips/FormRenderer.h"

#include <QImage>
#include <QPainter>

#include <memory>

namespace {

constexpr double kDpi = 300.0;

int px(double mm)
{
    return static_cast<int>(mm * kDpi / 25.4 + 0.5);
}

FormContent contentOf(const QByteArray &json)
{
    return FormContent(std::make_shared<const FormDefinition>(FormDefinition::parse(json, QStringLiteral("P.crf"))));
}

QByteArray oneField(const char *fieldJson)
{
    return QByteArray(R"({"format": "tobari-form", "version": 1, "page": {"width": 60, "height": 40},
                          "font": {"family": "IPAゴシック", "size": 14}, "fields": [)")
           + fieldJson + "]}";
}

QImage draw(const FormContent &content, bool withFrame)
{
    const QSizeF mm = content.form().pageSize;
    QImage image(px(mm.width()), px(mm.height()), QImage::Format_RGB32);
    image.setDotsPerMeterX(static_cast<int>(kDpi / 0.0254 + 0.5));
    image.setDotsPerMeterY(static_cast<int>(kDpi / 0.0254 + 0.5));
    image.fill(Qt::white);
    QPainter painter(&image);
    FormPainter::paint(painter, content, withFrame);
    painter.end();
    return image;
}

bool inked(const QImage &image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 160;
}

bool marked(const QImage &image, int x, int y)
{
    return image.pixel(x, y) != qRgb(255, 255, 255);
}

// The smallest rectangle holding every inked pixel (empty when none).
QRect inkBounds(const QImage &image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (inked(image, x, y))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

QRect mmRect(const QRectF &mm)
{
    return QRect(QPoint(px(mm.left()), px(mm.top())), QPoint(px(mm.right()) - 1, px(mm.bottom()) - 1));
}

// Rows of `area` inked across nearly its whole width, grouped into runs:
// the rules of a strike-through, which no glyph row produces.
int ruledRuns(const QImage &image, const QRect &area)
{
    int runs = 0;
    bool inRun = false;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        int dark = 0;
        for (int x = area.left(); x <= area.right(); ++x)
            dark += inked(image, x, y) ? 1 : 0;
        const bool ruled = dark >= area.width() * 95 / 100;
        if (ruled && !inRun)
            ++runs;
        inRun = ruled;
    }
    return runs;
}

TEST(FormPainter, SupersededFigureIsStruckThroughTwice)
{
    FormContent plain = contentOf(oneField(R"({"name": "F", "box": [5, 5, 40, 10], "align": "right"})"));
    plain.setValue(0, QStringLiteral("18007"));
    FormContent struck = plain;
    struck.setDecoration(0, FormRenderer::DecorationSuperseded);

    const QImage before = draw(plain, false);
    const QImage after = draw(struck, false);
    const QRect text = inkBounds(before);
    ASSERT_FALSE(text.isEmpty());

    EXPECT_EQ(ruledRuns(before, text), 0);
    EXPECT_EQ(ruledRuns(after, text), 2);
    // the rules go through the figures, inside the height of the digits
    EXPECT_EQ(inkBounds(after).top(), text.top());
    EXPECT_EQ(inkBounds(after).bottom(), text.bottom());

    FormContent inForce = struck;
    inForce.setDecoration(0, FormRenderer::DecorationNone);
    EXPECT_EQ(draw(inForce, false), before);
}

TEST(FormPainter, DecorationOnAnEmptyValueDrawsNothing)
{
    FormContent c = contentOf(oneField(R"({"name": "F", "box": [5, 5, 40, 10]})"));
    c.setDecoration(0, FormRenderer::DecorationSuperseded);
    EXPECT_TRUE(inkBounds(draw(c, false)).isEmpty());
}

TEST(FormPainter, TooLongValueIsCondensedIntoItsBox)
{
    FormContent c = contentOf(oneField(R"({"name": "F", "box": [10, 10, 20, 6], "font": {"size": 10}})"));
    c.setValue(0, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWX")); // about 42 mm at its natural width
    const QRect ink = inkBounds(draw(c, false));
    const QRect box = mmRect(QRectF(10, 10, 20, 6));
    EXPECT_TRUE(box.adjusted(-2, -2, 2, 2).contains(ink)) << "ink " << ink.x() << "," << ink.width();
    EXPECT_GE(ink.width(), box.width() * 9 / 10); // condensed, not cut
}

TEST(FormPainter, PitchPutsEachCharacterInItsOwnCellFromTheRight)
{
    // "15 " is 15 pieces and no tenths: the blank keeps the last cell, the
    // cell after the stock's decimal point.
    FormContent c = contentOf(oneField(R"({"name": "F", "box": [10, 10, 30, 8], "align": "right", "pitch": 5})"));
    c.setValue(0, QStringLiteral("15 "));
    const QRect ink = inkBounds(draw(c, false));
    EXPECT_GE(ink.left(), px(25));
    EXPECT_LE(ink.right(), px(35));
    EXPECT_LT(ink.left(), px(30));  // the 1 in the cell 25-30 mm
    EXPECT_GT(ink.right(), px(30)); // the 5 in the cell 30-35 mm
}

TEST(FormPainter, RotatedNameRunsDownItsNarrowColumn)
{
    FormContent c = contentOf(oneField(R"({"name": "F", "box": [10, 5, 4, 25], "rotate": 90, "font": {"size": 8}})"));
    c.setValue(0, QStringLiteral("ｼﾌﾞﾔﾃﾝ"));
    const QRect ink = inkBounds(draw(c, false));
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GT(ink.height(), ink.width() * 2);
    EXPECT_TRUE(mmRect(QRectF(10, 5, 4, 25)).adjusted(-2, -2, 2, 2).contains(ink));
}

TEST(FormPainter, ListCellLandsInItsColumnAndRow)
{
    FormContent c = contentOf(smallFormJson());
    const int items = c.indexOf(QStringLiteral("ITEMS"));
    c.setCell(items, 2, 3, QStringLiteral("88"));
    const QRect ink = inkBounds(draw(c, false));
    ASSERT_FALSE(ink.isEmpty());
    const QRectF cell = c.form().fields[static_cast<size_t>(items)].cellBox(2, 3);
    EXPECT_TRUE(mmRect(cell).adjusted(-2, -2, 2, 2).contains(ink));
}

TEST(FormPainter, FrameIsDrawnOnlyForPlainPaper)
{
    FormContent c = contentOf(smallFormJson());
    const QImage stock = draw(c, false);
    const QImage plain = draw(c, true);

    bool stockMarked = false;
    for (int y = 0; y < stock.height() && !stockMarked; ++y)
        for (int x = 0; x < stock.width() && !stockMarked; ++x)
            stockMarked = marked(stock, x, y);
    EXPECT_FALSE(stockMarked) << "an empty form on the chain's stock prints nothing";

    // the caption "見出し" in its box, and the rule across the page at 40 mm
    bool caption = false;
    const QRect captionBox = mmRect(QRectF(100, 30, 40, 7));
    for (int y = captionBox.top(); y <= captionBox.bottom() && !caption; ++y)
        for (int x = captionBox.left(); x <= captionBox.right() && !caption; ++x)
            caption = qGray(plain.pixel(x, y)) < 160;
    EXPECT_TRUE(caption);
    bool rule = false; // dotted: look along a stretch longer than one dot and gap
    for (int y = px(39.5); y <= px(40.5) && !rule; ++y)
        for (int x = px(70); x <= px(72) && !rule; ++x)
            rule = qGray(plain.pixel(x, y)) < 200;
    EXPECT_TRUE(rule);
}

// A preview draws the frame pale, so the figures the printer adds stand out
// from the captions the stock carries; the figures stay as dark as printed.
TEST(FormPainter, PreviewDrawsTheFramePaleAndTheValuesInFullInk)
{
    FormContent c = contentOf(smallFormJson());
    c.setValue(c.indexOf(QStringLiteral("TITLE")), QStringLiteral("伝票"));
    const QSizeF mm = c.form().pageSize;
    QImage image(px(mm.width()), px(mm.height()), QImage::Format_RGB32);
    image.setDotsPerMeterX(static_cast<int>(kDpi / 0.0254 + 0.5));
    image.setDotsPerMeterY(static_cast<int>(kDpi / 0.0254 + 0.5));
    image.fill(Qt::white);
    QPainter painter(&image);
    FormPainter::paint(painter, c, FormPainter::Frame::Light);
    painter.end();

    auto darkest = [&](const QRect &area) {
        int gray = 255;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                gray = std::min(gray, qGray(image.pixel(x, y)));
        return gray;
    };
    const int caption = darkest(mmRect(QRectF(100, 30, 40, 7)));
    EXPECT_LT(caption, 235) << "the caption is drawn";
    EXPECT_GT(caption, 160) << "but pale";
    const int border = darkest(mmRect(QRectF(4.8, 20, 0.4, 20)));
    EXPECT_LT(border, 235);
    EXPECT_GT(border, 160);
    EXPECT_LT(darkest(mmRect(QRectF(10, 8, 120, 8))), 100) << "the value keeps its ink";
}

} // namespace
