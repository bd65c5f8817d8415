#pragma once

// The three plain-text logs. Every line is
//   "Time：" + timestamp + " -- " + text + CR LF
// in the locale's character set (see locale_text.h). The operation and
// error logs are opened, written and closed again for each line; the result
// log, written for every measurement, stays open between lines (opened anew
// after a failure, after moving aside, or when another program moved or
// removed it). Other programs may read or copy the logs at any time. Call
// from the user-interface thread only.
//
//   operation log  $HOME/oplog.txt            "YYYY-MM-DD hh:nn:ss zzz"  failures swallowed
//                  (C:\oplog.txt on Windows)
//   result log     LogDirectory()+"Result.txt"  "YYYY-MM-DD hh:nn:ss zzz"
//                  raises InOutError; moved aside to "Result.1.txt" once it holds maxsizeResult
//                  bytes
//   error log      LogDirectory()+"ResultErr.txt"  regional date and time
//                  raises InOutError; moved aside to "ResultErr.1.txt" once it holds 131072 bytes
//
// Moving aside replaces an older ".1" file and happens before the write, so
// the new line is the first of a new file and no line is cut or lost.
// No log follows a symbolic link: a link in a log's place makes the write
// fail (raised or swallowed as for an unwritable file), and the file it
// points to is left alone.
//
// LogDirectory() is the executable's directory, or the user's data
// directory when the program is installed (file_places.h).

#include "protocol/date_time.h"

#include <stdexcept>
#include <string>
#include <string_view>

// What was done to a log file when it failed.
enum class LogFileStep { Other, Open, Rename, Write, Close };

// A log file could not be created, opened, written or closed. The message
// names the file and the failure in English (for logs and the command
// line); the step, path and errno value let a window say it in its own
// language.
class InOutError : public std::runtime_error {
public:
    InOutError(const std::string& message, int errorCode)
        : std::runtime_error(message), errorCode(errorCode)
    {
    }
    InOutError(LogFileStep step, const std::string& path, int errorCode);
    int errorCode;
    LogFileStep step = LogFileStep::Other;
    std::string path;
};

// Switch of the result log; true until LoadSystemSettings reads "writeResult".
extern bool resultLogEnabled;

// Appends a line to the operation log. Never fails visibly: without a
// usable $HOME, or when the file cannot be written, the line is dropped.
void WriteOperationLog(std::string_view text) noexcept;

// Appends a line to the result log when resultLogEnabled is true; otherwise the
// file is not even opened. A log that holds resultLogMaxBytes bytes or more
// (sys_settings.h) is first renamed to "Result.1.txt"; with resultLogMaxBytes 0
// (or below) the file grows without limit.
void WriteResultLog(std::string_view text);

// Appends a line to the error log. A log that holds 131072 bytes or more is
// first renamed to "ResultErr.1.txt", so the new line becomes the only line
// of "ResultErr.txt" and the earlier ones are kept beside it.
void WriteErrorLog(std::string_view text);

// The same as WriteResultLog.
void WriteLog(std::string_view text);

inline constexpr long kErrLogLimit = 131072;

// Where the logs lie. OperationLogPath is empty when $HOME is unset or relative
// (POSIX); on Windows it is C:\oplog.txt.
std::string OperationLogPath();
std::string ResultLogPath();
std::string ErrorLogPath();

// The workstation's regional short date and long time ("yyyy/M/d H:mm:ss",
// as on a Simplified Chinese system); the time is left out at exactly
// midnight. This is the error log's timestamp.
std::string RegionalDateTimeText(DateTime value);
