#pragma once
// The settings the billing operations read, gathered once by the caller
// (screen or batch command) and passed in, so that the operations never
// read settings files themselves and tests state exactly what they use.

#include <QString>

struct BillingSettings {
    QString writePath;      // folder the save dialog proposes for the billing file
    QString writeFileName;  // prefix of the proposed billing file name
    QString tradingPartner; // our trading-partner code at the chain, stored with each run
    QString closingDay;     // day of the month the period closes ("5", "20", "31")
};

// The values of Conf.ini and Gyoum.ini in the data folder.
BillingSettings readBillingSettings();
