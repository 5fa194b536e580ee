#pragma once
// A Dialogs double for tests: records every box and answers from a script.
// A box with only an OK button is answered OK without a script line; any
// question, input or chooser that the script does not expect fails the test
// and is answered Cancel, so a test never hangs on a dialog.

#include "store/Dialogs.h"
#include "support/QtPrint.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <variant>

class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString kind;          // "message", "input", "open", "save", "folder"
        QString text;
        QString title;
        MsgIcon icon = MsgIcon::None;
        MsgButtons buttons = MsgButtons::Ok;
        MsgResult defaultButton = MsgResult::Ok;
    };

    // Script lines, consumed in order.
    ScriptedDialogs &answer(MsgResult result);
    ScriptedDialogs &answerInput(std::optional<QString> text);
    ScriptedDialogs &answerFile(const QString &path);     // open or save; empty = cancel
    ScriptedDialogs &answerFolder(const QString &path);   // empty = cancel

    MsgResult message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons,
                      MsgResult defaultButton) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) override;
    QString openFile(const QString &title, const QString &startFolder, const QString &filter) override;
    QString saveFile(const QString &title, const QString &startPath, const QString &filter) override;
    QString chooseFolder(const QString &caption, const QString &startFolder) override;

    const QList<Shown> &shown() const { return shown_; }
    // The texts of every box shown, in order.
    QStringList texts() const;
    // Script lines not consumed (a test usually expects none).
    size_t pending() const { return script_.size(); }

private:
    struct FileAnswer {
        QString path;
    };
    struct FolderAnswer {
        QString path;
    };
    struct InputAnswer {
        std::optional<QString> text;
    };
    using Line = std::variant<MsgResult, InputAnswer, FileAnswer, FolderAnswer>;
    template <class T>
    std::optional<T> take(const QString &what);

    std::deque<Line> script_;
    QList<Shown> shown_;
};
