#include "app_core/file_io.h"

#include "app_core/log_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

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

[[noreturn]] void Raise(const char* what, const std::string& path, int error)
{
    throw InOutError(std::string(what) + " \"" + path + "\": " + std::strerror(error), error);
}

} // namespace

bool ReplaceWholeFile(const std::string& path, const std::string& text)
{
    const std::string target = WriteTarget(path);
    const size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "./" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);

    static unsigned counter = 0;
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp =
            dir + "." + name + ".new-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    // The new file keeps the old one's permissions.
    struct stat old { };
    bool ok = stat(target.c_str(), &old) != 0 || fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && WriteAll(fd, text) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    // The rename itself reaches the disk with its directory.
    const int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

namespace {

// O_NONBLOCK keeps a FIFO planted under the log's name from blocking the
// program.
int OpenLog(const std::string& path)
{
    const int fd = open(path.c_str(),
                        O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0666);
    if (fd < 0)
        Raise("Cannot open log file", path, errno);
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
            Raise("Cannot rename log file", path_, errno);
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
            Raise("Cannot write to log file", path_, error);
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
            Raise("Cannot open log file", path, errno);
        return fd;
    };
    int fd = openLog();
    struct stat info { };
    if (moveAsideAt > 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_size >= moveAsideAt) {
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
