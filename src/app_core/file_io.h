#pragma once

// Whole-file reads and writes and log appends on the system's own calls, for
// the settings file and the logs. Paths are UTF-8 (on Windows they are
// passed on as UTF-16, so any folder name works).

#include <optional>
#include <string>

// The whole file; nullopt with errno set when it cannot be read (ENOENT when
// it does not exist).
std::optional<std::string> ReadWholeFile(const std::string& path);

// Creates or truncates the file and writes `text`; false on any failure.
bool WriteWholeFile(const std::string& path, const std::string& text);

enum class AppendMode {
    Plain,
    NoFollow,     // a symbolic link in the last path part is not followed (POSIX)
    EmptyAtLimit, // a regular file of kErrLogLimit bytes or more is emptied first
};

// Opens (creating when missing), appends `bytes` with a single write and
// closes. Throws EInOutError naming the file and the failure.
void AppendToFile(const std::string& path, const std::string& bytes, AppendMode mode);
