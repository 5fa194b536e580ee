#pragma once
// Dialogs on screen: Qt message boxes, input boxes and file choosers, owned
// by the window that is active when they open; when one closes, that window
// has the keyboard again (FocusReturn).

#include "store/Dialogs.h"

class QWidget;

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget *owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget *owner) { owner_ = owner; }

    MsgResult message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons,
                      MsgResult defaultButton) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) override;
    QString openFile(const QString &title, const QString &startFolder, const QString &filter) override;
    QString saveFile(const QString &title, const QString &startPath, const QString &filter) override;
    QString chooseFolder(const QString &caption, const QString &startFolder) override;

private:
    QWidget *parent() const;
    QWidget *owner_;
};
