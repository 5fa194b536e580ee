#pragma once
// Request-based tag data: the tag-issue requests, a request's orders, the
// quantity correction of an order in request mode, and the button that
// writes a request's tag data for the tag-making place.

#include "tags/TagSettings.h"

#include <QDialog>

#include <functional>

class Dialogs;
class GridView;

class frm0210_InjiList : public QDialog {
    Q_OBJECT
public:
    // Opens the quantity correction of one order of a request (request mode).
    using Correction = std::function<void(QWidget *owner, const QString &request, const QString &orderNo)>;

    frm0210_InjiList(Dialogs &dialogs, Correction correction, QWidget *parent = nullptr,
                     std::function<TagSettings()> settings = readTagSettings);

    GridView *tdbList1 = nullptr;   // requests
    GridView *tdbList2 = nullptr;   // orders of a request

protected:
    void showEvent(QShowEvent *event) override;

private:
    template <class F>
    void guarded(F &&action);
    void requestButton(int row, int column);
    void orderButton(int row, int column);

    Dialogs &dialogs_;
    Correction correction_;
    std::function<TagSettings()> settings_;
    bool activated_ = false;
};
