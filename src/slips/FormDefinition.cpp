#include "slips/FormDefinition.h"

#include "slips/FormRenderer.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

#include <cmath>

QRectF FormField::cellBox(int column, int row) const
{
    QRectF cell = box;
    if (!columnLayout.empty()) {
        const FormColumn &c = columnLayout[static_cast<size_t>(column)];
        cell.setLeft(box.left() + c.x);
        cell.setWidth(c.width);
    } else {
        cell.moveLeft(box.left() + column * columnPitch);
    }
    cell.moveTop(box.top() + row * rowPitch);
    return cell;
}

FormAlign FormField::cellAlign(int column) const
{
    if (!columnLayout.empty())
        return columnLayout[static_cast<size_t>(column)].align;
    return style.align;
}

int FormDefinition::indexOf(const QString &fieldName) const
{
    return index_.value(fieldName, -1);
}

namespace {

// A line/column position for a byte offset, so that the operator (or
// whoever edits the form) can find the fault in the file.
QPair<int, int> lineAndColumn(const QByteArray &text, int offset)
{
    int line = 1;
    int column = 1;
    for (int i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column; // count characters, not UTF-8 continuation bytes
        }
    }
    return {line, column};
}

QString jsonErrorText(QJsonParseError::ParseError e)
{
    switch (e) {
    case QJsonParseError::UnterminatedObject: return QStringLiteral("{ } の閉じ括弧がありません");
    case QJsonParseError::MissingNameSeparator: return QStringLiteral("名前の後に : がありません");
    case QJsonParseError::UnterminatedArray: return QStringLiteral("[ ] の閉じ括弧がありません");
    case QJsonParseError::MissingValueSeparator: return QStringLiteral("値の間に , がありません");
    case QJsonParseError::IllegalValue: return QStringLiteral("値として読めない文字があります");
    case QJsonParseError::TerminationByNumber: return QStringLiteral("数の途中でファイルが終わっています");
    case QJsonParseError::IllegalNumber: return QStringLiteral("数が正しくありません");
    case QJsonParseError::IllegalEscapeSequence: return QStringLiteral("\\ の使い方が正しくありません");
    case QJsonParseError::IllegalUTF8String: return QStringLiteral("UTF-8 でない文字があります");
    case QJsonParseError::UnterminatedString: return QStringLiteral("文字列の \" が閉じていません");
    case QJsonParseError::MissingObject: return QStringLiteral("全体が { } で囲まれていません");
    case QJsonParseError::DeepNesting: return QStringLiteral("入れ子が深すぎます");
    case QJsonParseError::DocumentTooLarge: return QStringLiteral("ファイルが大きすぎます");
    case QJsonParseError::GarbageAtEnd: return QStringLiteral("終わりの } の後に余分な文字があります");
    case QJsonParseError::NoError: break;
    }
    return QStringLiteral("読めない箇所があります");
}

class Parser {
public:
    explicit Parser(const QString &formName) : form_(formName) {}

    [[noreturn]] void fail(const QString &where, const QString &what) const
    {
        // Japanese runs straight on; a key name ("page.width") gets a space
        // before the particle.
        QString place = where;
        if (!place.isEmpty())
            place += place.back().unicode() < 0x80 ? QStringLiteral(" の") : QStringLiteral("の");
        throw DbError(FormErr::FormFileInvalid,
                      QStringLiteral("帳票ファイル「%1」が正しくありません: %2%3。").arg(form_, place, what));
    }

    void allowOnly(const QJsonObject &o, const QString &where, std::initializer_list<const char *> keys) const
    {
        QSet<QString> known;
        for (const char *k : keys)
            known.insert(QString::fromLatin1(k));
        for (auto it = o.begin(); it != o.end(); ++it) {
            if (!known.contains(it.key()))
                fail(where, QStringLiteral("「%1」は帳票定義にない項目です").arg(it.key()));
        }
    }

    QJsonValue required(const QJsonObject &o, const QString &where, const char *key) const
    {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            fail(where, QStringLiteral("「%1」がありません").arg(QLatin1String(key)));
        return v;
    }

    QJsonObject object(const QJsonValue &v, const QString &where) const
    {
        if (!v.isObject())
            fail(where, QStringLiteral("値は { } で書いてください"));
        return v.toObject();
    }

    QJsonArray array(const QJsonValue &v, const QString &where) const
    {
        if (!v.isArray())
            fail(where, QStringLiteral("値は [ ] で書いてください"));
        return v.toArray();
    }

    QString text(const QJsonValue &v, const QString &where) const
    {
        if (!v.isString())
            fail(where, QStringLiteral("値は文字列で書いてください"));
        return v.toString();
    }

    double number(const QJsonValue &v, const QString &where) const
    {
        if (!v.isDouble() || !std::isfinite(v.toDouble()))
            fail(where, QStringLiteral("値は数で書いてください"));
        return v.toDouble();
    }

    double positive(const QJsonValue &v, const QString &where) const
    {
        const double d = number(v, where);
        if (d <= 0)
            fail(where, QStringLiteral("値は 0 より大きい数で書いてください"));
        return d;
    }

    double nonNegative(const QJsonValue &v, const QString &where) const
    {
        const double d = number(v, where);
        if (d < 0)
            fail(where, QStringLiteral("値は 0 以上の数で書いてください"));
        return d;
    }

    int count(const QJsonValue &v, const QString &where) const
    {
        const double d = number(v, where);
        if (d < 1 || d > 10000 || d != std::floor(d))
            fail(where, QStringLiteral("値は 1 以上の整数で書いてください"));
        return static_cast<int>(d);
    }

    bool boolean(const QJsonValue &v, const QString &where) const
    {
        if (!v.isBool())
            fail(where, QStringLiteral("値は true か false で書いてください"));
        return v.toBool();
    }

    QPointF point(const QJsonValue &v, const QString &where) const
    {
        const QJsonArray a = v.toArray();
        if (!v.isArray() || a.size() != 2 || !a[0].isDouble() || !a[1].isDouble())
            fail(where, QStringLiteral("値は [x, y] の 2 つの数で書いてください"));
        return {a[0].toDouble(), a[1].toDouble()};
    }

    QRectF box(const QJsonValue &v, const QString &where) const
    {
        const QJsonArray a = v.toArray();
        bool ok = v.isArray() && a.size() == 4;
        for (int i = 0; ok && i < 4; ++i)
            ok = a[i].isDouble();
        if (!ok || a[2].toDouble() <= 0 || a[3].toDouble() <= 0)
            fail(where, QStringLiteral("値は [x, y, 幅, 高さ] の 4 つの数（幅と高さは正）で書いてください"));
        return {a[0].toDouble(), a[1].toDouble(), a[2].toDouble(), a[3].toDouble()};
    }

    QString color(const QJsonValue &v, const QString &where) const
    {
        const QString c = text(v, where);
        if (!QColor::isValidColorName(c))
            fail(where, QStringLiteral("「%1」は色の名前として読めません（#rrggbb で書いてください）").arg(c));
        return c;
    }

    FormAlign align(const QJsonValue &v, const QString &where) const
    {
        const QString a = text(v, where);
        if (a == QLatin1String("left"))
            return FormAlign::Left;
        if (a == QLatin1String("center"))
            return FormAlign::Center;
        if (a == QLatin1String("right"))
            return FormAlign::Right;
        fail(where, QStringLiteral("「%1」は left、center、right のどれかにしてください").arg(a));
    }

    FormVAlign valign(const QJsonValue &v, const QString &where) const
    {
        const QString a = text(v, where);
        if (a == QLatin1String("top"))
            return FormVAlign::Top;
        if (a == QLatin1String("middle"))
            return FormVAlign::Middle;
        if (a == QLatin1String("bottom"))
            return FormVAlign::Bottom;
        fail(where, QStringLiteral("「%1」は top、middle、bottom のどれかにしてください").arg(a));
    }

    FormLineStyle lineStyle(const QJsonValue &v, const QString &where) const
    {
        const QString s = text(v, where);
        if (s == QLatin1String("solid"))
            return FormLineStyle::Solid;
        if (s == QLatin1String("dashed"))
            return FormLineStyle::Dashed;
        if (s == QLatin1String("dotted"))
            return FormLineStyle::Dotted;
        fail(where, QStringLiteral("「%1」は solid、dashed、dotted のどれかにしてください").arg(s));
    }

    void font(const QJsonValue &v, const QString &where, FormTextStyle &style) const
    {
        const QJsonObject o = object(v, where);
        allowOnly(o, where, {"family", "size", "bold"});
        if (o.contains(QLatin1String("family")))
            style.family = text(o.value(QLatin1String("family")), where + QStringLiteral(".family"));
        if (o.contains(QLatin1String("size")))
            style.size = positive(o.value(QLatin1String("size")), where + QStringLiteral(".size"));
        if (o.contains(QLatin1String("bold")))
            style.bold = boolean(o.value(QLatin1String("bold")), where + QStringLiteral(".bold"));
    }

    // The text keys shared by fields and captions.
    void textStyle(const QJsonObject &o, const QString &where, FormTextStyle &style) const
    {
        if (o.contains(QLatin1String("font")))
            font(o.value(QLatin1String("font")), where + QStringLiteral(".font"), style);
        if (o.contains(QLatin1String("align")))
            style.align = align(o.value(QLatin1String("align")), where + QStringLiteral(".align"));
        if (o.contains(QLatin1String("valign")))
            style.valign = valign(o.value(QLatin1String("valign")), where + QStringLiteral(".valign"));
        if (o.contains(QLatin1String("pitch")))
            style.pitch = positive(o.value(QLatin1String("pitch")), where + QStringLiteral(".pitch"));
        if (o.contains(QLatin1String("rotate"))) {
            const QString w = where + QStringLiteral(".rotate");
            const double r = number(o.value(QLatin1String("rotate")), w);
            if (r != 0 && r != 90)
                fail(w, QStringLiteral("値は 0 か 90 にしてください"));
            style.rotation = static_cast<int>(r);
        }
    }

    void insidePage(const QRectF &r, const QSizeF &page, const QString &what) const
    {
        // A little tolerance for rounding in hand-written coordinates.
        constexpr double slack = 0.01;
        if (r.left() < -slack || r.top() < -slack || r.right() > page.width() + slack
            || r.bottom() > page.height() + slack)
            throw DbError(FormErr::FormFileInvalid,
                          QStringLiteral("帳票ファイル「%1」が正しくありません: %2が用紙（%3 × %4 mm）からはみ出しています。")
                              .arg(form_, what)
                              .arg(page.width())
                              .arg(page.height()));
    }

    QString form_;
};

QString itemName(const QString &list, int i)
{
    return QStringLiteral("%1 の %2 番目").arg(list).arg(i + 1);
}

} // namespace

FormDefinition FormDefinition::parse(const QByteArray &json, const QString &formName)
{
    const Parser p(formName);
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &err);
    if (err.error != QJsonParseError::NoError) {
        const auto [line, column] = lineAndColumn(json, err.offset);
        throw DbError(FormErr::FormFileInvalid,
                      QStringLiteral("帳票ファイル「%1」を読めません: %2 行 %3 文字目付近で%4。")
                          .arg(formName)
                          .arg(line)
                          .arg(column)
                          .arg(jsonErrorText(err.error)));
    }
    if (!doc.isObject())
        p.fail(QString(), QStringLiteral("全体が { } で囲まれていません"));
    const QJsonObject root = doc.object();
    if (root.value(QLatin1String("format")).toString() != QLatin1String("tobari-form"))
        throw DbError(FormErr::FormFileInvalid,
                      QStringLiteral("帳票ファイル「%1」は帳票定義ではありません（\"format\": \"tobari-form\" がありません）。")
                          .arg(formName));
    p.allowOnly(root, QString(), {"format", "version", "title", "page", "font", "fields", "frame"});
    const QJsonValue version = p.required(root, QString(), "version");
    if (version.toDouble() != 1)
        throw DbError(FormErr::FormFileInvalid,
                      QStringLiteral("帳票ファイル「%1」の版（version %2）には対応していません。")
                          .arg(formName, version.isDouble() ? QString::number(version.toDouble())
                                                             : version.toVariant().toString()));

    FormDefinition def;
    def.name = formName;
    if (root.contains(QLatin1String("title")))
        def.title = p.text(root.value(QLatin1String("title")), QStringLiteral("title"));

    {
        const QString where = QStringLiteral("page");
        const QJsonObject page = p.object(p.required(root, QString(), "page"), where);
        p.allowOnly(page, where, {"width", "height", "orientation", "offset"});
        const double w = p.positive(p.required(page, where, "width"), QStringLiteral("page.width"));
        const double h = p.positive(p.required(page, where, "height"), QStringLiteral("page.height"));
        def.pageSize = QSizeF(w, h);
        if (page.contains(QLatin1String("orientation"))) {
            const QString o = p.text(page.value(QLatin1String("orientation")), QStringLiteral("page.orientation"));
            if (o == QLatin1String("landscape"))
                def.landscape = true;
            else if (o != QLatin1String("portrait"))
                p.fail(QStringLiteral("page.orientation"),
                       QStringLiteral("「%1」は portrait か landscape にしてください").arg(o));
        } else {
            def.landscape = w > h;
        }
        // width and height are the page as drawn; the orientation only tells
        // the printer how the sheet is fed, so the two must agree.
        if (def.landscape ? w < h : w > h)
            p.fail(where, QStringLiteral("向き（%1）と幅 %2・高さ %3 mm が合いません")
                              .arg(def.landscape ? QStringLiteral("landscape") : QStringLiteral("portrait"))
                              .arg(w)
                              .arg(h));
        if (page.contains(QLatin1String("offset")))
            def.offset = p.point(page.value(QLatin1String("offset")), QStringLiteral("page.offset"));
    }

    FormTextStyle base;
    base.family = QStringLiteral("IPAゴシック");
    if (root.contains(QLatin1String("font")))
        p.font(root.value(QLatin1String("font")), QStringLiteral("font"), base);

    const QJsonArray fields = p.array(p.required(root, QString(), "fields"), QStringLiteral("fields"));
    def.fields.reserve(static_cast<size_t>(fields.size()));
    for (int i = 0; i < fields.size(); ++i) {
        QString where = itemName(QStringLiteral("fields"), i);
        const QJsonObject o = p.object(fields[i], where);
        FormField f;
        f.name = p.text(p.required(o, where, "name"), where + QStringLiteral(".name"));
        if (f.name.isEmpty())
            p.fail(where, QStringLiteral("name が空です"));
        where = QStringLiteral("項目「%1」").arg(f.name);
        p.allowOnly(o, where, {"name", "kind", "box", "font", "align", "valign", "pitch", "rotate", "columns",
                               "rows", "columnPitch", "rowPitch", "columnLayout"});
        if (def.index_.contains(f.name))
            throw DbError(FormErr::FormFileInvalid,
                          QStringLiteral("帳票ファイル「%1」が正しくありません: 項目「%2」が 2 つあります。")
                              .arg(formName, f.name));
        if (o.contains(QLatin1String("kind"))) {
            const QString kind = p.text(o.value(QLatin1String("kind")), where + QStringLiteral(".kind"));
            if (kind == QLatin1String("list"))
                f.kind = FormFieldKind::List;
            else if (kind != QLatin1String("plain"))
                p.fail(where + QStringLiteral(".kind"),
                       QStringLiteral("「%1」は plain か list にしてください").arg(kind));
        }
        f.box = p.box(p.required(o, where, "box"), where + QStringLiteral(".box"));
        f.style = base;
        p.textStyle(o, where, f.style);

        if (f.kind == FormFieldKind::List) {
            f.columns = p.count(p.required(o, where, "columns"), where + QStringLiteral(".columns"));
            f.rows = p.count(p.required(o, where, "rows"), where + QStringLiteral(".rows"));
            if (o.contains(QLatin1String("columnLayout"))) {
                const QString lw = where + QStringLiteral(".columnLayout");
                const QJsonArray layout = p.array(o.value(QLatin1String("columnLayout")), lw);
                if (layout.size() != f.columns)
                    p.fail(lw, QStringLiteral("列の数 %1 と columns %2 が合いません").arg(layout.size()).arg(f.columns));
                for (int c = 0; c < layout.size(); ++c) {
                    const QString cw = itemName(lw, c);
                    const QJsonObject co = p.object(layout[c], cw);
                    p.allowOnly(co, cw, {"x", "width", "align"});
                    FormColumn col;
                    col.x = p.nonNegative(p.required(co, cw, "x"), cw + QStringLiteral(".x"));
                    col.width = p.positive(p.required(co, cw, "width"), cw + QStringLiteral(".width"));
                    col.align = co.contains(QLatin1String("align"))
                                    ? p.align(co.value(QLatin1String("align")), cw + QStringLiteral(".align"))
                                    : f.style.align;
                    f.columnLayout.push_back(col);
                }
            } else if (f.columns > 1) {
                f.columnPitch = p.positive(p.required(o, where, "columnPitch"), where + QStringLiteral(".columnPitch"));
            } else if (o.contains(QLatin1String("columnPitch"))) {
                f.columnPitch = p.positive(o.value(QLatin1String("columnPitch")), where + QStringLiteral(".columnPitch"));
            }
            if (f.rows > 1)
                f.rowPitch = p.positive(p.required(o, where, "rowPitch"), where + QStringLiteral(".rowPitch"));
            else if (o.contains(QLatin1String("rowPitch")))
                f.rowPitch = p.positive(o.value(QLatin1String("rowPitch")), where + QStringLiteral(".rowPitch"));
            for (int c = 0; c < f.columns; ++c) {
                p.insidePage(f.cellBox(c, 0), def.pageSize, QStringLiteral("項目「%1」の列 %2").arg(f.name).arg(c));
                p.insidePage(f.cellBox(c, f.rows - 1), def.pageSize,
                             QStringLiteral("項目「%1」の列 %2 の最終行").arg(f.name).arg(c));
            }
        } else {
            for (const char *listOnly : {"columns", "rows", "columnPitch", "rowPitch", "columnLayout"}) {
                if (o.contains(QLatin1String(listOnly)))
                    p.fail(where, QStringLiteral("「%1」は一覧項目（\"kind\": \"list\"）にだけ書けます")
                                      .arg(QLatin1String(listOnly)));
            }
            p.insidePage(f.box, def.pageSize, QStringLiteral("項目「%1」").arg(f.name));
        }
        def.index_.insert(f.name, static_cast<int>(def.fields.size()));
        def.fields.push_back(std::move(f));
    }

    if (root.contains(QLatin1String("frame"))) {
        const QJsonObject frame = p.object(root.value(QLatin1String("frame")), QStringLiteral("frame"));
        p.allowOnly(frame, QStringLiteral("frame"), {"color", "lines", "boxes", "texts"});
        def.frameColor = frame.contains(QLatin1String("color"))
                             ? p.color(frame.value(QLatin1String("color")), QStringLiteral("frame.color"))
                             : QStringLiteral("#000000");
        if (frame.contains(QLatin1String("lines"))) {
            const QJsonArray lines = p.array(frame.value(QLatin1String("lines")), QStringLiteral("frame.lines"));
            for (int i = 0; i < lines.size(); ++i) {
                const QString where = itemName(QStringLiteral("frame.lines"), i);
                const QJsonObject o = p.object(lines[i], where);
                p.allowOnly(o, where, {"from", "to", "width", "style"});
                FormFrameLine l;
                l.from = p.point(p.required(o, where, "from"), where + QStringLiteral(".from"));
                l.to = p.point(p.required(o, where, "to"), where + QStringLiteral(".to"));
                if (o.contains(QLatin1String("width")))
                    l.width = p.positive(o.value(QLatin1String("width")), where + QStringLiteral(".width"));
                if (o.contains(QLatin1String("style")))
                    l.style = p.lineStyle(o.value(QLatin1String("style")), where + QStringLiteral(".style"));
                def.frameLines.push_back(l);
            }
        }
        if (frame.contains(QLatin1String("boxes"))) {
            const QJsonArray boxes = p.array(frame.value(QLatin1String("boxes")), QStringLiteral("frame.boxes"));
            for (int i = 0; i < boxes.size(); ++i) {
                const QString where = itemName(QStringLiteral("frame.boxes"), i);
                const QJsonObject o = p.object(boxes[i], where);
                p.allowOnly(o, where, {"box", "width", "style", "fill"});
                FormFrameBox b;
                b.box = p.box(p.required(o, where, "box"), where + QStringLiteral(".box"));
                if (o.contains(QLatin1String("width")))
                    b.width = p.nonNegative(o.value(QLatin1String("width")), where + QStringLiteral(".width"));
                if (o.contains(QLatin1String("style")))
                    b.style = p.lineStyle(o.value(QLatin1String("style")), where + QStringLiteral(".style"));
                if (o.contains(QLatin1String("fill")))
                    b.fill = p.color(o.value(QLatin1String("fill")), where + QStringLiteral(".fill"));
                def.frameBoxes.push_back(b);
            }
        }
        if (frame.contains(QLatin1String("texts"))) {
            const QJsonArray texts = p.array(frame.value(QLatin1String("texts")), QStringLiteral("frame.texts"));
            for (int i = 0; i < texts.size(); ++i) {
                const QString where = itemName(QStringLiteral("frame.texts"), i);
                const QJsonObject o = p.object(texts[i], where);
                p.allowOnly(o, where, {"text", "box", "font", "align", "valign", "pitch", "rotate"});
                FormFrameText t;
                t.text = p.text(p.required(o, where, "text"), where + QStringLiteral(".text"));
                t.box = p.box(p.required(o, where, "box"), where + QStringLiteral(".box"));
                t.style = base;
                t.style.align = FormAlign::Center;
                p.textStyle(o, where, t.style);
                def.frameTexts.push_back(t);
            }
        }
    }
    return def;
}

FormDefinition FormDefinition::load(const QString &path)
{
    // Paths are often written the installation way ("\COR\TA2.crf").
    QString native = path;
#ifndef Q_OS_WIN
    native.replace(QLatin1Char('\\'), QLatin1Char('/'));
#endif
    const QFileInfo info(native);
    if (!info.exists() || !info.isFile())
        throw DbError(FormErr::FormFileNotFound, QStringLiteral("帳票ファイル「%1」が見つかりません。").arg(native));
    QFile file(native);
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(FormErr::OutputAccess,
                      QStringLiteral("帳票ファイル「%1」を開けません（%2）。").arg(native, file.errorString()));
    return parse(file.readAll(), info.fileName());
}
