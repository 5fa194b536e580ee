#pragma once
// Dialogs for the benchmarks: messages go to standard error, every
// question is answered OK and every chooser cancelled.

#include "store/Dialogs.h"

#include <cstdio>

class QuietDialogs : public Dialogs {
public:
    MsgResult message(const QString &text, const QString &, MsgIcon, MsgButtons, MsgResult) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        return MsgResult::Ok;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return std::nullopt; }
    QString openFile(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFile(const QString &, const QString &, const QString &) override { return {}; }
    QString chooseFolder(const QString &, const QString &) override { return {}; }
};
