#include "tags/TagSettings.h"

#include "store/Settings.h"
#include "store/AppFolder.h"

TagSettings readTagSettings()
{
    TagSettings s;
    s.appFolder = AppFolder::path();
    s.labelProgram = Settings::readText(SettingKey::BtdPath);
    s.taxRate = Settings::readInt(SettingKey::Zeiritsu);
    s.writePath = Settings::readText(SettingKey::WritePath);
    return s;
}
