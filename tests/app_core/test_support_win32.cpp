// test_support.h on Windows: temporary directories under %TEMP%, UTF-8 paths
// passed on as UTF-16, programs run with CreateProcessW.

#include "test_support.h"

#include "run_program.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::filesystem::path PathOf(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

TempDir::TempDir()
{
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (unsigned attempt = 0;; ++attempt) {
        const std::filesystem::path candidate =
            base / ("app-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                    std::to_string(GetTickCount()) + "-" + std::to_string(attempt));
        if (std::filesystem::create_directory(candidate)) {
            path_ = Utf8Of(candidate);
            return;
        }
    }
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(PathOf(path_), ignored);
}

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
    const std::string target = dir + "\\app_probe.exe";
    std::filesystem::copy_file(APP_PROBE_PATH, PathOf(target));
    return target;
}

// The time-out serves the POSIX tests of special files; here every program ends.
ProbeRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::map<std::string, std::optional<std::string>>& env,
                    std::optional<std::chrono::milliseconds>)
{
    const support::ProgramRun run = support::RunProgram(program, args, env);
    return {run.exitCode, run.out, run.err};
}
