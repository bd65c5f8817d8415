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
#include <optional>

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

// Windows renames a link itself, never the file it names; the new file is
// made exclusively beside the old one, flushed and moved over it.
FileReplacement::~FileReplacement() { discard(); }

void FileReplacement::discard()
{
    if (handle_ < 0)
        return;
    _close(static_cast<int>(handle_));
    handle_ = -1;
    _wunlink(WideFromUtf8(temp_).c_str());
}

std::error_code FileReplacement::prepare()
{
    if (handle_ >= 0)
        return {};
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(path_).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::make_error_code(std::errc::invalid_argument);
    static unsigned counter = 0;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp_ = path_ + ".new-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(counter++);
        fd =
            _wopen(WideFromUtf8(temp_).c_str(),
                   _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
        if (fd < 0 && errno != EEXIST)
            return {errno, std::generic_category()};
    }
    if (fd < 0)
        return {errno, std::generic_category()};
    handle_ = fd;
    return {};
}

std::error_code FileReplacement::commit(const std::string& bytes)
{
    if (const std::error_code error = prepare())
        return error;
    const int fd = static_cast<int>(handle_);
    std::error_code error;
    for (size_t done = 0; !error && done < bytes.size();) {
        const int n = _write(fd, bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
        if (n > 0)
            done += static_cast<size_t>(n);
        else
            error = {errno, std::generic_category()};
    }
    if (!error && _commit(fd) != 0)
        error = {errno, std::generic_category()};
    handle_ = -1;
    if (_close(fd) != 0 && !error)
        error = {errno, std::generic_category()};
    if (!error && !MoveFileExW(WideFromUtf8(temp_).c_str(), WideFromUtf8(path_).c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = std::make_error_code(std::errc::permission_denied);
    if (error)
        _wunlink(WideFromUtf8(temp_).c_str());
    return error;
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
    const std::error_code error = PlaceWholeFile(path, text);
    errno = error.value();
    return !error;
}

namespace {

[[noreturn]] void Raise(LogFileStep step, const std::string& path, int error)
{
    throw InOutError(step, path, error);
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
            Raise(LogFileStep::Open, path, errno);
        return fd;
    };
    int fd = openLog();
    struct _stat64 info { };
    if (moveAsideAt > 0 && _fstat64(fd, &info) == 0 && (info.st_mode & _S_IFREG) &&
        info.st_size >= moveAsideAt) {
        _close(fd);
        if (!MoveFileExW(wide.c_str(), WideFromUtf8(MovedAsidePath(path)).c_str(),
                         MOVEFILE_REPLACE_EXISTING))
            Raise(LogFileStep::Rename, path, EACCES);
        fd = openLog();
    }

    int error = 0;
    std::optional<LogFileStep> failure;
    for (size_t done = 0; !failure && done < bytes.size();) {
        const int n = _write(fd, bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else {
            error = errno;
            failure = LogFileStep::Write;
        }
    }
    if (_close(fd) != 0 && !failure) {
        error = errno;
        failure = LogFileStep::Close;
    }
    if (failure)
        Raise(*failure, path, error);
}

// The open file keeps its name here: the system lets others read it but
// not move or remove it, so the name always leads to it.
void KeptOpenLog::Open()
{
    path_ = locate_();
    fd_ = _wopen(WideFromUtf8(path_).c_str(),
                 _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd_ < 0)
        Raise(LogFileStep::Open, path_, errno);
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
            Raise(LogFileStep::Rename, path_, EACCES);
        Open();
    }
    for (size_t done = 0; done < bytes.size();) {
        const int n = _write(fd_, bytes.data() + done, static_cast<unsigned>(bytes.size() - done));
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else {
            const int error = errno;
            Close(); // the next line opens it anew
            Raise(LogFileStep::Write, path_, error);
        }
    }
}
