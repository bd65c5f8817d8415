#include "app_core/file_io.h"

#include "app_core/log_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            const int error = errno;
            close(fd);
            errno = error;
            return std::nullopt;
        }
    }
    close(fd);
    return text;
}

bool WriteWholeFile(const std::string& path, const std::string& text)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = true;
    for (size_t done = 0; ok && done < text.size();) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n < 0 && errno != EINTR)
            ok = false;
    }
    return close(fd) == 0 && ok;
}

namespace {

[[noreturn]] void Raise(const char* what, const std::string& path, int error)
{
    throw EInOutError(std::string(what) + " \"" + path + "\": " + std::strerror(error), error);
}

} // namespace

// O_NONBLOCK keeps a FIFO planted under the log's name from blocking the
// program.
void AppendToFile(const std::string& path, const std::string& bytes, AppendMode mode)
{
    const int fd = open(path.c_str(),
                        O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK |
                            (mode == AppendMode::NoFollow ? O_NOFOLLOW : 0),
                        0666);
    if (fd < 0)
        Raise("Cannot open log file", path, errno);

    int error = 0;
    const char* failure = nullptr;
    struct stat info {};
    if (mode == AppendMode::EmptyAtLimit && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        info.st_size >= kErrLogLimit && ftruncate(fd, 0) != 0) {
        error = errno;
        failure = "Cannot empty log file";
    }
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
