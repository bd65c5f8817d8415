#include "app_core/locked_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

} // namespace

LockedFile::~LockedFile()
{
    if (handle_ >= 0)
        ::close(static_cast<int>(handle_));
}

bool LockedFile::open(const std::string& path, Access access)
{
    // A file appended to is never reached through a link, nor one that
    // another user could have put in its place.
    const int flags = access == Access::Read ? O_RDONLY : O_RDWR | O_CREAT | O_APPEND | O_NOFOLLOW;
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0)
        return fail(LastError());
    handle_ = fd;
    struct stat status { };
    if (::fstat(fd, &status) != 0)
        return fail(LastError());
    if (!S_ISREG(status.st_mode))
        return fail(std::make_error_code(std::errc::invalid_argument));
    if (access == Access::Append && status.st_uid != ::geteuid())
        return fail(std::make_error_code(std::errc::permission_denied));
    while (::flock(fd, access == Access::Read ? LOCK_SH : LOCK_EX) != 0)
        if (errno != EINTR)
            return fail(LastError());
    return true;
}

bool LockedFile::size(uint64_t& bytes)
{
    struct stat status { };
    if (::fstat(static_cast<int>(handle_), &status) != 0)
        return fail(LastError());
    bytes = static_cast<uint64_t>(status.st_size);
    return true;
}

bool LockedFile::readAt(char* buffer, size_t length, uint64_t offset)
{
    size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(static_cast<int>(handle_), buffer + done, length - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(LastError());
        if (got == 0)
            return fail(std::make_error_code(std::errc::io_error));
        done += static_cast<size_t>(got);
    }
    return true;
}

bool LockedFile::append(const std::string& bytes)
{
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t done =
            ::write(static_cast<int>(handle_), bytes.data() + written, bytes.size() - written);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return fail(done < 0 ? LastError() : std::make_error_code(std::errc::io_error));
        written += static_cast<size_t>(done);
    }
    if (::fsync(static_cast<int>(handle_)) != 0)
        return fail(LastError());
    return true;
}

bool LockedFile::truncate(uint64_t bytes)
{
    if (::ftruncate(static_cast<int>(handle_), static_cast<off_t>(bytes)) != 0)
        return fail(LastError());
    return true;
}
