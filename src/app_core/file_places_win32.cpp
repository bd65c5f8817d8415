// Where the settings file and the logs lie, on Windows: beside the program
// when its folder can be written, else in the user's application data
// folders, the ones Qt names for AppConfigLocation (local) and
// AppDataLocation (roaming).

#include "app_core/exe_path.h"
#include "app_core/file_places.h"
#include "app_core/win32_text.h"

#include <windows.h>

#include <shlobj.h>

namespace {

std::string KnownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    std::string folder;
    if (SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path) == S_OK)
        folder = Utf8FromWide(path);
    CoTaskMemFree(path);
    return folder;
}

std::string ForThisProgram(std::string base)
{
    if (!kOrganizationName.empty())
        base.append("\\").append(kOrganizationName);
    return base.append("\\").append(kApplicationName);
}

// Whether a file can be made in `dir`: the folder's attributes say nothing
// about the user's rights in it, so try.
bool CanWriteIn(const std::string& dir)
{
    const std::wstring probe = WideFromUtf8(dir) + L"scale-config-write-probe.tmp";
    const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

std::string MadeDirectory(const std::string& dir)
{
    SHCreateDirectoryExW(nullptr, WideFromUtf8(dir).c_str(), nullptr);
    return dir + "\\";
}

} // namespace

bool MakePrivateDirectory(const std::string& path)
{
    const int result = SHCreateDirectoryExW(nullptr, WideFromUtf8(path).c_str(), nullptr);
    return result == ERROR_SUCCESS || result == ERROR_ALREADY_EXISTS;
}

bool PortableUse()
{
    static const bool portable = [] {
        const std::string dir = ExecutableDirectory();
        return dir.empty() || CanWriteIn(dir);
    }();
    return portable;
}

std::string UserConfigDirectory() { return ForThisProgram(KnownFolder(FOLDERID_LocalAppData)); }

std::string UserDataDirectory() { return ForThisProgram(KnownFolder(FOLDERID_RoamingAppData)); }

std::string SettingsDirectory()
{
    if (PortableUse())
        return ExecutableDirectory();
    static const std::string dir = MadeDirectory(UserConfigDirectory());
    return dir;
}

std::string LogDirectory()
{
    if (PortableUse())
        return ExecutableDirectory();
    static const std::string dir = MadeDirectory(UserDataDirectory());
    return dir;
}
