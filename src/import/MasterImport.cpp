#include "import/MasterImport.h"

#include "import/CsvValues.h"
#include "import/ImportError.h"
#include "import/ImportProgress.h"
#include "import/OrderFile.h"
#include "store/Database.h"
#include "store/Dialogs.h"
#include "store/JetFunctions.h"
#include "store/Schema.h"

#include <QFile>

#include <cmath>
#include <functional>
#include <limits>
#include <new>

namespace {

const QString PbColumns = QStringLiteral(
    "HOUJIN_CD,JIGYOUBU_CD,GUNBAN_CD,ITEM_CD,SKU_CD,TAG_SYURUI,PATTERN_NO,GENBAN,TORIHIKISAKI_CD,"
    "HANBAI_SYUURYOUBI,INJINAIYOU_SIZE,INJINAIYOU_SOZAI,INJINAIYOU_GENSANKOKU,SAKUSEI_DATE,KOUSHIN_DATE,"
    "NEHUDA_HUYOU_KUBUN");

// The chain's PB file carries one value more than the master stores.
constexpr int PbValuesPerRecord = 17;
constexpr int PbColumnCount = 16;
constexpr int DestinationValuesPerRecord = 4;

qint64 countLines(const QString &path, ImportProgress &progress)
{
    std::unique_ptr<QFile> file = orderfile::openForReading(path);
    orderfile::LineReader reader(*file, 0);
    ProgressPacer pacer(progress);
    qint64 lines = 0;
    while (reader.next()) {
        ++lines;
        pacer.tick(1);
    }
    return lines;
}

// Reads the file as records of `perRecord` values and hands each to
// `store`; false when the operator stopped. A record cut short by the end
// of the file is an error: the stream has gone out of step somewhere.
bool readRecords(const QString &path, int perRecord, ImportProgress &progress,
                 const std::function<void(const QStringList &, qint64)> &store)
{
    std::unique_ptr<QFile> file = orderfile::openForReading(path);
    CsvValueReader reader(*file);
    ProgressPacer pacer(progress);
    QStringList values;
    qint64 record = 0;
    qint64 value = 1;
    QString v;
    for (;;) {
        values.clear();
        while (values.size() < perRecord && reader.next(v))
            values << v;
        if (values.isEmpty())
            break;
        if (values.size() < perRecord)
            throw DbError(62, QStringLiteral("ファイルの終わりに達しました。%1 件目のデータの値が %2 個しかありません"
                                             "（1 件 %3 個）。")
                                  .arg(record + 1)
                                  .arg(values.size())
                                  .arg(perRecord));
        ++record;
        store(values, record);
        ++value;
        pacer.tick(value);
        if (progress.aborted())
            return false;
    }
    pacer.yield(value);
    return true;
}

void startProgress(ImportProgress &progress, qint64 lines, const QString &label)
{
    progress.setRange(1, lines + 1);
    progress.setValue(1);
    progress.setLabel(label);
    progress.processEvents();
}

// A value for an integer column, converted as the old engine converts
// text: halves to even, error 13 for a text that is no number, 6 beyond 32
// bits. An empty value is stored as Null.
void bindInteger(Statement &st, int position, const QString &text, const QString &column, qint64 record)
{
    if (text.trimmed().isEmpty()) {
        st.bindNull(position);
        return;
    }
    const auto where = [&] { return QStringLiteral(" (%1 件目の %2: \"%3\")").arg(record).arg(column, text); };
    const std::optional<double> n = jet::parseNumber(text);
    if (!n)
        throw DbError(DbErr::TypeMismatch, QStringLiteral("型が一致しません。") + where());
    const double r = jet::roundHalfEven(*n);
    if (r < std::numeric_limits<qint32>::min() || r > std::numeric_limits<qint32>::max())
        throw DbError(DbErr::Overflow, QStringLiteral("オーバーフローしました。") + where());
    st.bindInt(position, qint64(r));
}

} // namespace

// ---------------------------------------------------------------- PB tag master

PbMasterImport::PbMasterImport(Database &db, Dialogs &dialogs, ImportProgress &progress)
    : db_(db), dialogs_(dialogs), progress_(progress)
{
}

QString PbMasterImport::label()
{
    return QStringLiteral("PBタグマスタをインポートしています。");
}

int PbMasterImport::run(const QString &path)
{
    records_ = 0;
    dropped_ = 0;
    errorDescription_.clear();
    ImportFailure failure;
    try {
        return merge(path);
    } catch (...) {
        failure = currentImportFailure();
    }
    errorDescription_ = failure.description;
    if (showsErrors_)
        dialogs_.message(errorDescription_, QStringLiteral("エラー"), MsgIcon::Critical, MsgButtons::Ok,
                         MsgResult::Ok);
    return failure.number;
}

int PbMasterImport::merge(const QString &path)
{
    progress_.processEvents();
    const TableDef *table = Schema::find(QStringLiteral("IMP_PB"));
    Statement insert = db_.prepare(QStringLiteral("Insert Into IMP_PB(") + PbColumns + QStringLiteral(",REC_NO) ")
                                   + QStringLiteral("Values(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"));
    const qint64 lines = countLines(path, progress_);
    startProgress(progress_, lines, label());

    Transaction tx(db_);
    db_.execute(QStringLiteral("Delete From IMP_PB"));
    const bool complete = readRecords(path, PbValuesPerRecord, progress_, [&](const QStringList &v, qint64 record) {
        for (int i = 0; i < PbColumnCount; ++i) {
            const ColumnDef &c = table->columns[i];
            if (c.type == QLatin1String("INTEGER"))
                bindInteger(insert, i + 1, v[i], c.name, record);
            else
                insert.bindText(i + 1, v[i]);
        }
        insert.bindInt(PbColumnCount + 1, record);
        insert.execute();
        records_ = record;
    });
    if (!complete)
        return 1;

    db_.execute(QStringLiteral("Delete From MST_PB AS MPB ") + QStringLiteral("Where Exists(Select * ")
                + QStringLiteral("From IMP_PB IPB ") + QStringLiteral("Where  IPB.HOUJIN_CD=MPB.HOUJIN_CD ")
                + QStringLiteral("And IPB.JIGYOUBU_CD=MPB.JIGYOUBU_CD ")
                + QStringLiteral("And IPB.GUNBAN_CD=MPB.GUNBAN_CD ") + QStringLiteral("And IPB.SKU_CD=MPB.SKU_CD)"));
    // One SKU twice in one file would print each of its PB tags twice: of
    // rows with the same key only the last one is taken.
    db_.execute(QStringLiteral("Insert Into MST_PB(") + PbColumns + QStringLiteral(") ") + QStringLiteral("Select ")
                + PbColumns + QStringLiteral(" ") + QStringLiteral("From IMP_PB ")
                + QStringLiteral("Where REC_NO In (Select max(REC_NO) From IMP_PB "
                                 "Group By HOUJIN_CD,JIGYOUBU_CD,GUNBAN_CD,SKU_CD)"));
    dropped_ = records_ - db_.changes();
    tx.commit();
    return 0;
}

// ---------------------------------------------------------------- delivery destinations

DestinationMasterImport::DestinationMasterImport(Database &db, ImportProgress &progress)
    : db_(db), progress_(progress)
{
}

QString DestinationMasterImport::label()
{
    return QStringLiteral("納品先マスタをインポートしています。");
}

int DestinationMasterImport::run(const QString &path)
{
    records_ = 0;
    dropped_ = 0;
    progress_.processEvents();
    Statement insert = db_.prepare(QStringLiteral("Insert Into MST_NOUADD(TOK_CD,NOU_CD,NOU_NAME,NOU_ADD) ")
                                   + QStringLiteral("Values(?,?,?,?)"));
    // A destination listed twice would double every request line that
    // names it: the last row of a code wins, so an earlier row of the code
    // goes when the next one comes.
    Statement earlier = db_.prepare(QStringLiteral("Delete From MST_NOUADD Where TOK_CD=? And NOU_CD=?"));
    const qint64 lines = countLines(path, progress_);
    startProgress(progress_, lines, label());

    Transaction tx(db_);
    db_.execute(QStringLiteral("Delete From MST_NOUADD"));
    qint64 replaced = 0;
    const bool complete =
        readRecords(path, DestinationValuesPerRecord, progress_, [&](const QStringList &v, qint64 record) {
            earlier.bindText(1, v[0]);
            earlier.bindText(2, v[1]);
            earlier.execute();
            replaced += db_.changes();
            for (int i = 0; i < DestinationValuesPerRecord; ++i)
                insert.bindText(i + 1, v[i]);
            insert.execute();
            records_ = record;
        });
    if (!complete)
        return 1;
    tx.commit();
    dropped_ = replaced;
    return 0;
}
