#pragma once

// Whole-file reads and writes and log appends on the system's own calls, for
// the settings file and the logs. Paths are UTF-8 (on Windows they are
// passed on as UTF-16, so any folder name works).

#include <chrono>
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

// A log appended to line after line and kept open in between, for a log
// written many times a second. Each Append does what AppendToFile does
// (creating the file, moving a full one aside, no symbolic link followed,
// one write per line, InOutError naming the file) without opening and
// closing it each time. The file is opened anew after a failure, after it
// was moved aside, and when its name no longer leads to the open file
// (another program moved or removed it). Others may read it meanwhile.
// Whether the name still leads to the file, and how large the file is, are
// looked at again at most every `recheck`: in between a line costs one write.
class KeptOpenLog {
public:
    // `locate` gives the file's path; asked at each opening.
    explicit KeptOpenLog(std::string (*locate)(),
                         std::chrono::milliseconds recheck = std::chrono::milliseconds(100))
        : locate_(locate), recheck_(recheck)
    {
    }
    ~KeptOpenLog() { Close(); }
    KeptOpenLog(const KeptOpenLog&) = delete;
    KeptOpenLog& operator=(const KeptOpenLog&) = delete;

    void Append(const std::string& bytes, long moveAsideAt);
    void Close();

private:
    void Open();
    bool StillNamed() const;

    std::string (*const locate_)();
    const std::chrono::milliseconds recheck_;
    std::string path_;
    int fd_ = -1;
    unsigned long long device_ = 0, inode_ = 0;
    long long size_ = 0; // as last looked at, plus what was written since
    std::chrono::steady_clock::time_point nextCheck_;
};

// "Result.txt" -> "Result.1.txt": where a full log goes.
std::string MovedAsidePath(const std::string& path);
