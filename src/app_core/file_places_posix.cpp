#include "app_core/file_places.h"

#include "app_core/exe_path.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <vector>

namespace {

std::string WithoutFinalSlashes(std::string path)
{
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    return path;
}

std::string HomeDirectory()
{
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return WithoutFinalSlashes(home);
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/')
        return WithoutFinalSlashes(found->pw_dir);
    return {};
}

// $variable when it is an absolute path, else the home directory + fallback.
std::string BaseDirectory(const char* variable, const char* fallback)
{
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return WithoutFinalSlashes(value);
    return HomeDirectory() + fallback;
}

std::string ForThisProgram(std::string base)
{
    if (!kOrganizationName.empty())
        base.append("/").append(kOrganizationName);
    return base.append("/").append(kApplicationName);
}

// Makes `path` and its missing parents with mode 0700. A failure is left
// for the file's own open to report, with the file's name.
bool MakeDirectories(const std::string& path)
{
    for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (end == std::string::npos)
            return true;
    }
}

} // namespace

bool MakePrivateDirectory(const std::string& path)
{
    if (!MakeDirectories(path))
        return false;
    struct stat info { };
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
        (info.st_mode & 077) != 0)
        chmod(path.c_str(), 0700);
    return true;
}

namespace {

// The directory with a final "/", made on the first call that succeeds.
std::string MadeDirectory(const std::string& path, std::atomic<bool>& made)
{
    if (!made.load(std::memory_order_relaxed) && MakePrivateDirectory(path))
        made.store(true, std::memory_order_relaxed);
    return path + "/";
}

bool DecidePortableUse()
{
    const std::string dir = ExecutableDirectory();
    if (dir.empty())
        return true; // the current directory, as before
    if (dir.starts_with("/usr/"))
        return false;
    return access(dir.c_str(), W_OK) == 0;
}

} // namespace

bool PortableUse()
{
    static const bool portable = DecidePortableUse();
    return portable;
}

std::string UserConfigDirectory()
{
    return ForThisProgram(BaseDirectory("XDG_CONFIG_HOME", "/.config"));
}

std::string UserDataDirectory()
{
    return ForThisProgram(BaseDirectory("XDG_DATA_HOME", "/.local/share"));
}

std::string SettingsDirectory()
{
    if (PortableUse())
        return ExecutableDirectory();
    static const std::string dir = UserConfigDirectory();
    static std::atomic<bool> made{false};
    return MadeDirectory(dir, made);
}

std::string LogDirectory()
{
    if (PortableUse())
        return ExecutableDirectory();
    static const std::string dir = UserDataDirectory();
    static std::atomic<bool> made{false};
    return MadeDirectory(dir, made);
}
