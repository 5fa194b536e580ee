#include "app/BatchDialogs.h"

#include "store/BatchCommand.h"

#include <cstdio>
#include <iostream>
#include <string>

BatchDialogs::BatchDialogs(QTextStream &out, QTextStream &err, bool yes, bool interactive)
    : out_(out), err_(err), yes_(yes), interactive_(interactive)
{
}

QString BatchDialogs::oneLine(const QString &text)
{
    return batchLine(text);
}

QString BatchDialogs::readLine()
{
    std::string line;
    if (!std::getline(std::cin, line))
        return QString();
    return QString::fromLocal8Bit(line.c_str()).trimmed();
}

MsgResult BatchDialogs::message(const QString &text, const QString &, MsgIcon icon, MsgButtons buttons,
                                MsgResult defaultButton)
{
    const QString line = oneLine(text);
    if (buttons == MsgButtons::Ok) {
        if (icon == MsgIcon::Critical)
            err_ << QStringLiteral("エラー: ") << line << Qt::endl;
        else
            out_ << line << Qt::endl;
        return MsgResult::Ok;
    }
    const MsgResult positive = (buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel)
        ? MsgResult::Yes
        : buttons == MsgButtons::RetryCancel ? MsgResult::Retry : MsgResult::Ok;
    const MsgResult negative = (buttons == MsgButtons::YesNo) ? MsgResult::No : MsgResult::Cancel;
    if (yes_) {
        out_ << line << QStringLiteral(" → OK") << Qt::endl;
        return positive;
    }
    if (interactive_) {
        out_ << line << (defaultButton == positive ? QStringLiteral(" [Y/n] ") : QStringLiteral(" [y/N] "))
             << Qt::flush;
        const QString a = readLine().toLower();
        const bool ok = a.isEmpty() ? defaultButton == positive : (a == QLatin1String("y") || a == QLatin1String("yes"));
        if (!ok)
            declined_ = true;
        return ok ? positive : negative;
    }
    out_ << line << QStringLiteral(" → キャンセル（--yes で OK と答えます）") << Qt::endl;
    declined_ = true;
    return negative;
}

std::optional<QString> BatchDialogs::input(const QString &prompt, const QString &, const QString &defaultText)
{
    if (yes_ && !defaultText.isEmpty()) {
        out_ << oneLine(prompt) << QStringLiteral(" → ") << defaultText << Qt::endl;
        return defaultText;
    }
    if (!interactive_) {
        out_ << oneLine(prompt) << QStringLiteral(" → キャンセル") << Qt::endl;
        declined_ = true;
        return std::nullopt;
    }
    out_ << oneLine(prompt) << QStringLiteral(" [") << defaultText << QStringLiteral("] ") << Qt::flush;
    const QString a = readLine();
    return a.isEmpty() ? defaultText : a;
}

QString BatchDialogs::nextPath()
{
    if (paths_.isEmpty())
        return QString();
    return paths_.takeFirst();
}

QString BatchDialogs::openFile(const QString &, const QString &, const QString &)
{
    return nextPath();
}

QString BatchDialogs::saveFile(const QString &, const QString &, const QString &)
{
    return nextPath();
}

QString BatchDialogs::chooseFolder(const QString &, const QString &)
{
    return nextPath();
}
