#pragma once
// A file held under a whole-file lock while it is open, for files that
// several programs of this tool append to (the calibration records): readers
// take a shared lock, an appender an exclusive one, so nobody reads a line
// half-written. Each call returns false on failure and keeps the reason in
// error(). Paths are UTF-8.

#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

class LockedFile {
public:
    enum class Access {
        Read,  // an existing file, shared lock
        Append // created when missing (its directory must exist), exclusive lock
    };

    LockedFile() = default;
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    // Opens without waiting on a FIFO or a device and refuses anything that
    // is not a regular file; for appending, also a symbolic link
    // (std::errc::too_many_symbolic_link_levels) and a file of another user
    // (std::errc::permission_denied). Then waits for the lock. A missing file opened
    // for reading fails with std::errc::no_such_file_or_directory.
    bool open(const std::string& path, Access access);

    bool size(uint64_t& bytes);
    // Exactly `length` bytes from `offset`; fails short of them.
    bool readAt(char* buffer, size_t length, uint64_t offset);
    // The whole of `bytes` at the end, then flushed to the disk.
    bool append(const std::string& bytes);
    bool truncate(uint64_t bytes);

    const std::error_code& error() const { return error_; }

private:
    bool fail(std::error_code error)
    {
        error_ = error;
        return false;
    }

    std::intptr_t handle_ = -1; // a descriptor, or a Windows HANDLE
    std::error_code error_;
};
