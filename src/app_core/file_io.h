#pragma once

// Whole-file reads and writes and log appends on the system's own calls, for
// the settings file and the logs. Paths are UTF-8 (on Windows they are
// passed on as UTF-16, so any folder name works).

#include <cstddef>
#include <optional>
#include <string>

// The whole file; nullopt with errno set when it cannot be read (ENOENT when
// it does not exist). Only a regular file of at most maxSize bytes is read,
// and opening never waits: a FIFO, a device or an endless file reads like a
// missing one.
std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxSize);

// Puts `text` into a new file beside the old one, on disk, and renames it
// over the old one: a failure at any step (disk full, file size limit)
// leaves the old file as it was. False on any failure.
bool ReplaceWholeFile(const std::string& path, const std::string& text);

// Opens (creating when missing, following no symbolic link), appends
// `bytes` with a single write and closes. A regular file that holds
// `moveAsideAt` bytes or more (0: no limit) is first renamed to its ".1"
// name (MovedAsidePath), replacing an older one, and a new file begins; as
// every line goes out in one write, no line is cut or lost across the
// switch. Throws InOutError naming the file and the failure.
void AppendToFile(const std::string& path, const std::string& bytes, long moveAsideAt);

// "Result.txt" -> "Result.1.txt": where a full log goes.
std::string MovedAsidePath(const std::string& path);
