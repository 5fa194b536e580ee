#pragma once
// The slip list: import batches, their slips or orders, and the print,
// correction and export actions on them.

#include <QDialog>

#include <functional>

class Dialogs;
class FunctionKeyBar;
class GridView;

// What the screen asks of printing. Each call asks the run's questions,
// shows the print window and stamps what the run printed; it returns
// PrintRun::Done when the run went to its end, Declined when a question was
// answered Cancel (nothing printed), Stopped when the operator stopped it.
namespace PrintRun {
constexpr int Done = 0;
constexpr int Declined = 1;
constexpr int Stopped = 2;
} // namespace PrintRun

struct DenListPrinting {
    // The batch row's output date and count cells as the screen shows them
    // (the questions quote them).
    std::function<int(qint32 batch, const QString &outputDate, const QString &count)> allSlips;
    std::function<int(qint32 batch, const QString &outputDate, const QString &count)> allAssortmentLists;
    std::function<int(qint32 batch, const QString &slipNo)> oneSlip;
    std::function<int(qint32 batch, const QString &orderNo)> oneAssortmentList;
    // Shows the pages without printing or stamping them: the batch's slips
    // (`slips`) or assortment lists, or only slip or order `one`. True when
    // the operator asked to print them; the screen then runs the print key.
    std::function<bool(qint32 batch, const QString &one, bool slips)> preview;
};

class frm0101_DenList : public QDialog {
    Q_OBJECT
public:
    frm0101_DenList(Dialogs &dialogs, DenListPrinting printing, QWidget *parent = nullptr);

    void setPrinting(DenListPrinting printing) { printing_ = std::move(printing); }

    enum Mode { None = 0, Batches = 1, Slips = 2, Orders = 3 };
    int mode() const { return mode_; }

    // Shows the labels of `mode` and makes it the detail mode.
    void SetFunctionKeys(int mode);
    // Acts as key F(index + 1).
    void functionKey(int index);

    GridView *tdbList1 = nullptr;
    GridView *tdbList2 = nullptr;
    FunctionKeyBar *xlabFnc = nullptr;

    // The statements of the three lists (the batch number as given).
    static QString batchListSql();
    static QString slipListSql(const QString &batch);
    static QString orderListSql(const QString &batch);

protected:
    void showEvent(QShowEvent *event) override;

private:
    template <class F>
    void guarded(F &&action);
    void loadBatches();
    void clearDetail();
    void batchButton(int row, int column);
    void detailButton(int row, int column);
    void listSlips(int row);
    void listOrders(int row);
    void printAllSlips(int row);
    void printAllLists(int row);
    void printOneSlip(int row);
    void printOneList(int row);
    void previewBatch(int row, bool slips);
    void previewDetail(int row);
    void correctQuantities(int row);
    void exportDelivery();
    // The row the single-row actions work on; -1 (after saying so) when the grid is empty.
    int actionRow(GridView *grid);
    bool detailIsSlips() const;
    QString today() const;

    Dialogs &dialogs_;
    DenListPrinting printing_;
    bool loaded_ = false;
    int mode_ = None;
};
