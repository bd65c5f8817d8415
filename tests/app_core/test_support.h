#pragma once

// Temporary directories, whole-file reads and writes, and running the probe
// program (a copy of tests/app_core/probe) for the settings and log tests.

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// Copies the probe program into `dir` as "app_probe" and returns its path.
std::string InstallProbe(const std::string& dir);

struct ProbeRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    bool timedOut = false; // killed at the time-out
};

// Runs `program` with `args` in this process's environment changed by
// `env` (a value of nullopt removes the variable), waiting for its end, or
// at most `timeout`, after which it is killed.
ProbeRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::map<std::string, std::optional<std::string>>& env,
                    std::optional<std::chrono::milliseconds> timeout = std::nullopt);
