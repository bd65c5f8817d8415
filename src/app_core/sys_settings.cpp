#include "app_core/sys_settings.h"

#include "app_core/file_places.h"
#include "app_core/ini_file.h"
#include "app_core/log_files.h"

bool startWithSystem = false;
bool writeCommLog = false;
int32_t resultLogMaxBytes = 0;
int32_t delayCount = 200;
std::string shopNumber;
std::string windowLanguage;

std::string SettingsFilePath() { return SettingsDirectory() + std::string(kSettingsFileName); }

std::optional<int> SettingsBaudRate(const IniFile& settings)
{
    const std::string text = settings.ReadString(kCommSetSection, kBaudRateKey, "");
    if (text.empty())
        return kDefaultBaudRate;
    const int rate = settings.ReadInteger(kCommSetSection, kBaudRateKey, -1);
    for (const std::string& offered : kBaudRateTexts)
        if (std::to_string(rate) == offered)
            return rate;
    return std::nullopt;
}

void LoadSystemSettings()
{
    const IniFile ini(SettingsFilePath());
    constexpr std::string_view section = "SysSet";
    startWithSystem = ini.ReadBool(section, "startwithsys", false);
    resultLogEnabled = ini.ReadBool(section, "writeResult", true);
    writeCommLog = ini.ReadBool(section, "WriteCommLog", false);
    resultLogMaxBytes = ini.ReadInteger(section, "maxsizeResult", 512000);
    delayCount = ini.ReadInteger(section, "DelayCount", 200);
    shopNumber = ini.ReadString(section, "ShopNO", "");
    windowLanguage = ini.ReadString(section, "Language", "");
}
