#include "slips/FormPainter.h"

#include "slips/FormRenderer.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QTextLayout>

#include <algorithm>
#include <memory>

// A text as laid out in one font on one device: its glyphs with their
// positions from the start of the baseline, and its advance.
struct Shaped {
    QList<QGlyphRun> runs;
    double width = 0;
    bool laidOut = false; // false: drawn with drawText each time
};

struct FormPainter::TextCache::Impl {
    // A page sets a hundred values in a handful of styles; the font and its
    // metrics on this device are made once per style.
    struct Font {
        QFont font;
        QFontMetricsF metrics;
        QHash<QString, Shaped> texts;
    };
    // A bound on what one style keeps; a run prints few distinct texts per
    // style, so this only guards memory against a pathological job.
    static constexpr qsizetype MaxTextsPerFont = 20000;

    const QPaintDevice *device = nullptr;
    int dpiX = 0;
    int dpiY = 0;
    QHash<QString, std::shared_ptr<Font>> fonts;
};

FormPainter::TextCache::TextCache() : d_(std::make_unique<Impl>()) {}
FormPainter::TextCache::~TextCache() = default;

void FormPainter::TextCache::clear()
{
    d_->fonts.clear();
    d_->device = nullptr;
}

namespace {

// East Asian wide characters take two cells of a pitched field, as on the
// stock's character boxes; half-width katakana take one.
bool isWide(char32_t c)
{
    if (c < 0x1100)
        return false;
    if (c >= 0xFF61 && c <= 0xFFDC)
        return false;
    if (c >= 0xFFE8 && c <= 0xFFEE)
        return false;
    return true;
}

using Cache = FormPainter::TextCache::Impl;

// Texts that a single line of glyphs does not show as drawText does.
bool plainLine(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return false;
    }
    return true;
}

class Page {
public:
    Page(QPainter &painter, const FormDefinition &form, Cache &cache)
        : p_(painter),
          kx_(painter.device()->logicalDpiX() / 25.4),
          ky_(painter.device()->logicalDpiY() / 25.4),
          offset_(form.offset),
          cache_(cache)
    {
        const QPaintDevice *device = painter.device();
        if (cache_.device != device || cache_.dpiX != device->logicalDpiX() || cache_.dpiY != device->logicalDpiY()) {
            cache_.fonts.clear();
            cache_.device = device;
            cache_.dpiX = device->logicalDpiX();
            cache_.dpiY = device->logicalDpiY();
        }
    }

    QPointF at(const QPointF &mm) const
    {
        return {(mm.x() + offset_.x()) * kx_, (mm.y() + offset_.y()) * ky_};
    }

    QRectF rect(const QRectF &mm) const
    {
        return {at(mm.topLeft()), QSizeF(mm.width() * kx_, mm.height() * ky_)};
    }

    QPen pen(const QColor &color, double widthMm, FormLineStyle style) const
    {
        QPen pen(color);
        pen.setWidthF(std::max(widthMm * kx_, 1.0));
        pen.setCapStyle(Qt::FlatCap);
        switch (style) {
        case FormLineStyle::Solid: break;
        case FormLineStyle::Dashed: pen.setDashPattern({4.0, 3.0}); break;
        case FormLineStyle::Dotted: pen.setDashPattern({1.0, 2.5}); break;
        }
        return pen;
    }

    void text(const QRectF &boxMm, const QString &text, const FormTextStyle &style, FormAlign align,
              const QColor &color, bool struck)
    {
        if (text.isEmpty())
            return;
        Font &font = fontFor(style);
        p_.setFont(font.font);
        p_.setPen(color);
        QRectF r = rect(boxMm);
        if (style.rotation == 90) {
            p_.save();
            p_.translate(r.center());
            p_.rotate(90);
            r = QRectF(-r.height() / 2, -r.width() / 2, r.height(), r.width());
            upright(r, text, style, align, font, struck);
            p_.restore();
            return;
        }
        upright(r, text, style, align, font, struck);
    }

    double kx() const { return kx_; }

private:
    using Font = Cache::Font;

    Font &fontFor(const FormTextStyle &style)
    {
        const QString key = style.family + QLatin1Char('|') + QString::number(style.size) + QLatin1Char('|')
            + (style.bold ? QLatin1Char('b') : QLatin1Char('n'));
        auto it = cache_.fonts.find(key);
        if (it == cache_.fonts.end()) {
            QFont font(style.family);
            font.setPointSizeF(style.size);
            font.setBold(style.bold);
            // Printer metrics, not screen hinting: the width decides whether
            // a value is condensed to fit its box.
            font.setHintingPreference(QFont::PreferNoHinting);
            it = cache_.fonts.insert(key, std::make_shared<Font>(Font{font, QFontMetricsF(font, p_.device()), {}}));
        }
        return **it;
    }

    // `text` laid out in `font` on this device, from the cache when it has
    // been laid out before.
    const Shaped &shaped(Font &font, const QString &text)
    {
        const auto it = font.texts.constFind(text);
        if (it != font.texts.constEnd())
            return *it;
        if (font.texts.size() >= Cache::MaxTextsPerFont)
            font.texts.clear();
        Shaped s;
        s.width = font.metrics.horizontalAdvance(text);
        if (plainLine(text)) {
            QTextLayout layout(text, font.font, p_.device());
            layout.beginLayout();
            QTextLine line = layout.createLine();
            line.setPosition(QPointF(0, 0));
            layout.endLayout();
            const double ascent = line.ascent();
            for (QGlyphRun run : layout.glyphRuns()) {
                QList<QPointF> positions = run.positions();
                for (QPointF &p : positions)
                    p.ry() -= ascent;
                run.setPositions(positions);
                s.runs << run;
            }
            s.laidOut = true;
        }
        return *font.texts.insert(text, std::move(s));
    }

    // `text` with the start of its baseline at `at`.
    void draw(const QPointF &at, const QString &text, const Shaped &s)
    {
        if (!s.laidOut) {
            p_.drawText(at, text);
            return;
        }
        for (const QGlyphRun &run : s.runs)
            p_.drawGlyphRun(at, run);
    }

    // The baseline of one line of text set in `r` with `valign`.
    static double baseline(const QRectF &r, FormVAlign valign, const QFontMetricsF &fm)
    {
        const double lineHeight = fm.ascent() + fm.descent();
        const double top = valign == FormVAlign::Top      ? r.top()
                           : valign == FormVAlign::Bottom ? r.bottom() - lineHeight
                                                          : r.center().y() - lineHeight / 2;
        return top + fm.ascent();
    }

    void upright(const QRectF &r, const QString &text, const FormTextStyle &style, FormAlign align, Font &font,
                 bool struck)
    {
        const QFontMetricsF &fm = font.metrics;
        const double y = baseline(r, style.valign, fm);
        double left = r.left();
        double right = r.right();

        if (style.pitch > 0) {
            const QList<uint> chars = text.toUcs4();
            int cells = 0;
            for (uint c : chars)
                cells += isWide(c) ? 2 : 1;
            double pitch = std::min(style.pitch * kx_, r.width() / cells);
            const double total = pitch * cells;
            double x = align == FormAlign::Left    ? r.left()
                       : align == FormAlign::Right ? r.right() - total
                                                   : r.center().x() - total / 2;
            left = x;
            right = x + total;
            for (uint c : chars) {
                const QString ch = QString::fromUcs4(reinterpret_cast<const char32_t *>(&c), 1);
                const double w = pitch * (isWide(c) ? 2 : 1);
                if (c != ' ')
                    fitted(x, w, y, ch, FormAlign::Center, font);
                x += w;
            }
        } else {
            const double w = shaped(font, text).width;
            fitted(r.left(), r.width(), y, text, align, font);
            if (w < r.width()) {
                if (align == FormAlign::Right)
                    left = r.right() - w;
                else if (align == FormAlign::Center)
                    left = r.center().x() - w / 2;
                right = left + w;
            }
        }

        if (struck)
            strike(r, left, right, style.valign, fm);
    }

    // Draws `text` on baseline `y` in the span from `x` of width `width`,
    // condensed sideways when it is wider: a value on a form is never cut
    // short.
    void fitted(double x, double width, double y, const QString &text, FormAlign align, Font &font)
    {
        const Shaped &s = shaped(font, text);
        const double w = s.width;
        if (w <= width) {
            const double at = align == FormAlign::Left    ? x
                              : align == FormAlign::Right ? x + width - w
                                                          : x + (width - w) / 2;
            draw(QPointF(at, y), text, s);
            return;
        }
        p_.save();
        p_.translate(x, 0);
        p_.scale(width / w, 1.0);
        draw(QPointF(0, y), text, s);
        p_.restore();
    }

    // Decoration 6: two rules through the middle of the figures, so the
    // superseded value stays legible, as a hand correction on a slip does.
    void strike(const QRectF &r, double left, double right, FormVAlign valign, const QFontMetricsF &fm)
    {
        const double middle = baseline(r, valign, fm) - fm.capHeight() / 2;
        const double gap = std::max(fm.capHeight() * 0.36, 2.0);
        const double overhang = 0.4 * kx_;
        const double x1 = std::max(r.left(), left - overhang);
        const double x2 = std::min(r.right(), right + overhang);
        QPen pen(Qt::black);
        pen.setWidthF(std::max(0.18 * kx_, 1.0));
        pen.setCapStyle(Qt::FlatCap);
        p_.setPen(pen);
        p_.drawLine(QPointF(x1, middle - gap / 2), QPointF(x2, middle - gap / 2));
        p_.drawLine(QPointF(x1, middle + gap / 2), QPointF(x2, middle + gap / 2));
    }

    QPainter &p_;
    double kx_;
    double ky_;
    QPointF offset_;
    Cache &cache_;
};

// Two thirds of the way to white.
QColor pale(const QColor &c)
{
    auto towardWhite = [](int v) { return v + (255 - v) * 2 / 3; };
    return QColor(towardWhite(c.red()), towardWhite(c.green()), towardWhite(c.blue()));
}

void paintFrame(Page &page, QPainter &p, const FormDefinition &form, bool light)
{
    QColor color(form.frameColor.isEmpty() ? QStringLiteral("#000000") : form.frameColor);
    if (light)
        color = pale(color);
    // Fills first, so that no fill covers a rule.
    for (const FormFrameBox &b : form.frameBoxes) {
        if (!b.fill.isEmpty())
            p.fillRect(page.rect(b.box), light ? pale(QColor(b.fill)) : QColor(b.fill));
    }
    p.setBrush(Qt::NoBrush);
    for (const FormFrameBox &b : form.frameBoxes) {
        if (b.width <= 0)
            continue;
        p.setPen(page.pen(color, b.width, b.style));
        p.drawRect(page.rect(b.box));
    }
    for (const FormFrameLine &l : form.frameLines) {
        p.setPen(page.pen(color, l.width, l.style));
        p.drawLine(page.at(l.from), page.at(l.to));
    }
    for (const FormFrameText &t : form.frameTexts)
        page.text(t.box, t.text, t.style, t.style.align, color, false);
}

} // namespace

void FormPainter::paint(QPainter &painter, const FormContent &content, Frame frame, TextCache *cache)
{
    const FormDefinition &form = content.form();
    TextCache pageOnly;
    Page page(painter, form, (cache ? *cache : pageOnly).impl());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    if (frame != Frame::None)
        paintFrame(page, painter, form, frame == Frame::Light);

    const QColor ink(Qt::black);
    for (size_t i = 0; i < form.fields.size(); ++i) {
        const FormField &f = form.fields[i];
        const int index = static_cast<int>(i);
        if (!content.isSet(index))
            continue;
        const bool struck = content.decoration(index) == FormRenderer::DecorationSuperseded;
        if (f.kind == FormFieldKind::Plain) {
            page.text(f.box, content.value(index), f.style, f.style.align, ink, struck);
            continue;
        }
        for (int row = 0; row < f.rows; ++row) {
            for (int column = 0; column < f.columns; ++column)
                page.text(f.cellBox(column, row), content.cell(index, column, row), f.style, f.cellAlign(column), ink,
                          struck);
        }
    }
    painter.restore();
}
