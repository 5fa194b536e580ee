#include "slips/FormPainter.h"

#include "slips/FormRenderer.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QHash>
#include <QPen>

#include <algorithm>
#include <memory>

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

class Page {
public:
    Page(QPainter &painter, const FormDefinition &form)
        : p_(painter),
          kx_(painter.device()->logicalDpiX() / 25.4),
          ky_(painter.device()->logicalDpiY() / 25.4),
          offset_(form.offset)
    {
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
        const Font &font = fontFor(style);
        p_.setFont(font.font);
        p_.setPen(color);
        QRectF r = rect(boxMm);
        if (style.rotation == 90) {
            p_.save();
            p_.translate(r.center());
            p_.rotate(90);
            r = QRectF(-r.height() / 2, -r.width() / 2, r.height(), r.width());
            upright(r, text, style, align, font.metrics, struck);
            p_.restore();
            return;
        }
        upright(r, text, style, align, font.metrics, struck);
    }

    double kx() const { return kx_; }

private:
    // A page sets a hundred values in a handful of styles; the font and its
    // metrics on this device are made once per style.
    struct Font {
        QFont font;
        QFontMetricsF metrics;
    };

    const Font &fontFor(const FormTextStyle &style)
    {
        const QString key = style.family + QLatin1Char('|') + QString::number(style.size) + QLatin1Char('|')
            + (style.bold ? QLatin1Char('b') : QLatin1Char('n'));
        auto it = fonts_.find(key);
        if (it == fonts_.end()) {
            QFont font(style.family);
            font.setPointSizeF(style.size);
            font.setBold(style.bold);
            // Printer metrics, not screen hinting: the width decides whether
            // a value is condensed to fit its box.
            font.setHintingPreference(QFont::PreferNoHinting);
            it = fonts_.insert(key, std::make_shared<Font>(Font{font, QFontMetricsF(font, p_.device())}));
        }
        return **it;
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

    void upright(const QRectF &r, const QString &text, const FormTextStyle &style, FormAlign align,
                 const QFontMetricsF &fm, bool struck)
    {
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
                    fitted(x, w, y, ch, FormAlign::Center, fm);
                x += w;
            }
        } else {
            const double w = fm.horizontalAdvance(text);
            fitted(r.left(), r.width(), y, text, align, fm);
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
    void fitted(double x, double width, double y, const QString &text, FormAlign align, const QFontMetricsF &fm)
    {
        const double w = fm.horizontalAdvance(text);
        if (w <= width) {
            const double at = align == FormAlign::Left    ? x
                              : align == FormAlign::Right ? x + width - w
                                                          : x + (width - w) / 2;
            p_.drawText(QPointF(at, y), text);
            return;
        }
        p_.save();
        p_.translate(x, 0);
        p_.scale(width / w, 1.0);
        p_.drawText(QPointF(0, y), text);
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

    QHash<QString, std::shared_ptr<Font>> fonts_;
    QPainter &p_;
    double kx_;
    double ky_;
    QPointF offset_;
};

void paintFrame(Page &page, QPainter &p, const FormDefinition &form)
{
    const QColor color(form.frameColor.isEmpty() ? QStringLiteral("#000000") : form.frameColor);
    // Fills first, so that no fill covers a rule.
    for (const FormFrameBox &b : form.frameBoxes) {
        if (!b.fill.isEmpty())
            p.fillRect(page.rect(b.box), QColor(b.fill));
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

void FormPainter::paint(QPainter &painter, const FormContent &content, bool withFrame)
{
    const FormDefinition &form = content.form();
    Page page(painter, form);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    if (withFrame)
        paintFrame(page, painter, form);

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
