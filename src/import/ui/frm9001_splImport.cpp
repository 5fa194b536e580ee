#include "import/ui/frm9001_splImport.h"

#include "import/MasterImport.h"
#include "import/OrderImport.h"
#include "store/Connection.h"
#include "ui/DataAccessError.h"
#include "store/Dialogs.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <climits>
#include <functional>
#include <optional>

frm9001_splImport::frm9001_splImport(Dialogs &dialogs, QWidget *parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("frm9001_splImport"));
    setWindowTitle(QStringLiteral("データ読込み中・・・・・"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    // A range of 0..0 makes the bar run back and forth on its own: the busy
    // sign that moves even while one long statement keeps the bar still.
    Animation1 = new QProgressBar(this);
    Animation1->setObjectName(QStringLiteral("Animation1"));
    Animation1->setRange(0, 0);
    Animation1->setTextVisible(false);
    Animation1->setMaximumHeight(12);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));

    pgb1 = new QProgressBar(this);
    pgb1->setObjectName(QStringLiteral("pgb1"));
    pgb1->setRange(1, 2);
    pgb1->setValue(1);

    // The button does what the close box does: asks, then stops.
    cmdStop = new QPushButton(QStringLiteral("中止"), this);
    cmdStop->setObjectName(QStringLiteral("cmdStop"));
    cmdStop->setAutoDefault(false);
    connect(cmdStop, &QPushButton::clicked, this, &frm9001_splImport::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Animation1);
    layout->addWidget(Label1);
    layout->addWidget(pgb1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdStop);
    layout->addLayout(buttons);
    setMinimumWidth(420);
}

void frm9001_splImport::setRange(qint64 minimum, qint64 maximum)
{
    minimum_ = minimum;
    const qint64 span = std::max<qint64>(maximum - minimum, 0);
    scale_ = span / INT_MAX + 1;
    pgb1->setRange(0, int(span / scale_));
}

void frm9001_splImport::setValue(qint64 value)
{
    const qint64 v = (value - minimum_) / scale_;
    pgb1->setValue(int(std::clamp<qint64>(v, pgb1->minimum(), pgb1->maximum())));
}

void frm9001_splImport::setLabel(const QString &text)
{
    Label1->setText(text);
}

void frm9001_splImport::processEvents()
{
    QCoreApplication::processEvents();
}

bool frm9001_splImport::askStop()
{
    if (dialogs_.message(QStringLiteral("処理を中止しても宜しいでしょうか？"), QStringLiteral("終了確認"),
                         MsgIcon::Question, MsgButtons::OkCancel, MsgResult::Cancel)
        == MsgResult::Ok)
        abort_ = true;
    return abort_;
}

void frm9001_splImport::closeEvent(QCloseEvent *event)
{
    if (!running_) {
        event->accept();
        return;
    }
    // The window goes when the import has wound down, not before.
    event->ignore();
    if (!abort_)
        askStop();
}

void frm9001_splImport::reject()
{
    if (!running_) {
        QDialog::reject();
        return;
    }
    if (!abort_)
        askStop();
}

Database *frm9001_splImport::connection(int &error)
{
    error = 0;
    if (Database *db = AppConnection())
        return db;
    error = OpenDatabaseReporting(true, dialogs_);
    return error == 0 ? AppConnection() : nullptr;
}

void frm9001_splImport::begin()
{
    abort_ = false;
    running_ = true;
    show();
    QCoreApplication::processEvents();
}

void frm9001_splImport::end()
{
    running_ = false;
    hide();
}

namespace {
// Hides the window however the import ends, a thrown error included.
struct WindowScope {
    std::function<void()> end;
    ~WindowScope() { end(); }
};
} // namespace

template <class Import>
int frm9001_splImport::runImport(const QString &path, const std::function<void(const Import &)> &done)
{
    int error = 0;
    Database *db = connection(error);
    if (!db)
        return error;
    int result = 0;
    std::optional<Import> op;
    {
        begin();
        WindowScope scope{[this] { end(); }};
        op.emplace(*db, dialogs_, *this);
        result = op->run(path);
    }
    if (result == 0 && done)
        done(*op);
    return result;
}

int frm9001_splImport::DRead_Order(const QString &path)
{
    // The operator sees what the batch mode prints: the batches made, and
    // whatever went where no list shows it.
    return runImport<OrderImport>(path, [this](const OrderImport &op) {
        dialogs_.info(QStringLiteral("取り込んだ内容:\n") + op.summaryLines().join(QLatin1Char('\n')),
                      QStringLiteral("取込結果"));
    });
}

int frm9001_splImport::DRead_PBMST(const QString &path)
{
    return runImport<PbMasterImport>(path, {});
}

int frm9001_splImport::DRead_ADDMST(const QString &path)
{
    int error = 0;
    Database *db = connection(error);
    if (!db)
        throw DbError(error, dataAccessErrorText(error));
    begin();
    WindowScope scope{[this] { end(); }};
    DestinationMasterImport op(*db, *this);
    return op.run(path);
}
