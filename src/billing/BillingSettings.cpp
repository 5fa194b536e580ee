#include "billing/BillingSettings.h"

#include "store/Settings.h"

BillingSettings readBillingSettings()
{
    BillingSettings s;
    s.writePath = Settings::readText(SettingKey::WritePath);
    s.writeFileName = Settings::readText(SettingKey::WriteFileName);
    s.tradingPartner = Settings::readText(SettingKey::TorihikisakiCd);
    s.closingDay = Settings::readText(SettingKey::ShimeBi);
    return s;
}
