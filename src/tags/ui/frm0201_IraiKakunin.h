#pragma once
// Tag-issue request confirmations: the batches, a batch's trading partners,
// and the buttons that make the confirmation workbooks of a whole batch or
// of one partner.

#include "tags/TagSettings.h"

#include <QDialog>

#include <functional>

class Dialogs;
class GridView;

class frm0201_IraiKakunin : public QDialog {
    Q_OBJECT
public:
    explicit frm0201_IraiKakunin(Dialogs &dialogs, QWidget *parent = nullptr,
                                 std::function<TagSettings()> settings = readTagSettings);

    GridView *tdbList1 = nullptr;   // batches
    GridView *tdbList2 = nullptr;   // trading partners of a batch

protected:
    void showEvent(QShowEvent *event) override;

private:
    template <class F>
    void guarded(F &&action);
    void batchButton(int row, int column);
    void partnerButton(int row, int column);
    void make(qint32 batch, const QString &partner, const QString &question);
    // The batch list again, on the same batch, the partners left shown.
    void reloadBatches();

    Dialogs &dialogs_;
    std::function<TagSettings()> settings_;
    bool activated_ = false;
};
