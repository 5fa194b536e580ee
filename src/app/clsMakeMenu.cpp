#include "app/clsMakeMenu.h"

#include <QStringList>

#include "store/AppFolder.h"
#include "store/Database.h"

void clsMakeMenu::showMenu(const QString &page, Database *connection)
{
    if (connection)
        connection_ = connection;
    if (!connection_)
        throw DbError(91, QStringLiteral("データベースに接続されていません。"));
    // The table name comes from Conf.DAT, edited by hand: allow only a plain name.
    for (QChar c : menuName_)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_')))
            throw DbError(3078, QStringLiteral("メニューテーブル名 '%1' が正しくありません。").arg(menuName_));
    Recordset rs = connection_->query(
        QStringLiteral("Select Menu_No_IDX,Menu_Name,Menu_Comment,Menu_Ku,Next_P From %1 Where Menu_No=?")
            .arg(menuName_),
        {page});

    for (Entry &e : entries_)
        e = Entry{};
    if (host_)
        for (int i = 0; i < EntryCount; ++i)
            host_->setMenuEntry(i, QString(), QString());

    for (; !rs.eof(); rs.moveNext()) {
        const QVariant idx = rs.field(QStringLiteral("Menu_No_IDX"));
        bool ok = false;
        const int position = idx.toInt(&ok);
        if (!ok || position < 0 || position > 9)
            throw DbError(9, QStringLiteral("メニュー番号 %1 は 0 から 9 の範囲外です。").arg(idx.toString()));
        const QString name = rs.text(QStringLiteral("Menu_Name"));
        if (position == 0) {
            if (host_)
                host_->setMenuTitle(name);
            continue;
        }
        if (host_)
            host_->setMenuEntry(position - 1, name, rs.text(QStringLiteral("Menu_Comment")));
        entries_[position] = Entry{rs.text(QStringLiteral("Menu_Ku")), rs.text(QStringLiteral("Next_P"))};
    }
}

int clsMakeMenu::entryNumber(const QString &command)
{
    if (command.size() >= 10 || command.isEmpty())
        return 0;
    // Digits only: "3.0", "+3" and " 3" select nothing.
    for (QChar c : command)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
    const int n = command.toInt();
    return n >= 1 && n <= 9 ? n : 0;
}

bool clsMakeMenu::hasEntry(int n) const
{
    static const QStringList kinds{"M", "F", "S", "SHELL_APP", "SHELL_FULL"};
    return n >= 1 && n <= 9 && kinds.contains(entries_[n].kind.toUpper());
}

void clsMakeMenu::MenuSelect(const QString &command)
{
    const int n = entryNumber(command);
    if (n == 0)
        return;
    const QString kind = entries_[n].kind.toUpper();
    const QString target = entries_[n].target;
    if (!host_)
        return;
    if (kind == QLatin1String("M"))
        showMenu(target, nullptr);
    else if (kind == QLatin1String("F"))
        host_->openScreen(target);
    else if (kind == QLatin1String("S"))
        host_->loadProcedure(target);
    else if (kind == QLatin1String("SHELL_APP"))
        host_->shellOpen(AppFolder::file(target));
    else if (kind == QLatin1String("SHELL_FULL"))
        host_->shellOpen(target);
}

void clsMakeMenu::FunctionKey(int keyCode, int)
{
    if (keyCode >= 112 && keyCode <= 120)
        MenuSelect(QString::number(keyCode - 111));
}

void clsMakeMenu::cmdClick(int index)
{
    MenuSelect(QString::number(index + 1));
}
