#pragma once

// The settings file "datalink.ini" (SettingsFilePath): beside the executable,
// or in the user's configuration directory when installed (file_places.h).
//
// [SysSet] is read once at start-up by LoadSystemSettings into the globals
// below; the program never writes it.
//
// [CommSet] holds the port of the last successful open. The main window
// reads it when it is shown and writes it after every successful open:
//
//     IniFile ini(SettingsFilePath());
//     std::string name = ini.ReadString(kCommSetSection, kCommNoKey, kDefaultCommNo);
//     int baud = ini.ReadInteger(kCommSetSection, kBaudRateKey, kDefaultBaudRate);
//     ...
//     ini.WriteString(kCommSetSection, kCommNoKey, openedName);   // first the name,
//     ini.WriteInteger(kCommSetSection, kBaudRateKey, openedBaud); // then the rate
//
// Reading never fails (defaults instead). A write that fails throws
// IniFileError with the message "Unable to write to <full path>".
// "CommNo" is text ("COM3", "//./COM12", "/dev/ttyUSB0", a pty path).

#include "app_core/ini_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile;

inline constexpr std::string_view kSettingsFileName = "datalink.ini";

inline constexpr std::string_view kCommSetSection = "CommSet";
inline constexpr std::string_view kCommNoKey = "CommNo";
inline constexpr std::string_view kBaudRateKey = "BaudRate";
inline constexpr std::string_view kDefaultCommNo = "Com3";
inline constexpr int kDefaultBaudRate = 115200;

// The line speeds a port is opened at.
inline const std::vector<std::string> kBaudRateTexts = {"1200",   "2400",   "4800",  "9600",
                                                        "19200",  "38400",  "57600", "115200",
                                                        "230400", "460800", "921600"};

// BaudRate= of [CommSet]: kDefaultBaudRate when the key is absent or empty,
// nothing when its value is not one of kBaudRateTexts.
std::optional<int> SettingsBaudRate(const IniFile& settings);

// SettingsDirectory() + "datalink.ini".
std::string SettingsFilePath();

// [SysSet] values. Only resultLogEnabled (declared in log_files.h, the result
// log's switch), resultLogMaxBytes (the result log's size, see log_files.h)
// and windowLanguage change what the program does; the others are kept for
// whoever reads the file.
extern bool startWithSystem;      // "startwithsys", default false
extern bool writeCommLog;         // "WriteCommLog", default false
extern int32_t resultLogMaxBytes; // "maxsizeResult", default 512000
extern int32_t delayCount;        // "DelayCount", default 200
extern std::string shopNumber;    // "ShopNO", default empty
// "Language", default empty: the window's language, "zh" or "en" (see
// app/language.h for what wins over it).
extern std::string windowLanguage;

// Reads [SysSet] of SettingsFilePath() into the globals above and into
// resultLogEnabled ("writeResult", default true). Never fails: a missing file,
// key or a bad value gives the default.
void LoadSystemSettings();
