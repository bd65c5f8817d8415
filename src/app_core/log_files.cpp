#include "app_core/log_files.h"

#include "app_core/exe_path.h"
#include "app_core/file_io.h"
#include "app_core/locale_text.h"

bool bWriteResult = true;

namespace {

std::string LogLine(const std::string& timestamp, std::string_view text)
{
    std::string line = "Time：" + timestamp + " -- ";
    line += text;
    return Utf8ToLocaleCharset(line) + "\r\n";
}

std::string TimestampWithMs()
{
    return FormatDateTime(kPatternDateTimeMs, CurrentDateTime());
}

} // namespace

std::string ResultLogPath()
{
    return GetExePath() + "Result.txt";
}

std::string ErrLogPath()
{
    return GetExePath() + "ResultErr.txt";
}

void WriteOpLog(std::string_view text) noexcept
{
    try {
        const std::string path = OpLogPath();
        if (!path.empty())
            AppendToFile(path, LogLine(TimestampWithMs(), text), AppendMode::NoFollow);
    } catch (...) {
        // The operation log must never disturb the operation it records.
    }
}

void WriteResult(std::string_view text)
{
    if (!bWriteResult)
        return;
    AppendToFile(ResultLogPath(), LogLine(TimestampWithMs(), text), AppendMode::Plain);
}

void WriteLog(std::string_view text)
{
    WriteResult(text);
}

void WriteErrLog(std::string_view text)
{
    AppendToFile(ErrLogPath(), LogLine(RegionalDateTimeText(CurrentDateTime()), text), AppendMode::EmptyAtLimit);
}

std::string RegionalDateTimeText(TDateTime value)
{
    const DateTimeParts p = DecodeDateTime(value);
    std::string text = std::to_string(p.year) + "/" + std::to_string(p.month) + "/" +
                       std::to_string(p.day);
    if (p.hour != 0 || p.minute != 0 || p.second != 0 || p.millisecond != 0)
        text += " " + std::to_string(p.hour) + FormatDateTime(":nn:ss", value);
    return text;
}
