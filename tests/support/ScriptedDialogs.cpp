#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

ScriptedDialogs &ScriptedDialogs::answer(MsgResult result)
{
    script_.push_back(result);
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answerInput(std::optional<QString> text)
{
    script_.push_back(InputAnswer{std::move(text)});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answerFile(const QString &path)
{
    script_.push_back(FileAnswer{path});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answerFolder(const QString &path)
{
    script_.push_back(FolderAnswer{path});
    return *this;
}

template <class T>
std::optional<T> ScriptedDialogs::take(const QString &what)
{
    if (script_.empty()) {
        ADD_FAILURE() << "unexpected dialog: " << what.toStdString();
        return std::nullopt;
    }
    if (!std::holds_alternative<T>(script_.front())) {
        ADD_FAILURE() << "dialog does not match the script: " << what.toStdString();
        return std::nullopt;
    }
    T v = std::get<T>(script_.front());
    script_.pop_front();
    return v;
}

MsgResult ScriptedDialogs::message(const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons,
                                   MsgResult defaultButton)
{
    shown_.append({QStringLiteral("message"), text, title, icon, buttons, defaultButton});
    if (buttons == MsgButtons::Ok)   // a notice needs no script line
        return MsgResult::Ok;
    return take<MsgResult>(QStringLiteral("message: ") + text).value_or(MsgResult::Cancel);
}

std::optional<QString> ScriptedDialogs::input(const QString &prompt, const QString &title, const QString &)
{
    shown_.append({QStringLiteral("input"), prompt, title});
    auto a = take<InputAnswer>(QStringLiteral("input: ") + prompt);
    return a ? a->text : std::nullopt;
}

QString ScriptedDialogs::openFile(const QString &title, const QString &startFolder, const QString &)
{
    shown_.append({QStringLiteral("open"), startFolder, title});
    auto a = take<FileAnswer>(QStringLiteral("open file: ") + title);
    return a ? a->path : QString();
}

QString ScriptedDialogs::saveFile(const QString &title, const QString &startPath, const QString &)
{
    shown_.append({QStringLiteral("save"), startPath, title});
    auto a = take<FileAnswer>(QStringLiteral("save file: ") + title);
    return a ? a->path : QString();
}

QString ScriptedDialogs::chooseFolder(const QString &caption, const QString &startFolder)
{
    shown_.append({QStringLiteral("folder"), startFolder, caption});
    auto a = take<FolderAnswer>(QStringLiteral("folder: ") + caption);
    return a ? a->path : QString();
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Shown &s : shown_)
        out << s.text;
    return out;
}
