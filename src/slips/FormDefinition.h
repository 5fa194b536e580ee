#pragma once
// A form file (".crf"): a JSON text describing one printed page — its paper,
// the fields the print operations fill, and the pre-printed frame (rules,
// boxes and captions) that is drawn only on plain paper, never on the
// chain's stock.
//
//   {
//     "format": "tobari-form", "version": 1, "title": "...",
//     "page": { "width": 279.4, "height": 127, "orientation": "landscape",
//               "offset": [0, 0] },
//     "font": { "family": "IPAゴシック", "size": 9 },
//     "fields": [
//       { "name": "HATTYUU_NO", "box": [x, y, w, h], "align": "left",
//         "font": { "size": 10 } },
//       { "name": "SUU1", "box": [...], "align": "right", "pitch": 2.2 },
//       { "name": "ListHed", "kind": "list", "box": [...],
//         "columns": 13, "rows": 14, "rowPitch": 3.4,
//         "columnLayout": [ { "x": 0, "width": 11, "align": "left" }, ... ] },
//       { "name": "suuMeisai_1", "kind": "list", "box": [...],
//         "columns": 30, "rows": 14, "columnPitch": 2.9, "rowPitch": 2.6 }
//     ],
//     "frame": {
//       "color": "#2a6f97",
//       "lines": [ { "from": [x, y], "to": [x, y], "width": 0.2, "style": "dotted" } ],
//       "boxes": [ { "box": [x, y, w, h], "width": 0.3, "fill": "#eef5f9" } ],
//       "texts": [ { "text": "伝票番号", "box": [...], "align": "center",
//                    "font": { "size": 6 } } ]
//     }
//   }
//
// Lengths are millimetres from the paper's top left corner, font sizes
// points. A list field's box is its cell (0, 0); cell (c, r) is moved by
// c column pitches (or placed by columnLayout) and r row pitches. Text that
// does not fit its box is condensed sideways rather than cut, as a form
// must never lose a digit. "pitch" sets every character in a cell of its
// own (digit boxes, the decimal point and thousands ticks of the stock).
// "rotate": 90 turns the text to run downwards (names in narrow columns).
//
// Unknown keys are refused, so that a misspelt key in a hand-edited form
// shows up at once instead of being silently ignored.

#include <QByteArray>
#include <QHash>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

enum class FormAlign { Left, Center, Right };
enum class FormVAlign { Top, Middle, Bottom };
enum class FormLineStyle { Solid, Dashed, Dotted };

struct FormTextStyle {
    QString family;
    double size = 9.0; // points
    bool bold = false;
    FormAlign align = FormAlign::Left;
    FormVAlign valign = FormVAlign::Middle;
    double pitch = 0.0; // millimetres per character cell; 0 = the font's own widths
    int rotation = 0;   // 0 or 90 (clockwise)
};

struct FormColumn {
    double x = 0.0;     // from the left of the field's box
    double width = 0.0;
    FormAlign align = FormAlign::Left;
};

enum class FormFieldKind { Plain, List };

struct FormField {
    QString name;
    FormFieldKind kind = FormFieldKind::Plain;
    QRectF box; // millimetres; for a list, cell (0, 0)
    FormTextStyle style;
    int columns = 1;
    int rows = 1;
    double columnPitch = 0.0;
    double rowPitch = 0.0;
    std::vector<FormColumn> columnLayout; // empty: uniform columns by columnPitch

    QRectF cellBox(int column, int row) const;
    FormAlign cellAlign(int column) const;
};

struct FormFrameLine {
    QPointF from;
    QPointF to;
    double width = 0.2;
    FormLineStyle style = FormLineStyle::Solid;
};

struct FormFrameBox {
    QRectF box;
    double width = 0.2; // 0: no outline, only the fill
    FormLineStyle style = FormLineStyle::Solid;
    QString fill;       // a colour name, empty for none
};

struct FormFrameText {
    QString text;
    QRectF box;
    FormTextStyle style;
};

struct FormDefinition {
    QString name;  // the file name, as messages show it ("TA2.crf")
    QString title;
    QSizeF pageSize; // millimetres, as the page is drawn (width across)
    bool landscape = false;
    QPointF offset;  // moves every field and the frame, to match a printer's feed
    std::vector<FormField> fields;
    QString frameColor;
    std::vector<FormFrameLine> frameLines;
    std::vector<FormFrameBox> frameBoxes;
    std::vector<FormFrameText> frameTexts;

    // The field's position in `fields`, or -1.
    int indexOf(const QString &fieldName) const;

    // Reads a form file; a missing, unreadable or malformed file throws
    // DbError naming the file and, for a malformed one, the place of the
    // fault.
    static FormDefinition load(const QString &path);
    // `formName` is what messages call the form.
    static FormDefinition parse(const QByteArray &json, const QString &formName);

private:
    QHash<QString, int> index_;
};
