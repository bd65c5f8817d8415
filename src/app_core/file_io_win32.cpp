// The same operations as file_io_posix.cpp on the C runtime's low-level
// calls with UTF-16 paths, always in binary mode (no CR LF translation).

#include "app_core/file_io.h"

#include "app_core/log_files.h"
#include "app_core/win32_text.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxSize)
{
    const int fd = _wopen(WideFromUtf8(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0)
        return std::nullopt;
    struct _stat64 info { };
    if (_fstat64(fd, &info) != 0 || !(info.st_mode & _S_IFREG)) {
        _close(fd);
        errno = EINVAL;
        return std::nullopt;
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const int n = _read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<size_t>(n));
            if (text.size() > maxSize) {
                _close(fd);
                errno = EFBIG;
                return std::nullopt;
            }
        } else if (n == 0) {
            break;
        } else {
            const int error = errno;
            _close(fd);
            errno = error;
            return std::nullopt;
        }
    }
    _close(fd);
    return text;
}

// The new text goes to a file beside the old one, is flushed to disk and
// moved over the old one; any failure leaves the old file as it was.
bool ReplaceWholeFile(const std::string& path, const std::string& text)
{
    const std::wstring target = WideFromUtf8(path);
    const std::wstring temp = target + L".new-" + std::to_wstring(GetCurrentProcessId());
    const int fd = _wopen(temp.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                          _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return false;
    bool ok = true;
    for (size_t done = 0; ok && done < text.size();) {
        const int n = _write(fd, text.data() + done, static_cast<unsigned>(text.size() - done));
        if (n > 0)
            done += static_cast<size_t>(n);
        else
            ok = false;
    }
    ok = _commit(fd) == 0 && ok;
    ok = _close(fd) == 0 && ok;
    ok = ok && MoveFileExW(temp.c_str(), target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        _wunlink(temp.c_str());
    return ok;
}

namespace {

[[noreturn]] void Raise(const char* what, const std::string& path, int error)
{
    throw InOutError(std::string(what) + " \"" + path + "\": " + std::strerror(error), error);
}

} // namespace

// Windows follows no symbolic link it was not told to, and a log path is
// never a pipe there.
void AppendToFile(const std::string& path, const std::string& bytes, long moveAsideAt)
{
    const std::wstring wide = WideFromUtf8(path);
    const auto openLog = [&] {
        const int fd =
            _wopen(wide.c_str(), _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY | _O_NOINHERIT,
                   _S_IREAD | _S_IWRITE);
        if (fd < 0)
            Raise("Cannot open log file", path, errno);
        return fd;
    };
    int fd = openLog();
    struct _stat64 info { };
    if (moveAsideAt > 0 && _fstat64(fd, &info) == 0 && (info.st_mode & _S_IFREG) &&
        info.st_size >= moveAsideAt) {
        _close(fd);
        if (!MoveFileExW(wide.c_str(), WideFromUtf8(MovedAsidePath(path)).c_str(),
                         MOVEFILE_REPLACE_EXISTING))
            Raise("Cannot rename log file", path, EACCES);
        fd = openLog();
    }

    int error = 0;
    const char* failure = nullptr;
    for (size_t done = 0; !failure && done < bytes.size();) {
        const int n = _write(fd, bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else {
            error = errno;
            failure = "Cannot write to log file";
        }
    }
    if (_close(fd) != 0 && !failure) {
        error = errno;
        failure = "Cannot close log file";
    }
    if (failure)
        Raise(failure, path, error);
}

// The open file keeps its name here: the system lets others read it but
// not move or remove it, so the name always leads to it.
void KeptOpenLog::Open()
{
    path_ = locate_();
    fd_ = _wopen(WideFromUtf8(path_).c_str(),
                 _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY | _O_NOINHERIT,
                 _S_IREAD | _S_IWRITE);
    if (fd_ < 0)
        Raise("Cannot open log file", path_, errno);
}

void KeptOpenLog::Close()
{
    if (fd_ >= 0)
        _close(fd_);
    fd_ = -1;
}

bool KeptOpenLog::StillNamed() const { return true; }

void KeptOpenLog::Append(const std::string& bytes, long moveAsideAt)
{
    if (fd_ < 0)
        Open();
    struct _stat64 info { };
    if (moveAsideAt > 0 && _fstat64(fd_, &info) == 0 && (info.st_mode & _S_IFREG) &&
        info.st_size >= moveAsideAt) {
        Close();
        if (!MoveFileExW(WideFromUtf8(path_).c_str(), WideFromUtf8(MovedAsidePath(path_)).c_str(),
                         MOVEFILE_REPLACE_EXISTING))
            Raise("Cannot rename log file", path_, EACCES);
        Open();
    }
    for (size_t done = 0; done < bytes.size();) {
        const int n = _write(fd_, bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else {
            const int error = errno;
            Close(); // the next line opens it anew
            Raise("Cannot write to log file", path_, error);
        }
    }
}
