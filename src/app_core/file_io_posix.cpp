#include "app_core/file_io.h"

#include "app_core/log_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>

std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxSize)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const auto fail = [fd](int error) {
        close(fd);
        errno = error;
        return std::nullopt;
    };
    struct stat info { };
    if (fstat(fd, &info) != 0)
        return fail(errno);
    if (!S_ISREG(info.st_mode))
        return fail(EINVAL);
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<size_t>(n));
            if (text.size() > maxSize)
                return fail(EFBIG);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            return fail(errno);
        }
    }
    close(fd);
    return text;
}

namespace {

bool WriteAll(int fd, const std::string& text)
{
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n < 0 && errno != EINTR)
            return false;
    }
    return true;
}

// The file a write lands in: a symbolic link keeps pointing at its file.
std::string WriteTarget(const std::string& path)
{
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

[[noreturn]] void Raise(LogFileStep step, const std::string& path, int error)
{
    throw InOutError(step, path, error);
}

} // namespace

namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

// Anything but a regular file or a link in the place of a file to replace.
std::error_code CheckPlace(const std::string& path)
{
    struct stat info { };
    if (lstat(path.c_str(), &info) != 0)
        return errno == ENOENT ? std::error_code() : LastError();
    if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode))
        return std::make_error_code(std::errc::invalid_argument);
    return {};
}

void SyncDirectory(const std::string& dir)
{
    const int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
}

std::string DirectoryOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

} // namespace

FileReplacement::~FileReplacement() { discard(); }

void FileReplacement::discard()
{
    if (handle_ < 0)
        return;
    close(static_cast<int>(handle_));
    handle_ = -1;
    unlink(temp_.c_str());
}

std::error_code FileReplacement::prepare()
{
    if (handle_ >= 0)
        return {};
    if (const std::error_code refused = CheckPlace(path_))
        return refused;
    const std::string dir = DirectoryOf(path_);
    const std::string name = path_.substr(path_.rfind('/') + 1);
    static std::atomic<unsigned> counter{0};
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp_ =
            dir + "." + name + ".new-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        fd = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return LastError();
    }
    if (fd < 0)
        return LastError();
    handle_ = fd;
    // A file replaced keeps its permissions.
    struct stat old { };
    if (lstat(path_.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        fchmod(fd, old.st_mode & 0777);
    return {};
}

std::error_code FileReplacement::commit(const std::string& bytes)
{
    if (const std::error_code error = prepare())
        return error;
    const int fd = static_cast<int>(handle_);
    std::error_code error;
    if (!WriteAll(fd, bytes) || fsync(fd) != 0)
        error = LastError();
    handle_ = -1;
    if (close(fd) != 0 && !error)
        error = LastError();
    if (!error)
        error = CheckPlace(path_);
    if (!error && rename(temp_.c_str(), path_.c_str()) != 0)
        error = LastError();
    if (error) {
        unlink(temp_.c_str());
        return error;
    }
    SyncDirectory(DirectoryOf(path_));
    return {};
}

std::error_code PlaceWholeFile(const std::string& path, const std::string& bytes)
{
    return FileReplacement(path).commit(bytes);
}

std::string FileErrorText(const std::error_code& error)
{
    if (error == std::errc::invalid_argument)
        return "not a regular file";
    if (error == std::errc::file_too_large)
        return "too large";
    return error.message();
}

bool ReplaceWholeFile(const std::string& path, const std::string& text)
{
    const std::error_code error = PlaceWholeFile(WriteTarget(path), text);
    errno = error.value();
    return !error;
}

namespace {

// O_NONBLOCK keeps a FIFO planted under the log's name from blocking the
// program.
int OpenLog(const std::string& path)
{
    const int fd = open(path.c_str(),
                        O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0666);
    if (fd < 0)
        Raise(LogFileStep::Open, path, errno);
    return fd;
}

} // namespace

void KeptOpenLog::Open()
{
    path_ = locate_();
    fd_ = OpenLog(path_);
    struct stat info { };
    if (fstat(fd_, &info) == 0) {
        device_ = info.st_dev;
        inode_ = info.st_ino;
        // Only a regular file moves aside.
        size_ = S_ISREG(info.st_mode) ? info.st_size : -1;
    }
    nextCheck_ = std::chrono::steady_clock::now() + recheck_;
}

void KeptOpenLog::Close()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

// The name still leads to the open file itself (not to a link, nor to a
// file another program put there).
bool KeptOpenLog::StillNamed() const
{
    struct stat info { };
    return lstat(path_.c_str(), &info) == 0 && info.st_dev == device_ && info.st_ino == inode_;
}

void KeptOpenLog::Append(const std::string& bytes, long moveAsideAt)
{
    const auto now = std::chrono::steady_clock::now();
    if (fd_ >= 0 && now >= nextCheck_) {
        // Another program may have moved, removed or emptied it meanwhile.
        struct stat info { };
        if (!StillNamed() || fstat(fd_, &info) != 0) {
            Close();
        } else {
            size_ = S_ISREG(info.st_mode) ? info.st_size : -1;
            nextCheck_ = now + recheck_;
        }
    }
    if (fd_ < 0)
        Open();
    if (moveAsideAt > 0 && size_ >= moveAsideAt) {
        Close();
        if (rename(path_.c_str(), MovedAsidePath(path_).c_str()) != 0)
            Raise(LogFileStep::Rename, path_, errno);
        Open();
    }
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            if (size_ >= 0)
                size_ += n;
        } else if (n < 0 && errno != EINTR) {
            const int error = errno;
            Close(); // the next line opens it anew
            Raise(LogFileStep::Write, path_, error);
        }
    }
}

// O_NONBLOCK keeps a FIFO planted under the log's name from blocking the
// program.
void AppendToFile(const std::string& path, const std::string& bytes, long moveAsideAt)
{
    const auto openLog = [&] {
        const int fd =
            open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW,
                 0666);
        if (fd < 0)
            Raise(LogFileStep::Open, path, errno);
        return fd;
    };
    int fd = openLog();
    struct stat info { };
    if (moveAsideAt > 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_size >= moveAsideAt) {
        close(fd);
        if (rename(path.c_str(), MovedAsidePath(path).c_str()) != 0)
            Raise(LogFileStep::Rename, path, errno);
        fd = openLog();
    }

    int error = 0;
    std::optional<LogFileStep> failure;
    for (size_t done = 0; !failure && done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno != EINTR) {
            error = errno;
            failure = LogFileStep::Write;
        }
    }
    // The close comes first even after a failure; its own failure counts too.
    if (close(fd) != 0 && !failure) {
        error = errno;
        failure = LogFileStep::Close;
    }
    if (failure)
        Raise(*failure, path, error);
}
