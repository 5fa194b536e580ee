// Qt's own dialogs speak Japanese like the rest of the application.

#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

TEST(QtTranslations, StandardButtonsAndFileDialogInJapanese)
{
    const QList<QTranslator *> installed = installQtTranslations();
    ASSERT_FALSE(installed.isEmpty()) << "Qt's Japanese catalogues are not installed (qt6-translations-l10n)";
    {
        QDialogButtonBox box(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
        EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
        EXPECT_EQ(box.button(QDialogButtonBox::Open)->text(), QStringLiteral("開く"));
    }
    // The file dialog's message for a name that does not exist.
    const char *notFound = "%1\nFile not found.\nPlease verify the correct file name was given.";
    const QString translated = QCoreApplication::translate("QFileDialog", notFound);
    EXPECT_NE(translated, QString::fromLatin1(notFound));
    EXPECT_TRUE(translated.contains(QStringLiteral("ファイル"))) << translated.toStdString();
    for (QTranslator *t : installed) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
}

} // namespace
