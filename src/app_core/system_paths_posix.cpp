// Where the program and its operation log are, on POSIX systems.

#include "app_core/exe_path.h"
#include "app_core/log_files.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>

std::string ExecutableDirectory()
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer)
        return {};
    // A replaced or deleted executable reads as "/dir/name (deleted)"; cutting
    // after the last separator still gives its directory.
    const std::string path(buffer, static_cast<size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

std::string OperationLogPath()
{
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/')
        return {};
    std::string path = home;
    if (path.back() != '/')
        path += '/';
    return path + "oplog.txt";
}
