#include "ui/QtDialogs.h"

#include "ui/FocusReturn.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

QWidget *QtDialogs::parent() const
{
    return FocusReturn::currentWindow(owner_);
}

MsgResult QtDialogs::message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons,
                             MsgResult defaultButton)
{
    const FocusReturn back(parent());
    QMessageBox box(back.window());
    box.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    struct B {
        MsgResult r;
        QMessageBox::StandardButton b;
        const char16_t *label;
    };
    QList<B> list;
    switch (buttons) {
    case MsgButtons::Ok: list = {{MsgResult::Ok, QMessageBox::Ok, u"OK"}}; break;
    case MsgButtons::OkCancel:
        list = {{MsgResult::Ok, QMessageBox::Ok, u"OK"}, {MsgResult::Cancel, QMessageBox::Cancel, u"キャンセル"}};
        break;
    case MsgButtons::YesNo:
        list = {{MsgResult::Yes, QMessageBox::Yes, u"はい(&Y)"}, {MsgResult::No, QMessageBox::No, u"いいえ(&N)"}};
        break;
    case MsgButtons::YesNoCancel:
        list = {{MsgResult::Yes, QMessageBox::Yes, u"はい(&Y)"},
                {MsgResult::No, QMessageBox::No, u"いいえ(&N)"},
                {MsgResult::Cancel, QMessageBox::Cancel, u"キャンセル"}};
        break;
    case MsgButtons::RetryCancel:
        list = {{MsgResult::Retry, QMessageBox::Retry, u"再試行(&R)"},
                {MsgResult::Cancel, QMessageBox::Cancel, u"キャンセル"}};
        break;
    }
    for (const B &b : list) {
        QPushButton *p = box.addButton(b.b);
        p->setText(QString::fromUtf16(b.label));
        if (b.r == defaultButton)
            box.setDefaultButton(p);
    }
    const int r = box.exec();
    for (const B &b : list)
        if (r == b.b)
            return b.r;
    // Closed with Escape or the close box: the negative answer.
    return buttons == MsgButtons::Ok ? MsgResult::Ok : buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
}

std::optional<QString> QtDialogs::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    const FocusReturn back(parent());
    bool ok = false;
    const QString t = QInputDialog::getText(back.window(), title.isEmpty() ? applicationTitle() : title, prompt,
                                            QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return t;
}

QString QtDialogs::openFile(const QString &title, const QString &startFolder, const QString &filter)
{
    const FocusReturn back(parent());
    return QFileDialog::getOpenFileName(back.window(), title, startFolder, filter);
}

QString QtDialogs::saveFile(const QString &title, const QString &startPath, const QString &filter)
{
    const FocusReturn back(parent());
    return QFileDialog::getSaveFileName(back.window(), title, startPath, filter);
}

QString QtDialogs::chooseFolder(const QString &caption, const QString &startFolder)
{
    const FocusReturn back(parent());
    return QFileDialog::getExistingDirectory(back.window(), caption, startFolder, QFileDialog::ShowDirsOnly);
}
