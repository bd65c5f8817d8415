#include "app_core/sys_settings.h"

#include "app_core/exe_path.h"
#include "app_core/log_files.h"

bool bStartWithSys = false;
bool bWriteCommLog = false;
int32_t iMaxSizeResult = 0;
int32_t iDelayCount = 200;
std::string strShopNO;

std::string SettingsFilePath()
{
    return GetExePath() + std::string(kSettingsFileName);
}

void LoadSysSet()
{
    const IniFile ini(SettingsFilePath());
    constexpr std::string_view section = "SysSet";
    bStartWithSys = ini.ReadBool(section, "startwithsys", false);
    bWriteResult = ini.ReadBool(section, "writeResult", true);
    bWriteCommLog = ini.ReadBool(section, "WriteCommLog", false);
    iMaxSizeResult = ini.ReadInteger(section, "maxsizeResult", 512000);
    iDelayCount = ini.ReadInteger(section, "DelayCount", 200);
    strShopNO = ini.ReadString(section, "ShopNO", "");
}
