// Paths are UTF-8; on Windows they are passed on as UTF-16.

#include "test_support.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::filesystem::path PathOf(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

} // namespace

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(PathOf(path), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

bool FileExists(const std::string& path)
{
    return std::filesystem::symlink_status(PathOf(path)).type() !=
           std::filesystem::file_type::not_found;
}

std::string InstallProbe(const std::string& dir)
{
#ifdef _WIN32
    const std::string target = dir + "\\app_probe.exe";
    std::filesystem::copy_file(APP_PROBE_PATH, PathOf(target));
#else
    const std::string target = dir + "/app_probe";
    std::filesystem::copy_file(APP_PROBE_PATH, target);
    std::filesystem::permissions(target, std::filesystem::perms::owner_all);
#endif
    return target;
}
