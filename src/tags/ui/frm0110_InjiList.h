#pragma once
// The tag issue screen: import batches, the tag summary of the chosen
// batch, and the lines of the chosen tag kind. The 札名 button runs the
// whole kind, a line's 伝票No button that one line; the picture of the
// current tag is shown over the screen when there is one.

#include "tags/TagIssue.h"
#include "tags/ui/frm9002_Huda_Pict.h"

#include <QDialog>
#include <QPointer>

#include <functional>

class Dialogs;
class GridView;
class QFrame;
class QLabel;

class frm0110_InjiList : public QDialog {
    Q_OBJECT
public:
    // `settings` gives the settings of each run (the settings files when omitted).
    explicit frm0110_InjiList(Dialogs &dialogs, QWidget *parent = nullptr,
                              std::function<TagSettings()> settings = readTagSettings);

    GridView *tdbList1 = nullptr;   // batches
    GridView *tdbList2 = nullptr;   // tag summary
    GridView *tdbList3 = nullptr;   // lines of a tag kind
    QFrame *Frame1 = nullptr;       // the tag picture over the screen
    QLabel *imgPict = nullptr;

    // The PB flag of the tag kind last chosen in the summary ("0", "-1"),
    // which the one-line run goes by.
    const QString &lineFlag() const { return lineFlag_; }

    // Shows the picture of the summary's current tag, or hides the frame
    // when that tag has none; a row without a tag name leaves it as it is.
    void ShowTagPicture();

    // The full-size picture window last opened from the frame.
    frm9002_Huda_Pict *pictureWindow() const { return pictureWindow_; }
    void openPictureWindow();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    template <class F>
    void guarded(F &&action);
    void openBatch();
    // The batch list again on the same batch (its "*" as the lines now are).
    void refreshBatches();
    void summaryButton(int row, int column);
    void listLines(const TagKindRow &row);
    void runKind(const TagKindRow &row);
    void runLine(int row);
    TagKindRow summaryRow(int row) const;
    void clearSummary();
    void clearLines();
    void hidePicture();

    Dialogs &dialogs_;
    std::function<TagSettings()> settings_;
    QString lineFlag_;
    bool activated_ = false;
    bool keepLines_ = false;
    QPointer<frm9002_Huda_Pict> pictureWindow_;
};
