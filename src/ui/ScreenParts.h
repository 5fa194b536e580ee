#pragma once
// Small pieces the list screens share.

#include "store/DbError.h"
#include "store/Dialogs.h"

#include <QApplication>
#include <QString>
#include <QWidget>

#include <initializer_list>

class GridView;
class QBoxLayout;

// A grid under its caption, added to `row` with `stretch`; the grid gets
// `objectName` and belongs to `owner`.
GridView *addTitledGrid(QWidget *owner, QBoxLayout *row, const QString &title, const char *objectName, int stretch);

// Where a list screen opens: the first of `grids` (in the order the operator
// reads them) that has rows, so Space and the arrows act at once; the first
// grid when all are empty, without a word. The grid given the focus.
GridView *focusFirstGridWithRows(std::initializer_list<GridView *> grids);

// Runs a button's action; an engine error it throws is reported where the
// button started it, with any busy cursor put back first.
template <typename F>
void runGuarded(Dialogs &dialogs, const QWidget *screen, F &&action)
{
    try {
        action();
    } catch (const DbError &e) {
        if (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        dialogs.error(unhandledErrorText(e.number(), e.description()), screen->windowTitle());
    }
}
