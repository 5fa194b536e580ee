#pragma once
// Qt's own texts (the file dialog and its buttons and messages, the
// standard buttons) in Japanese, as every other text of the application.

#include <QList>

class QTranslator;

// Installs Qt's Japanese catalogues from Qt's translations folder into the
// running application, whatever the desktop's language. Returns the
// translators installed (owned by the application object); none when the
// catalogues are not installed, and Qt then speaks English.
QList<QTranslator *> installQtTranslations();
