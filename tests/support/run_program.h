#pragma once

// Runs a built program to its end and collects what it printed, for the
// tests that drive the real programs (dailycode, the settings and log probe).

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace support {

struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    bool timedOut = false; // killed at the time-out
};

// Runs `program` with `args`, in this process's environment changed by `env`
// (a value of nullopt removes the variable), waiting for its end, or at most
// `timeout`, after which it is killed (the time-out serves the tests of
// special files that could block; on Windows every program ends and it is
// not used). On Windows the output is read as a text-mode reader sees it:
// CR LF becomes LF.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::map<std::string, std::optional<std::string>>& env = {},
                      std::optional<std::chrono::milliseconds> timeout = std::nullopt);

} // namespace support
