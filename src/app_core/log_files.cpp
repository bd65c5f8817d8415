#include "app_core/log_files.h"

#include "app_core/file_io.h"
#include "app_core/file_places.h"
#include "app_core/locale_text.h"
#include "app_core/sys_settings.h"

#include <cstring>

bool resultLogEnabled = true;

namespace {

std::string LogLine(const std::string& timestamp, std::string_view text)
{
    std::string line = "Time：" + timestamp + " -- ";
    line += text;
    return Utf8ToLocaleCharset(line) + "\r\n";
}

std::string TimestampWithMs() { return FormatDateTime(kPatternDateTimeMs, CurrentDateTime()); }

} // namespace

namespace {

const char* EnglishStep(LogFileStep step)
{
    switch (step) {
    case LogFileStep::Open:
        return "Cannot open log file";
    case LogFileStep::Rename:
        return "Cannot rename log file";
    case LogFileStep::Write:
        return "Cannot write to log file";
    case LogFileStep::Close:
        return "Cannot close log file";
    case LogFileStep::Other:
        break;
    }
    return "Cannot use log file";
}

} // namespace

InOutError::InOutError(LogFileStep step, const std::string& path, int errorCode)
    : std::runtime_error(std::string(EnglishStep(step)) + " \"" + path +
                         "\": " + std::strerror(errorCode)),
      errorCode(errorCode), step(step), path(path)
{
}

std::string MovedAsidePath(const std::string& path)
{
    const size_t dot = path.rfind('.');
    const size_t separator = path.find_last_of("/\\");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator))
        return path + ".1";
    return path.substr(0, dot) + ".1" + path.substr(dot);
}

std::string ResultLogPath() { return LogDirectory() + "Result.txt"; }

std::string ErrorLogPath() { return LogDirectory() + "ResultErr.txt"; }

void WriteOperationLog(std::string_view text) noexcept
{
    try {
        const std::string path = OperationLogPath();
        if (!path.empty())
            AppendToFile(path, LogLine(TimestampWithMs(), text), 0);
    } catch (...) {
        // The operation log must never disturb the operation it records.
    }
}

// The result log takes a line per measurement frame: it stays open.
void WriteResultLog(std::string_view text)
{
    static KeptOpenLog resultLog(&ResultLogPath);
    if (!resultLogEnabled) {
        resultLog.Close();
        return;
    }
    resultLog.Append(LogLine(TimestampWithMs(), text), resultLogMaxBytes);
}

void WriteLog(std::string_view text) { WriteResultLog(text); }

void WriteErrorLog(std::string_view text)
{
    AppendToFile(ErrorLogPath(), LogLine(RegionalDateTimeText(CurrentDateTime()), text),
                 kErrLogLimit);
}

std::string RegionalDateTimeText(DateTime value)
{
    const DateTimeParts p = DecodeDateTime(value);
    std::string text =
        std::to_string(p.year) + "/" + std::to_string(p.month) + "/" + std::to_string(p.day);
    if (p.hour != 0 || p.minute != 0 || p.second != 0 || p.millisecond != 0)
        text += " " + std::to_string(p.hour) + FormatDateTime(":nn:ss", value);
    return text;
}
