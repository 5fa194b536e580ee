#pragma once
// Dialogs for the batch mode: every message is one line on the terminal;
// questions are answered OK with --yes, asked on the terminal when there is
// one, and declined otherwise. File and folder choosers take the paths the
// command line gave, in order.

#include "store/Dialogs.h"

#include <QStringList>
#include <QTextStream>

class BatchDialogs : public Dialogs {
public:
    BatchDialogs(QTextStream &out, QTextStream &err, bool yes, bool interactive);

    // Paths that the next file or folder choosers return, in order.
    void presetPaths(const QStringList &paths) { paths_ = paths; }

    MsgResult message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons,
                      MsgResult defaultButton) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) override;
    QString openFile(const QString &title, const QString &startFolder, const QString &filter) override;
    QString saveFile(const QString &title, const QString &startPath, const QString &filter) override;
    QString chooseFolder(const QString &caption, const QString &startFolder) override;

    // Whether any question was declined (the command then did nothing).
    bool declined() const { return declined_; }

    // `text` on one line: line breaks become a full-width space.
    static QString oneLine(const QString &text);

private:
    QString nextPath();
    QString readLine();

    QTextStream &out_;
    QTextStream &err_;
    bool yes_;
    bool interactive_;
    bool declined_ = false;
    QStringList paths_;
};
