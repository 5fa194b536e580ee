#pragma once
// Shared pieces of the import tests: a progress that records what it is
// told and stops on cue, and table dumps for before/after comparisons.

#include "OrderFixture.h"
#include "import/ImportBatch.h"
#include "import/ImportProgress.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <functional>

#include <gtest/gtest.h>

class TestProgress : public ImportProgress {
public:
    void setRange(qint64 minimum, qint64 maximum) override
    {
        minimum_ = minimum;
        maximum_ = maximum;
    }
    void setValue(qint64 value) override { value_ = value; }
    void setLabel(const QString &text) override
    {
        labels << text;
        if (onLabel)
            onLabel();
    }
    void processEvents() override { ++events; }
    // Stops at the `stopAtQuestion`-th time the import asks (it asks after
    // every record it reads).
    bool aborted() const override { return stopAtQuestion > 0 && ++questions_ >= stopAtQuestion; }

    qint64 minimum() const { return minimum_; }
    qint64 maximum() const { return maximum_; }
    qint64 value() const { return value_; }

    QStringList labels;
    int events = 0;
    int stopAtQuestion = 0;
    std::function<void()> onLabel;

private:
    qint64 minimum_ = 0;
    qint64 maximum_ = 0;
    qint64 value_ = 0;
    mutable int questions_ = 0;
};

// Every row of a query, one line per row, fields separated by '|', Null as "<null>".
inline QString dump(Database &db, const QString &sql)
{
    QStringList rows;
    Recordset rs = db.query(sql);
    for (; !rs.eof(); rs.moveNext()) {
        QStringList cells;
        for (int i = 0; i < rs.fieldCount(); ++i) {
            const QVariant v = rs.field(i);
            cells << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows.join(QLatin1Char('\n'));
}

// A table whole, in the order its rows have for the program: by key, the
// staging tables by their place in the file, then by every column, so
// that both engines give one text for the same rows.
inline QString dumpTable(Database &db, const QString &table)
{
    QStringList order;
    if (const TableDef *t = Schema::find(table))
        order = t->primaryKey;
    const QStringList columns = db.columns(table);
    if (order.isEmpty() && columns.contains(QStringLiteral("REC_NO"), Qt::CaseInsensitive))
        order << QStringLiteral("REC_NO");
    for (int i = 1; i <= columns.size(); ++i)
        order << QString::number(i);
    return table + QLatin1Char('\n')
        + dump(db, QStringLiteral("Select * From %1 Order By %2").arg(table, order.join(QLatin1Char(','))));
}

// The tables an import may change, whole.
inline QString snapshot(Database &db, const QStringList &tables)
{
    QStringList parts;
    for (const QString &t : tables)
        parts << dumpTable(db, t);
    return parts.join(QStringLiteral("\n--\n"));
}

inline void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(content), content.size());
}

// Runs the import batch command `command` as the executable would, with
// what it prints kept in `outText` and `errText`.
inline int runImportCommand(const QString &command, const QStringList &args, Dialogs &dialogs, QString &outText,
                            QString &errText)
{
    outText.clear();
    errText.clear();
    QTextStream out(&outText);
    QTextStream err(&errText);
    BatchContext ctx{args, dialogs, out, err};
    for (const BatchCommand &c : importBatchCommands())
        if (c.name == command)
            return c.run(ctx);
    ADD_FAILURE() << "no command " << command.toStdString();
    return -1;
}
