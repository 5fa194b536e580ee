#pragma once
// The folder every settings, database, form, template and definition file
// lives in. It defaults to the executable's folder; `--app-folder` or
// TOBARI_APP_FOLDER override it, since an installed executable's folder is
// not writable.

#include <QString>

namespace AppFolder {

// The folder without a trailing separator.
QString path();
void setPath(const QString &folder);

// path() + separator + `relative`; `relative` uses '/' between its parts
// ("COR/TA2.crf") and may start with a separator.
QString file(const QString &relative);

} // namespace AppFolder
