// The form definition reader: the JSON form files (".crf") under COR/,
// which an installation may edit by hand.
//
// Promises checked:
//  - a file is either read whole or refused with the form-file error,
//    whose message names the form (so the operator knows which file);
//  - a form that is read has a page of positive finite size, every field
//    once under its name, every coordinate finite, every field box and
//    every list cell inside the page (within the tolerance the reader
//    allows), list sizes within their limits and a column layout for
//    every column when there is one.

#include "FuzzCheck.h"

#include "slips/FormDefinition.h"
#include "slips/FormRenderer.h"
#include "store/DbError.h"

#include <cmath>
#include <cstdint>

namespace {

const QString FormName = QStringLiteral("FUZZ.crf");

bool finite(const QRectF &r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

void checkInside(const FormDefinition &def, const QRectF &r, const QString &what)
{
    constexpr double slack = 0.011;
    FUZZ_CHECK_MSG(finite(r) && r.width() > 0 && r.height() > 0, what);
    FUZZ_CHECK_MSG(r.left() >= -slack && r.top() >= -slack && r.right() <= def.pageSize.width() + slack
                       && r.bottom() <= def.pageSize.height() + slack,
                   QStringLiteral("%1 at %2,%3 %4x%5 on %6x%7")
                       .arg(what).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())
                       .arg(def.pageSize.width()).arg(def.pageSize.height()));
}

void checkStyle(const FormTextStyle &s, const QString &what)
{
    FUZZ_CHECK_MSG(std::isfinite(s.size) && s.size > 0, what);
    FUZZ_CHECK_MSG(std::isfinite(s.pitch) && s.pitch >= 0, what);
    FUZZ_CHECK_MSG(s.rotation == 0 || s.rotation == 90, what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(bytes), qsizetype(size));
    FormDefinition def;
    try {
        def = FormDefinition::parse(json, FormName);
    } catch (const DbError &e) {
        FUZZ_CHECK_MSG(e.number() == FormErr::FormFileInvalid, e.description());
        FUZZ_CHECK_MSG(e.description().contains(FormName), e.description());
        return 0;
    }

    FUZZ_CHECK(def.name == FormName);
    FUZZ_CHECK(std::isfinite(def.pageSize.width()) && def.pageSize.width() > 0);
    FUZZ_CHECK(std::isfinite(def.pageSize.height()) && def.pageSize.height() > 0);
    FUZZ_CHECK(def.landscape == (def.pageSize.width() > def.pageSize.height())
               || def.pageSize.width() == def.pageSize.height());
    FUZZ_CHECK(std::isfinite(def.offset.x()) && std::isfinite(def.offset.y()));

    for (size_t i = 0; i < def.fields.size(); ++i) {
        const FormField &f = def.fields[i];
        FUZZ_CHECK(!f.name.isEmpty());
        FUZZ_CHECK_MSG(def.indexOf(f.name) == int(i), f.name);
        checkStyle(f.style, f.name);
        if (f.kind == FormFieldKind::Plain) {
            FUZZ_CHECK(f.columns == 1 && f.rows == 1 && f.columnLayout.empty());
            checkInside(def, f.box, f.name);
            continue;
        }
        FUZZ_CHECK_MSG(f.columns >= 1 && f.columns <= 10000 && f.rows >= 1 && f.rows <= 10000, f.name);
        FUZZ_CHECK_MSG(f.columnLayout.empty() || int(f.columnLayout.size()) == f.columns, f.name);
        FUZZ_CHECK_MSG(std::isfinite(f.columnPitch) && f.columnPitch >= 0, f.name);
        FUZZ_CHECK_MSG(std::isfinite(f.rowPitch) && f.rowPitch >= 0, f.name);
        for (int c = 0; c < f.columns; ++c) {
            for (int r : {0, f.rows / 2, f.rows - 1})
                checkInside(def, f.cellBox(c, r), QStringLiteral("%1 cell %2,%3").arg(f.name).arg(c).arg(r));
            const FormAlign a = f.cellAlign(c);
            FUZZ_CHECK(a == FormAlign::Left || a == FormAlign::Center || a == FormAlign::Right);
        }
    }
    for (const FormFrameLine &l : def.frameLines) {
        FUZZ_CHECK(std::isfinite(l.from.x()) && std::isfinite(l.from.y()));
        FUZZ_CHECK(std::isfinite(l.to.x()) && std::isfinite(l.to.y()));
        FUZZ_CHECK(std::isfinite(l.width) && l.width > 0);
    }
    for (const FormFrameBox &b : def.frameBoxes) {
        FUZZ_CHECK(finite(b.box) && b.box.width() > 0 && b.box.height() > 0);
        FUZZ_CHECK(std::isfinite(b.width) && b.width >= 0);
    }
    for (const FormFrameText &t : def.frameTexts) {
        FUZZ_CHECK(finite(t.box) && t.box.width() > 0 && t.box.height() > 0);
        checkStyle(t.style, t.text);
    }
    return 0;
}
