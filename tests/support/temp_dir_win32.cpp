#include "temp_dir.h"

#include <windows.h>

#include <filesystem>

namespace support {

namespace {

std::filesystem::path PathOf(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

} // namespace

TempDir::TempDir(const std::string& prefix)
{
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (unsigned attempt = 0;; ++attempt) {
        const std::filesystem::path candidate =
            base / PathOf(prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                          std::to_string(GetTickCount()) + "-" + std::to_string(attempt));
        if (std::filesystem::create_directory(candidate)) {
            const std::u8string text = candidate.u8string();
            path_.assign(text.begin(), text.end());
            return;
        }
    }
}

TempDir::~TempDir()
{
    if (keep_)
        return;
    std::error_code ignored;
    std::filesystem::remove_all(PathOf(path_), ignored);
}

} // namespace support
