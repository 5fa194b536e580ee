#pragma once
// Every message box, question, input box and file or folder chooser goes
// through this interface. Screens use the Qt implementation, the batch mode
// answers on the terminal, and tests answer from a script, so an operation
// never blocks on a real modal dialog it cannot see.

#include <QString>
#include <QStringList>

#include <optional>

enum class MsgIcon { None, Information, Question, Warning, Critical };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgResult { Ok, Cancel, Yes, No, Retry };

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box. `defaultButton` is the button Enter presses (the safe
    // answer for destructive questions).
    virtual MsgResult message(const QString &text, const QString &title, MsgIcon icon,
                              MsgButtons buttons, MsgResult defaultButton) = 0;

    // An input box; nothing on cancel.
    virtual std::optional<QString> input(const QString &prompt, const QString &title,
                                         const QString &defaultText) = 0;

    // File choosers; empty text on cancel. `filter` uses Qt's form,
    // for example "データファイル (*.txt *.dat);;すべてのファイル (*)".
    virtual QString openFile(const QString &title, const QString &startFolder,
                             const QString &filter) = 0;
    virtual QString saveFile(const QString &title, const QString &startPath,
                             const QString &filter) = 0;

    // Folder chooser; empty text on cancel.
    virtual QString chooseFolder(const QString &caption, const QString &startFolder) = 0;

    // Shorthands for the usual boxes.
    void info(const QString &text, const QString &title = QString())
    {
        message(text, title, MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok);
    }
    void error(const QString &text, const QString &title = QString())
    {
        message(text, title, MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
    }
    // OK/Cancel with the question icon; true on OK.
    bool confirm(const QString &text, const QString &title = QString(),
                 MsgResult defaultButton = MsgResult::Ok)
    {
        return message(text, title, MsgIcon::Question, MsgButtons::OkCancel, defaultButton)
            == MsgResult::Ok;
    }
};

// The title every box of the application carries unless its text says otherwise.
inline QString applicationTitle()
{
    return QStringLiteral("TOBARI EDIシステム");
}
