#include "app_core/log_files.h"

#include "app_core/exe_path.h"
#include "app_core/locale_text.h"
#include "app_core/sys_settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

bool bWriteResult = true;

namespace {

std::string LogLine(const std::string& timestamp, std::string_view text)
{
    std::string line = "Time：" + timestamp + " -- ";
    line += text;
    return Utf8ToLocaleCharset(line) + "\r\n";
}

[[noreturn]] void Raise(const char* what, const std::string& path, int error)
{
    throw EInOutError(std::string(what) + " \"" + path + "\": " + std::strerror(error), error);
}

// "Result.txt" -> "Result.1.txt": where a full log goes.
std::string MovedAsidePath(const std::string& path)
{
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + ".1";
    return path.substr(0, dot) + ".1" + path.substr(dot);
}

// Opens (creating when missing), appends `bytes` with a single write and
// closes. A regular file that holds `sizeLimit` bytes or more (0: no limit)
// is first renamed to its ".1" name, replacing an older one, and a new file
// begins; as every line goes out in one write, no line is cut or lost across
// the switch. O_NONBLOCK keeps a FIFO planted under the log's name from
// blocking the program.
void AppendToFile(const std::string& path, const std::string& bytes, int extraFlags,
                  long sizeLimit)
{
    const auto openLog = [&] {
        const int fd = open(path.c_str(),
                            O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | extraFlags,
                            0666);
        if (fd < 0)
            Raise("Cannot open log file", path, errno);
        return fd;
    };
    int fd = openLog();
    struct stat info {};
    if (sizeLimit > 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_size >= sizeLimit) {
        close(fd);
        if (rename(path.c_str(), MovedAsidePath(path).c_str()) != 0)
            Raise("Cannot rename log file", path, errno);
        fd = openLog();
    }

    int error = 0;
    const char* failure = nullptr;
    for (size_t done = 0; !failure && done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno != EINTR) {
            error = errno;
            failure = "Cannot write to log file";
        }
    }
    // The close comes first even after a failure; its own failure counts too.
    if (close(fd) != 0 && !failure) {
        error = errno;
        failure = "Cannot close log file";
    }
    if (failure)
        Raise(failure, path, error);
}

std::string TimestampWithMs()
{
    return FormatDateTime(kPatternDateTimeMs, CurrentDateTime());
}

} // namespace

std::string OpLogPath()
{
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/')
        return {};
    std::string path = home;
    if (path.back() != '/')
        path += '/';
    return path + "oplog.txt";
}

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
            AppendToFile(path, LogLine(TimestampWithMs(), text), O_NOFOLLOW, 0);
    } catch (...) {
        // The operation log must never disturb the operation it records.
    }
}

void WriteResult(std::string_view text)
{
    if (!bWriteResult)
        return;
    AppendToFile(ResultLogPath(), LogLine(TimestampWithMs(), text), O_NOFOLLOW, iMaxSizeResult);
}

void WriteLog(std::string_view text)
{
    WriteResult(text);
}

void WriteErrLog(std::string_view text)
{
    AppendToFile(ErrLogPath(), LogLine(RegionalDateTimeText(CurrentDateTime()), text), O_NOFOLLOW,
                 kErrLogLimit);
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
