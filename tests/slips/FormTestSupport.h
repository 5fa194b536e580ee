#pragma once
// A small form used by the renderer tests: a few plain fields (one with a
// character pitch), a list of 3 columns by 4 rows, and a frame.

#include "slips/FormDefinition.h"
#include "store/DbError.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>

#include <functional>

inline QByteArray smallFormJson()
{
    return R"({
  "format": "tobari-form", "version": 1, "title": "試験帳票",
  "page": {"width": 148, "height": 105, "orientation": "landscape"},
  "font": {"family": "IPAゴシック", "size": 10},
  "fields": [
    {"name": "TITLE", "box": [10, 8, 120, 8], "font": {"size": 14}},
    {"name": "KANA", "box": [10, 20, 60, 7]},
    {"name": "AMOUNT", "box": [80, 20, 50, 7], "align": "right"},
    {"name": "SUU1", "box": [10, 30, 30, 7], "align": "right", "pitch": 2.5},
    {"name": "ITEMS", "kind": "list", "box": [10, 45, 30, 6], "columns": 3, "columnPitch": 40,
     "rows": 4, "rowPitch": 8}
  ],
  "frame": {
    "color": "#204080",
    "boxes": [{"box": [5, 5, 138, 95], "width": 0.4, "fill": "#eeeeff"}],
    "lines": [{"from": [5, 40], "to": [143, 40], "width": 0.3, "style": "dotted"}],
    "texts": [{"text": "見出し", "box": [100, 30, 40, 7]}]
  }
})";
}

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

// Runs `action`, which must throw DbError; returns it (number -1 when
// nothing was thrown, so the caller's EXPECT_EQ shows the fault).
inline DbError thrownBy(const std::function<void()> &action)
{
    try {
        action();
    } catch (const DbError &e) {
        return e;
    }
    return DbError(-1, QStringLiteral("(nothing thrown)"));
}
