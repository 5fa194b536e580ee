#include "tags/ui/frm0110_InjiList.h"

#include "ui/WindowSize.h"
#include "ui/GridView.h"
#include "ui/ScreenParts.h"
#include "ui/LoadGrid.h"
#include "store/Clock.h"
#include "store/Connection.h"
#include "store/Dialogs.h"
#include "tags/TagSummary.h"
#include "tags/ui/frm9002_Huda_Pict.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

// Captions the screen finds its cells by.
const QString kBatchNo = QStringLiteral("管理No");
const QString kKind = QStringLiteral("札種");
const QString kCode = QStringLiteral("札区");
const QString kName = QStringLiteral("札名");
const QString kCount = QStringLiteral("数量");
const QString kNote = QStringLiteral("備考");
const QString kSlipNo = QStringLiteral("伝票No");
const QString kLineKey = QStringLiteral("IDX");
const QString kOutputDate = QStringLiteral("出力日");

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

template <class F>
void frm0110_InjiList::guarded(F &&action)
{
    runGuarded(dialogs_, this, std::forward<F>(action));
}

frm0110_InjiList::frm0110_InjiList(Dialogs &dialogs, QWidget *parent, std::function<TagSettings()> settings)
    : QDialog(parent), dialogs_(dialogs), settings_(std::move(settings))
{
    setObjectName(QStringLiteral("frm0110_InjiList"));
    setWindowTitle(QStringLiteral("印字データ操作"));
    // The batches and their summary side by side, the lines of a kind below
    // over the whole width: the three grids' columns do not fit side by
    // side on a 1280-pixel display.
    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    tdbList1 = addTitledGrid(this, top, QStringLiteral("取込データ"), "tdbList1", 1);
    tdbList2 = addTitledGrid(this, top, QStringLiteral("札種別集計"), "tdbList2", 1);
    auto *bottom = new QHBoxLayout;
    tdbList3 = addTitledGrid(this, bottom, QStringLiteral("明細"), "tdbList3", 1);
    layout->addLayout(top, 2);
    layout->addLayout(bottom, 3);
    openSized(this, QSize(1270, 720));

    // The picture floats over the screen, sized to the image.
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    imgPict = new QLabel(Frame1);
    imgPict->setObjectName(QStringLiteral("imgPict"));
    imgPict->setToolTip(QStringLiteral("ダブルクリックで画像を別の窓に表示します"));
    imgPict->installEventFilter(this);
    Frame1->hide();

    connect(tdbList1, &GridView::buttonClicked, this, [this](int, int column) {
        if (column == tdbList1->columnOf(kBatchNo))
            guarded([&] { openBatch(); });
    });
    connect(tdbList2, &GridView::buttonClicked, this,
            [this](int row, int column) { guarded([&] { summaryButton(row, column); }); });
    connect(tdbList3, &GridView::buttonClicked, this, [this](int row, int column) {
        if (column == tdbList3->columnOf(kSlipNo))
            guarded([&] { runLine(row); });
    });
    connect(tdbList1, &GridView::currentRowChanged, this, [this](int row, int previous) {
        if (row != previous) {
            clearSummary();
            clearLines();
        }
    });
    connect(tdbList2, &GridView::currentRowChanged, this, [this](int row, int previous) {
        if (row == previous)
            return;
        if (!keepLines_)
            clearLines();
        ShowTagPicture();
    });
    connect(tdbList2, &GridView::focusEntered, this, &frm0110_InjiList::ShowTagPicture);
    connect(tdbList2, &GridView::focusLeft, this, &frm0110_InjiList::hidePicture);
    connect(tdbList1, &GridView::focusEntered, this, &frm0110_InjiList::hidePicture);
    new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this, this, &QDialog::reject);
}

void frm0110_InjiList::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        guarded([&] { LoadGrid(*tdbList1, TagIssue::batchListSql(), RequireConnection()); });
        focusFirstGridWithRows({tdbList1, tdbList2, tdbList3});
    }
}

TagKindRow frm0110_InjiList::summaryRow(int row) const
{
    const GridModel &m = *tdbList2->gridModel();
    if (row < 0 || row >= m.rowCount())
        return {};
    return TagKindRow{m.text(row, kBatchNo), m.text(row, kKind), m.text(row, kCode),
                      m.text(row, kName),    m.text(row, kCount), m.text(row, kNote)};
}

void frm0110_InjiList::clearSummary()
{
    tdbList2->gridModel()->clearRows();
}

void frm0110_InjiList::clearLines()
{
    tdbList3->gridModel()->clearRows();
}

void frm0110_InjiList::openBatch()
{
    const QString batch = tdbList1->currentText(kBatchNo);
    if (batch.isEmpty())
        return;
    WaitCursor wait;
    Database &db = RequireConnection();
    BuildTagSummary(db, batch.toInt());
    LoadGrid(*tdbList2, TagIssue::summaryListSql(batch), db);
    tdbList2->setFocus();
}

void frm0110_InjiList::refreshBatches()
{
    // A run that wrote a batch's last line still to write takes its "*".
    ReloadGrid(*tdbList1, TagIssue::batchListSql(), RequireConnection(), kBatchNo);
}

void frm0110_InjiList::summaryButton(int row, int column)
{
    const TagKindRow r = summaryRow(row);
    const std::optional<QString> flag = TagIssue::pbFlag(RequireConnection(), r.kind, r.code);
    if (!flag)
        return;
    lineFlag_ = *flag;
    if (column == tdbList2->columnOf(kBatchNo))
        listLines(r);
    else if (column == tdbList2->columnOf(kName))
        runKind(r);
}

void frm0110_InjiList::listLines(const TagKindRow &row)
{
    LoadGrid(*tdbList3, TagIssue::lineListSql(lineFlag_, row), RequireConnection());
    tdbList3->setFocus();
}

void frm0110_InjiList::runKind(const TagKindRow &row)
{
    TagRunOutcome o;
    {
        WaitCursor wait;
        o = TagIssue::issueKind(RequireConnection(), dialogs_, settings_(), lineFlag_, row);
    }
    if (o.status == TagRunOutcome::Done) {
        refreshBatches();
        openBatch();
    }
}

void frm0110_InjiList::runLine(int row)
{
    const int kindRow = tdbList2->currentRow();
    const TagKindRow kind = summaryRow(kindRow);
    const QString indexNoBd = tdbList3->gridModel()->text(row, kLineKey);
    TagRunOutcome o;
    {
        WaitCursor wait;
        o = TagIssue::issueLine(RequireConnection(), dialogs_, settings_(), lineFlag_, kind, indexNoBd,
                                tdbList3->gridModel()->text(row, kCount));
    }
    if (o.status != TagRunOutcome::Done)
        return;
    const int dateColumn = tdbList3->columnOf(kOutputDate);
    if (dateColumn >= 0)
        tdbList3->gridModel()->setText(row, dateColumn, Clock::today().toString(QStringLiteral("yyMMdd")));
    // The lines stay listed; the summary is rebuilt and keeps the kind
    // they belong to current, so that the next line runs with its tag.
    keepLines_ = true;
    refreshBatches();
    openBatch();
    // The row of the same tag and state, or of the same tag when the run
    // wrote its last line still to write.
    int same = -1;
    for (int r = 0; r < tdbList2->gridModel()->rowCount(); ++r) {
        const TagKindRow k = summaryRow(r);
        if (k.kind == kind.kind && k.code == kind.code && k.name == kind.name
            && (same < 0 || k.note == kind.note))
            same = r;
    }
    if (same >= 0)
        tdbList2->setCurrentRow(same);
    keepLines_ = false;
    tdbList3->setFocus();
    tdbList3->setCurrentRow(row);
}

void frm0110_InjiList::ShowTagPicture()
{
    const QString name = tdbList2->currentText(kName);
    if (name.isEmpty())
        return;
    const QString path = TagIssue::picturePath(name);
    const QPixmap pixmap = path.isEmpty() ? QPixmap() : QPixmap(path);
    if (pixmap.isNull()) {
        Frame1->hide();
        return;
    }
    imgPict->setPixmap(pixmap);
    imgPict->resize(pixmap.size());
    Frame1->resize(pixmap.size());
    // Over the line list, clear of the grids the operator works in.
    Frame1->move(qMax(0, width() - pixmap.width() - 12), tdbList3->mapTo(this, QPoint(0, 0)).y());
    Frame1->raise();
    Frame1->show();
}

void frm0110_InjiList::hidePicture()
{
    Frame1->hide();
}

void frm0110_InjiList::openPictureWindow()
{
    const QString name = tdbList2->currentText(kName);
    if (name.isEmpty())
        return;
    if (pictureWindow_)
        pictureWindow_->close();
    pictureWindow_ = new frm9002_Huda_Pict(this);
    pictureWindow_->setAttribute(Qt::WA_DeleteOnClose);
    pictureWindow_->setPICNO(name);
    pictureWindow_->show();
}

bool frm0110_InjiList::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == imgPict && event->type() == QEvent::MouseButtonDblClick) {
        openPictureWindow();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
