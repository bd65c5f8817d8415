#pragma once

// Whole-file reads and writes and log appends on the system's own calls, for
// the settings file and the logs. Paths are UTF-8 (on Windows they are
// passed on as UTF-16, so any folder name works).

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

// The whole file; nullopt with errno set when it cannot be read (ENOENT when
// it does not exist). Only a regular file of at most maxSize bytes is read,
// and opening never waits: a FIFO, a device or an endless file reads like a
// missing one.
std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxSize);

// Puts `text` into a new file beside the old one, on disk, and renames it
// over the old one: a failure at any step (disk full, file size limit)
// leaves the old file as it was. A symbolic link keeps pointing at its file,
// which is the one replaced (the settings file may be a link on purpose).
// False on any failure.
bool ReplaceWholeFile(const std::string& path, const std::string& text);

// A file the tools make for the user (a snapshot, a certificate, a CSV
// table), put in place whole or not at all and never written through a
// link: the text goes to a new file beside `path`, created exclusively
// without following a link, is synced and then renamed over `path`. A
// symbolic link at `path` is replaced, never the file it names; a
// directory, FIFO or device there is refused. A failure leaves the old file
// (or none) and no temporary file behind.
class FileReplacement {
public:
    explicit FileReplacement(std::string path) : path_(std::move(path)) { }
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Makes the temporary file, so that a place that cannot take the file
    // is known before the work that fills it.
    std::error_code prepare();
    // Writes `bytes` (preparing first when that has not been done), syncs
    // and renames. Once only.
    std::error_code commit(const std::string& bytes);

private:
    void discard();

    std::string path_;
    std::string temp_;
    std::intptr_t handle_ = -1; // a descriptor
};

// FileReplacement in one call.
std::error_code PlaceWholeFile(const std::string& path, const std::string& bytes);

// One line for a message: "not a regular file" for what the calls above
// refuse, the system's text otherwise.
std::string FileErrorText(const std::error_code& error);

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
