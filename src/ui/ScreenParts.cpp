#include "ui/ScreenParts.h"

#include "ui/GridView.h"

#include <QBoxLayout>
#include <QLabel>

GridView *addTitledGrid(QWidget *owner, QBoxLayout *row, const QString &title, const char *objectName, int stretch)
{
    auto *box = new QVBoxLayout;
    box->addWidget(new QLabel(title, owner));
    auto *grid = new GridView(owner);
    grid->setObjectName(QString::fromLatin1(objectName));
    box->addWidget(grid, 1);
    row->addLayout(box, stretch);
    return grid;
}

GridView *focusFirstGridWithRows(std::initializer_list<GridView *> grids)
{
    GridView *chosen = nullptr;
    for (GridView *grid : grids) {
        if (grid->gridModel()->rowCount() > 0) {
            chosen = grid;
            break;
        }
    }
    if (!chosen && grids.size() > 0)
        chosen = *grids.begin();
    if (chosen)
        chosen->setFocus(Qt::OtherFocusReason);
    return chosen;
}
