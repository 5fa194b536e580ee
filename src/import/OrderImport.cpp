#include "import/OrderImport.h"

#include "import/ImportError.h"
#include "import/ImportProgress.h"
#include "import/OrderFile.h"
#include "store/ChangeMarker.h"
#include "store/Clock.h"
#include "store/Database.h"
#include "store/Numbering.h"
#include "store/Literals.h"
#include "store/Dialogs.h"
#include "store/OrderLayout.h"
#include "store/Schema.h"

#include <QCryptographicHash>
#include <QFile>

#include <map>
#include <new>

namespace {

const QString FileErrorTitle = QStringLiteral("ファイル異常");
const QString StopLine = QStringLiteral("処理を中止します。");

template <size_t N>
QString columnList(const std::array<OrderField, N> &fields, const QStringList &extra)
{
    QStringList names;
    for (const OrderField &f : fields)
        names << QString::fromLatin1(f.name);
    return (names + extra).join(QLatin1Char(','));
}

template <size_t N>
QString stagingInsert(const char *table, const std::array<OrderField, N> &fields, const QStringList &numbers)
{
    const qsizetype n = qsizetype(N) + numbers.size();
    QStringList marks;
    for (qsizetype i = 0; i < n; ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("Insert Into %1(%2) Values(%3)")
        .arg(QString::fromLatin1(table), columnList(fields, numbers), marks.join(QLatin1Char(',')));
}

// Management numbers of one series, drawn in file order. The first number
// comes from GetNextIndex itself (with its error for a series that has no
// row); the following ones are counted here the way GetNextIndex counts them
// and stored once at the end, inside the same transaction, so the numbers,
// the stored IVal and a rollback are those of drawing them one at a time.
class SeriesDraw {
public:
    SeriesDraw(Database &db, const QString &key) : db_(db), key_(key) {}

    qint32 next()
    {
        if (!started_) {
            const qint32 first = GetNextIndex(db_, key_);
            Recordset rs = db_.query(QStringLiteral("Select IVal,IStart,IEnd From MST_IDX Where IKey=?"), {key_});
            current_ = rs.field(0).toLongLong();
            start_ = rs.field(1).toLongLong();
            end_ = rs.field(2).toLongLong();
            started_ = true;
            return first;
        }
        const qint64 n = current_;
        current_ = n >= end_ ? start_ : n + 1;
        return qint32(n);
    }

    void store()
    {
        if (started_)
            db_.execute(QStringLiteral("Update MST_IDX Set IVal=") + SqlNumber(current_)
                        + QStringLiteral("Where IKey=") + SqlText(key_, false, true));
    }

private:
    Database &db_;
    QString key_;
    bool started_ = false;
    qint64 current_ = 0;
    qint64 start_ = 0;
    qint64 end_ = 0;
};

// One record kind: its cutter and its prepared staging insert.
struct KindInsert {
    orderfile::FixedWidthTokenizer cut;
    Statement insert;

    void bindFields(QByteArrayView record)
    {
        for (int i = 0; i < cut.count(); ++i) {
            const QByteArrayView v = cut.fieldUtf8(record, i);
            insert.bindUtf8(i + 1, v.data(), int(v.size()));
        }
    }
};

std::optional<qint64> countOf(const QString &text)
{
    bool ok = false;
    const qint64 n = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

QString displayDate(const QString &yyMMdd, const QString &hhmmss)
{
    QString d = yyMMdd;
    QString t = hhmmss;
    if (d.size() == 6)
        d = d.left(2) + QLatin1Char('/') + d.mid(2, 2) + QLatin1Char('/') + d.mid(4, 2);
    if (t.size() == 6)
        t = t.left(2) + QLatin1Char(':') + t.mid(2, 2) + QLatin1Char(':') + t.mid(4, 2);
    return d + QLatin1Char(' ') + t;
}

} // namespace

// Syncs the rows written so far in pieces of about `Rows` rows. Without it
// the commit of a large file syncs every page written in the import at
// once, and the window stands still for that long.
class OrderImport::PageSync {
public:
    static constexpr qint64 Rows = 25000;

    explicit PageSync(Database &db) : db_(db) {}
    void written(qint64 rows)
    {
        unsynced_ += rows;
        if (unsynced_ < Rows)
            return;
        db_.syncWrittenPages();
        unsynced_ = 0;
    }

private:
    Database &db_;
    qint64 unsynced_ = 0;
};

OrderImport::OrderImport(Database &db, Dialogs &dialogs, ImportProgress &progress)
    : db_(db), dialogs_(dialogs), progress_(progress)
{
}

QString OrderImport::label()
{
    return QStringLiteral("発注データをインポートしています。");
}

int OrderImport::run(const QString &path)
{
    summary_ = OrderImportSummary();
    errorDescription_.clear();
    ImportFailure failure;
    try {
        return importFile(path);
    } catch (...) {
        failure = currentImportFailure();
    }
    // The transaction guard has rolled everything back by now.
    errorDescription_ = failure.description;
    if (showsErrors_)
        dialogs_.message(errorDescription_, applicationTitle(), MsgIcon::None, MsgButtons::Ok, MsgResult::Ok);
    return failure.number;
}

int OrderImport::importFile(const QString &path)
{
    using namespace orderfile;
    progress_.processEvents();

    KindInsert h1{FixedWidthTokenizer(OrderLayout::H1),
                  db_.prepare(stagingInsert("IMP_RD_H1", OrderLayout::H1,
                                            {QStringLiteral("INDEXNOH1"), QStringLiteral("REC_NO")}))};
    KindInsert h2{FixedWidthTokenizer(OrderLayout::H2),
                  db_.prepare(stagingInsert("IMP_RD_H2", OrderLayout::H2,
                                            {QStringLiteral("INDEXNOH1"), QStringLiteral("INDEXNOH2"),
                                             QStringLiteral("REC_NO")}))};
    KindInsert bd{FixedWidthTokenizer(OrderLayout::BD),
                  db_.prepare(stagingInsert(
                      "IMP_RD_BD", OrderLayout::BD,
                      {QStringLiteral("INDEXNOH1"), QStringLiteral("INDEXNOH2"), QStringLiteral("INDEXNOBD"),
                       QStringLiteral("REC_NO")}))};

    // First pass: the number of lines for the progress bar and the length
    // of the last line. Only the last line is measured: earlier short
    // records are cut at the fixed positions like any other.
    qint64 lines = 0;
    qint64 lastLength = 0;
    {
        std::unique_ptr<QFile> file = openForReading(path);
        LineReader reader(*file, 0);
        ProgressPacer pacer(progress_);
        while (reader.next()) {
            ++lines;
            lastLength = reader.length();
            pacer.tick(1);
        }
    }
    summary_.fileLines = lines;
    progress_.setRange(1, lines + 1);
    progress_.setValue(1);
    progress_.setLabel(label());
    progress_.processEvents();

    if (lastLength != OrderLayout::RecordLength) {
        dialogs_.message(QStringLiteral("ファイルの長さに誤りがあります。") + QLatin1Char('\n') + StopLine,
                         FileErrorTitle, MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
        return NothingDone;
    }

    // Second pass, in one transaction with everything up to the commit.
    std::unique_ptr<QFile> file = openForReading(path);
    Transaction tx(db_);
    PageSync pageSync(db_);
    // The previous file's staging rows go in ranges too: emptying a million
    // of them in one statement holds the window for seconds. A stop asked
    // meanwhile takes effect at the first record, as one during the first pass.
    for (const char *staging : {"IMP_RD_H1", "IMP_RD_H2", "IMP_RD_BD"})
        inRanges(QStringLiteral("Delete From ") + QLatin1String(staging), QLatin1String(staging), pageSync, false);

    SeriesDraw seriesH1(db_, QStringLiteral("H1"));
    SeriesDraw seriesH2(db_, QStringLiteral("H2"));
    SeriesDraw seriesBD(db_, QStringLiteral("BD"));
    // Records before the first file header belong to batch 0, lines before
    // the first slip header to slip 0.
    qint32 currentH1 = 0;
    qint32 currentH2 = 0;
    bool seenSlip = false;
    OrderBatchInfo *batch = nullptr;

    const int opDate = h1.cut.indexOf("OLOPDT");
    const int opTime = h1.cut.indexOf("OLOPTM");
    const int slipCount = h1.cut.indexOf("OLPAGE");
    const int lineCount = h1.cut.indexOf("OLLINE");

    QCryptographicHash digest(QCryptographicHash::Sha1);
    LineReader reader(*file, OrderLayout::RecordLength, &digest);
    ProgressPacer pacer(progress_);
    qint64 value = 1;
    while (reader.next()) {
        const QByteArrayView record = reader.head();
        const char kind = record.isEmpty() ? '\0' : record[0];
        switch (kind) {
        case 'A':
        case 'a': {
            currentH1 = seriesH1.next();
            h1.bindFields(record);
            h1.insert.bindInt(h1.cut.count() + 1, currentH1);
            h1.insert.bindInt(h1.cut.count() + 2, value);
            h1.insert.execute();
            OrderBatchInfo info;
            info.indexNoH1 = currentH1;
            info.processingDate = h1.cut.field(record, opDate);
            info.processingTime = h1.cut.field(record, opTime);
            info.slipCount = h1.cut.field(record, slipCount);
            info.lineCount = h1.cut.field(record, lineCount);
            summary_.batches.append(info);
            batch = &summary_.batches.last();
            break;
        }
        case 'B':
        case 'b':
            currentH2 = seriesH2.next();
            seenSlip = true;
            h2.bindFields(record);
            h2.insert.bindInt(h2.cut.count() + 1, currentH1);
            h2.insert.bindInt(h2.cut.count() + 2, currentH2);
            h2.insert.bindInt(h2.cut.count() + 3, value);
            h2.insert.execute();
            ++summary_.slips;
            if (batch)
                ++batch->slips;
            else
                ++summary_.slipsWithoutHeader;
            break;
        case 'D':
        case 'd':
            bd.bindFields(record);
            bd.insert.bindInt(bd.cut.count() + 1, currentH1);
            bd.insert.bindInt(bd.cut.count() + 2, currentH2);
            bd.insert.bindInt(bd.cut.count() + 3, seriesBD.next());
            bd.insert.bindInt(bd.cut.count() + 4, value);
            bd.insert.execute();
            ++summary_.lines;
            if (batch)
                ++batch->lines;
            else
                ++summary_.linesWithoutHeader;
            if (!seenSlip)
                ++summary_.linesWithoutSlip;
            break;
        default:
            ++summary_.skippedLines;
            break;
        }
        pageSync.written(1);
        ++value;
        pacer.tick(value);
        if (progress_.aborted())
            return NothingDone;   // the guard rolls back, numbers included
    }
    file.reset();
    pacer.yield(value);
    seriesH1.store();
    seriesH2.store();
    seriesBD.store();
    summary_.digest = QString::fromLatin1(digest.result().toHex());

    {
        Recordset rs = db_.query(QStringLiteral("Select OLOPDT,OLOPTM,OLPAGE From IMP_RD_H1"));
        if (rs.eof()) {
            rs.close();
            dialogs_.message(QStringLiteral("ファイルからデータを読込む事が出来ませんでした。") + QLatin1Char('\n')
                                 + StopLine,
                             FileErrorTitle, MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
            tx.commit();
            return NothingDone;
        }
    }

    if (dialogs_.message(confirmationText(), QStringLiteral("確認"), MsgIcon::Question, MsgButtons::OkCancel,
                         MsgResult::Ok)
        != MsgResult::Ok) {
        // The staging rows stay for a look at what the file held.
        tx.commit();
        return NothingDone;
    }

    if (!copyToWorkingTables(pageSync))
        return NothingDone;   // stopped: the guard rolls back, staging and numbers included
    tx.commit();
    progress_.setValue(lines + 1);
    return Done;
}

QString OrderImport::confirmationText()
{
    const QChar nl(QLatin1Char('\n'));
    QString text = QStringLiteral("以下の情報を取り込みます。宜しいですか？") + nl
        + QStringLiteral("データ処理日付(伝票枚数)") + nl;
    Recordset rs = db_.query(QStringLiteral("Select OLOPDT,OLOPTM,OLPAGE From IMP_RD_H1"));
    for (; !rs.eof(); rs.moveNext())
        text += rs.text(0) + QLatin1Char(' ') + rs.text(1) + QLatin1Char('(') + rs.text(2) + QLatin1Char(')') + nl;
    rs.close();
    // Safeguards beyond the file's own content: they only inform, the
    // operator still decides.
    for (const QString &line : countWarnings() + earlierImports())
        text += line + nl;
    return text;
}

QStringList OrderImport::countWarnings() const
{
    // A damaged file may disagree on every header; a screenful says enough.
    constexpr int Shown = 20;
    QStringList out;
    qint64 more = 0;
    for (const OrderBatchInfo &b : summary_.batches) {
        const bool slipsDiffer = countOf(b.slipCount) != b.slips;
        const bool linesDiffer = countOf(b.lineCount) != b.lines;
        if (!slipsDiffer && !linesDiffer)
            continue;
        if (out.size() >= Shown) {
            ++more;
            continue;
        }
        const QString header = b.processingDate + QLatin1Char(' ') + b.processingTime;
        if (slipsDiffer)
            out << QStringLiteral("※ %1 の伝票枚数 %2 に対し、伝票は %3 枚です。")
                       .arg(header, b.slipCount, QString::number(b.slips));
        if (linesDiffer)
            out << QStringLiteral("※ %1 の明細行数 %2 に対し、明細は %3 行です。")
                       .arg(header, b.lineCount, QString::number(b.lines));
    }
    if (more > 0)
        out << QStringLiteral("※ ほかに %1 件のファイルヘッダで件数が一致しません。").arg(more);
    // Records before the first file header belong to no batch the screens
    // list: the operator should know before they disappear into batch 0.
    if (summary_.slipsWithoutHeader > 0 || summary_.linesWithoutHeader > 0)
        out << QStringLiteral("※ 最初のファイルヘッダより前に伝票 %1 枚、明細 %2 行があります。"
                              "これらは管理No 0 に入り、一覧には表示されません。")
                   .arg(summary_.slipsWithoutHeader)
                   .arg(summary_.linesWithoutHeader);
    return out;
}

QStringList OrderImport::summaryLines() const
{
    QStringList out;
    for (const OrderBatchInfo &b : summary_.batches)
        out << QStringLiteral("管理No %1: データ処理日付 %2 %3、伝票 %4 枚、明細 %5 行")
                   .arg(b.indexNoH1)
                   .arg(b.processingDate, b.processingTime)
                   .arg(b.slips)
                   .arg(b.lines);
    if (summary_.slipsWithoutHeader > 0 || summary_.linesWithoutHeader > 0)
        out << QStringLiteral("ファイルヘッダより前の伝票 %1 枚、明細 %2 行は管理No 0 に入りました。")
                   .arg(summary_.slipsWithoutHeader)
                   .arg(summary_.linesWithoutHeader);
    if (summary_.linesWithoutSlip > 0)
        out << QStringLiteral("伝票ヘッダより前の明細 %1 行は伝票 0 に入りました。").arg(summary_.linesWithoutSlip);
    if (summary_.skippedLines > 0)
        out << QStringLiteral("どの種類でもない %1 行を読み飛ばしました。").arg(summary_.skippedLines);
    return out;
}

QStringList OrderImport::earlierImports()
{
    QStringList out;
    if (!db_.tableExists(QStringLiteral("TBL_IMP_DIGEST")))
        return out;
    // One line per earlier import (batches of one import share its stamp).
    std::map<QString, QStringList> byStamp;
    QList<QString> order;
    Recordset rs = db_.query(QStringLiteral("Select D.INDEXNOH1,F.IMPORT_DATE,F.IMPORT_TIME From TBL_IMP_DIGEST D "
                                            "Inner Join TBL_FLG_DATA F On F.INDEXNOH1=D.INDEXNOH1 "
                                            "Where D.FILE_DIGEST=? Order By F.IMPORT_DATE,F.IMPORT_TIME,D.INDEXNOH1"),
                             {summary_.digest});
    for (; !rs.eof(); rs.moveNext()) {
        const QString stamp = displayDate(rs.text(1), rs.text(2));
        if (!byStamp.count(stamp))
            order << stamp;
        byStamp[stamp] << rs.text(0);
    }
    for (const QString &stamp : order)
        out << QStringLiteral("※ 同じ内容のファイルを %1 に取り込み済みです（管理No %2）。")
                   .arg(stamp, byStamp[stamp].join(QStringLiteral(", ")));
    return out;
}

// The set statements on the staging tables (the copies into the working
// tables, emptying them for the next file) run in ranges of staging rows,
// one statement per range, inside the one transaction. A range is one of
// record numbers (REC_NO, the line of the file), which are the order the
// management numbers were drawn in (a series that wraps round keeps the
// file's order, which a range of numbers would not), so the working tables
// receive their rows in the order one statement would give them.
bool OrderImport::inRanges(const QString &statement, const QString &staging, PageSync &pageSync, bool stoppable)
{
    // Two subqueries: min and max in one select would read the whole table.
    Recordset rs =
        db_.query(QStringLiteral("Select (Select min(REC_NO) From %1),(Select max(REC_NO) From %1)").arg(staging));
    const QVariant first = rs.field(0);
    const qint64 last = rs.field(1).toLongLong();
    rs.close();
    if (first.isNull())
        return true;
    Statement range = db_.prepare(statement + QStringLiteral(" Where REC_NO Between ? And ?"));
    for (qint64 from = first.toLongLong(); from <= last; from += copyRange_) {
        range.bindInt(1, from);
        range.bindInt(2, std::min(last, from + copyRange_ - 1));
        range.execute();
        pageSync.written(db_.changes());
        progress_.processEvents();
        if (stoppable && progress_.aborted())
            return false;
    }
    return true;
}

bool OrderImport::copyToWorkingTables(PageSync &pageSync)
{
    const QDateTime now = Clock::now();
    if (!inRanges(QStringLiteral("Insert Into TBL_FLG_DATA(INDEXNOH1,IMPORT_DATE,IMPORT_TIME,INJI_OP_DATE,"
                                     "SHINAZOROE_OP_DATE,DENPYOU_OP_DATE,SEIKYU_OP_DATE) ")
                          + QStringLiteral("Select INDEXNOH1,")
                          + SqlText(now.toString(QStringLiteral("yyMMdd")), true, true)
                          + SqlText(now.toString(QStringLiteral("hhmmss")), true, true)
                          + QStringLiteral("'','','','' From IMP_RD_H1"),
                      QStringLiteral("IMP_RD_H1"), pageSync))
        return false;

    const QString h1 = columnList(OrderLayout::H1, {QStringLiteral("INDEXNOH1")});
    if (!inRanges(QStringLiteral("Insert Into TBL_RD_H1(%1) Select %1 From IMP_RD_H1").arg(h1),
                      QStringLiteral("IMP_RD_H1"), pageSync))
        return false;

    const QString h2 = columnList(OrderLayout::H2, {QStringLiteral("INDEXNOH1"), QStringLiteral("INDEXNOH2")});
    if (!inRanges(
            QStringLiteral("Insert Into TBL_RD_H2(%1,DEN_EXP_CHECK) Select %1, '0' as DEN_EXP_CHECK From IMP_RD_H2")
                .arg(h2),
            QStringLiteral("IMP_RD_H2"), pageSync))
        return false;

    // The change marker: the ordered quantity and selling price as the file
    // gave them, in their full widths so that the state letter is always
    // the fourteenth character, and the state "N".
    static_assert(OrderLayout::widthOf("ONSURY") == ChangeMarker::QuantityWidth
                  && OrderLayout::widthOf("ONBTNK") == ChangeMarker::PriceWidth);
    const QString marker = ChangeMarker::sqlMake(QStringLiteral("ONSURY"), QStringLiteral("ONBTNK"));
    const QString bd = columnList(
        OrderLayout::BD, {QStringLiteral("INDEXNOH1"), QStringLiteral("INDEXNOH2"), QStringLiteral("INDEXNOBD")});
    if (!inRanges(
            QStringLiteral("Insert Into TBL_RD_BD(%1,TAG_OP_DATE,ONSURYM) Select %1,'',%2 as TMP From IMP_RD_BD")
                .arg(bd, marker),
            QStringLiteral("IMP_RD_BD"), pageSync))
        return false;

    // A number can come round again (a series wraps, or all data was
    // deleted and the series restarted): the old digest row is not this batch's.
    db_.execute(QStringLiteral("Delete From TBL_IMP_DIGEST Where INDEXNOH1 In (Select INDEXNOH1 From IMP_RD_H1)"));
    db_.execute(QStringLiteral("Insert Into TBL_IMP_DIGEST(INDEXNOH1,FILE_DIGEST) Select INDEXNOH1,? From IMP_RD_H1"),
                {summary_.digest});
    return true;
}
