// Where the program and its operation log are, on Windows.

#include "app_core/exe_path.h"
#include "app_core/log_files.h"
#include "app_core/win32_text.h"

#include <windows.h>

std::string ExecutableDirectory()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2); // cut short: try again with more room
    }
    return Utf8FromWide(path.substr(0, path.find_last_of(L"\\/") + 1));
}

std::string OperationLogPath() { return "C:\\oplog.txt"; }
