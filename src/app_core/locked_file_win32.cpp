#include "app_core/locked_file.h"

#include "app_core/win32_text.h"

#include <windows.h>

#include <algorithm>

namespace {

std::error_code LastError() { return {static_cast<int>(GetLastError()), std::system_category()}; }

HANDLE AsHandle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

} // namespace

LockedFile::~LockedFile()
{
    if (handle_ != -1)
        CloseHandle(AsHandle(handle_));
}

bool LockedFile::open(const std::string& path, Access access)
{
    const bool reading = access == Access::Read;
    const HANDLE file = CreateFileW(
        WideFromUtf8(path).c_str(), reading ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, reading ? OPEN_EXISTING : OPEN_ALWAYS,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return fail(std::make_error_code(std::errc::no_such_file_or_directory));
        return fail({static_cast<int>(error), std::system_category()});
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    if (GetFileType(file) != FILE_TYPE_DISK)
        return fail(std::make_error_code(std::errc::invalid_argument));
    OVERLAPPED whole{};
    if (!LockFileEx(file, reading ? 0 : LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole))
        return fail(LastError());
    return true;
}

bool LockedFile::size(uint64_t& bytes)
{
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(AsHandle(handle_), &length))
        return fail(LastError());
    bytes = static_cast<uint64_t>(length.QuadPart);
    return true;
}

bool LockedFile::readAt(char* buffer, size_t length, uint64_t offset)
{
    size_t done = 0;
    while (done < length) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset + done);
        at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
        DWORD got = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(length - done, 1u << 30));
        if (!ReadFile(AsHandle(handle_), buffer + done, chunk, &got, &at))
            return fail(LastError());
        if (got == 0)
            return fail(std::make_error_code(std::errc::io_error));
        done += got;
    }
    return true;
}

bool LockedFile::append(const std::string& bytes)
{
    uint64_t end = 0;
    if (!size(end))
        return false;
    size_t written = 0;
    while (written < bytes.size()) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(end + written);
        at.OffsetHigh = static_cast<DWORD>((end + written) >> 32);
        DWORD done = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, 1u << 30));
        if (!WriteFile(AsHandle(handle_), bytes.data() + written, chunk, &done, &at))
            return fail(LastError());
        if (done == 0)
            return fail(std::make_error_code(std::errc::io_error));
        written += done;
    }
    if (!FlushFileBuffers(AsHandle(handle_)))
        return fail(LastError());
    return true;
}

bool LockedFile::truncate(uint64_t bytes)
{
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(bytes);
    if (!SetFilePointerEx(AsHandle(handle_), at, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(AsHandle(handle_)))
        return fail(LastError());
    return true;
}
