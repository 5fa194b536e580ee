#pragma once
// A data folder with slips ready to bill: slips with their lines in the
// working tables, gathered slips in TBL_SEM_B and recorded runs in
// TBL_SEZ_B, written straight into the tables so that each test states
// only what it is about.

#include "store/Settings.h"
#include "billing/BillingSettings.h"
#include "store/Clock.h"
#include "store/Conditions.h"
#include "support/SlipRows.h"
#include "support/TempDataFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

class BillingFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = &folder.prepare();
        Clock::setFixed(QDateTime(QDate(2026, 12, 10), QTime(9, 30, 5)));
        out = folder.file("out");
        ASSERT_TRUE(QDir().mkpath(out));
        settings.writePath = out;
        settings.writeFileName = QStringLiteral("SeikyuDat");
        settings.tradingPartner = QStringLiteral("778899");
        settings.closingDay = QStringLiteral("20");
    }

    // An issued slip of an ordinary order with one line of cost amount `amount`.
    void slip(int h2, const QString &no, const QString &delivered, const QString &amount,
              SlipRows::Fields extra = {})
    {
        SlipRows::Fields f{{"OMDNNO", no},       {"OMNKDT", delivered}, {"OMTRCD", "123456"}, {"OMMSCD", "001"},
                           {"OMDNCD", "01"},     {"OMGNCD", "0012"},    {"OMHCKB", "0"},      {"HAKKOU_FLG", "-1"},
                           {"OMHCNO", "7000001"}, {"OMMSKN", "TENPO"}};
        for (auto it = extra.begin(); it != extra.end(); ++it)
            f.insert(it.key(), it.value());
        SlipRows::slip(*db, 1, h2, f);
        if (!amount.isNull())
            SlipRows::line(*db, 1, h2, h2 * 10, "000010", "0001000", {{"ONGENJ", amount}, {"ONLINE", "01"}});
    }

    // A slip gathered into this billing, ticked or not.
    void gathered(int h2, qint64 amount, bool ticked = true)
    {
        SlipRows::insert(*db, "TBL_SEM_B", {{"INDEXNOH2", h2}, {"KINGAKU_KEI", amount},
                                           {"HA_FLG", ticked ? "-1" : "0"}, {"KIKANNAI_FLG", "-1"}});
    }

    // A slip recorded in run `run`, with one line.
    void recorded(int run, int h2, const QString &no, qint64 amount, bool ticked, SlipRows::Fields extra = {})
    {
        SlipRows::Fields f{{"INDEXNOZH", run},      {"INDEXNOH1", 1},        {"INDEXNOH2", h2},
                           {"OMDNNO", no},          {"OMNKDT", "240601"},    {"OMTRCD", "123456"},
                           {"OMMSCD", "001"},       {"OMDNCD", "01"},        {"OMGNCD", "0012"},
                           {"HA_FLG", ticked ? "-1" : "0"}, {"GOUKEI_KINGAKU", amount}};
        for (auto it = extra.begin(); it != extra.end(); ++it)
            f.insert(it.key(), it.value());
        SlipRows::insert(*db, "TBL_SEZ_B", f);
        SlipRows::insert(*db, "TBL_SEZ_BD", {{"INDEXNOZH", run}, {"INDEXNOH1", 1}, {"INDEXNOH2", h2},
                                            {"INDEXNOBD", h2 * 10}, {"ONLINE", "01"}, {"ONGENJ", QString::number(amount)}});
    }

    void runHeader(int run, const QString &from, const QString &to)
    {
        SlipRows::insert(*db, "TBL_SEZ_H", {{"INDEXNOZH", run}, {"TAISYOU_J", from}, {"TAISYOU_I", to},
                                           {"DATA_SAKUSEI_BI", "240621"}, {"DEN_MAISUU", 1}});
    }

    void openPeriod(const QString &from, const QString &to)
    {
        SetJoukenValue(*db, "SHIME_BI_J", from);
        SetJoukenValue(*db, "SHIME_BI_I", to);
    }

    qint64 count(const QString &sql) { return db->scalar(sql).toLongLong(); }
    QString value(const QString &sql) { return db->scalar(sql).toString(); }
    // The first column of every row in the statement's order, joined by
    // `separator`: a list the test can compare whatever the engine.
    QString joined(const QString &sql, const QString &separator = QStringLiteral(","))
    {
        QStringList parts;
        for (Recordset rs = db->query(sql); !rs.eof(); rs.moveNext())
            parts << rs.text(0);
        return parts.join(separator);
    }

    static QByteArray read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList outFiles() const { return QDir(out).entryList(QDir::Files | QDir::Hidden); }

    TempDataFolder folder;
    Database *db = nullptr;
    ScriptedDialogs dialogs;
    BillingSettings settings;
    QString out;
};
