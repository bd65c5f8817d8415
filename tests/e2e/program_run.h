#pragma once

// The real program, started the way an operator's workstation runs it but
// in a directory of its own: a copy of the executable, its own datalink.ini
// pointing at the simulator, its own Result.txt and ResultErr.txt, HOME and
// XDG_RUNTIME_DIR there too (the operation log and the single-instance lock
// live there), and no display (QT_QPA_PLATFORM=offscreen).

#include "child_process.h"
#include "temp_dir.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct ProgramRunOptions {
    std::string program{}; // the executable to copy and run
    // What runs the copy, before its path: none for a program of this
    // system, e.g. {"/usr/bin/wine"} for a Windows program.
    std::vector<std::string> launcher{};
    std::string port{}; // [CommSet] CommNo
    int baud = 9600;    // [CommSet] BaudRate
    std::vector<std::string>
        extraIni{}; // more lines for datalink.ini, e.g. "[SysSet]", "writeResult=1"
    std::vector<std::string> environment{}; // "NAME=value" on top of the harness's own
    std::vector<std::string> arguments{};
};

class ProgramRun {
public:
    // Makes the directory, copies the program, writes datalink.ini and
    // starts it. Throws std::runtime_error or std::system_error on failure.
    explicit ProgramRun(const ProgramRunOptions& options);
    // Stops the program if it runs and removes the directory (kept when
    // SCALE_E2E_KEEP is set, for a look after a failure).
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    const std::string& Directory() const { return directory_.path(); }
    std::string PathOf(const std::string& name) const { return directory_ / name; }

    // A file of the run ("Result.txt", "ResultErr.txt", "oplog.txt",
    // "datalink.ini", "program.out", "program.err"); empty when missing.
    std::string ReadFile(const std::string& name) const;

    bool Running() { return process_->Running(); }
    pid_t Pid() const { return process_->Pid(); }

    // The exit code once the program has ended within `timeout`.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);

    // SIGTERM, then SIGKILL after `grace`; returns the exit code (128 +
    // signal when a signal ended it).
    int Stop(std::chrono::milliseconds grace = std::chrono::seconds(5));

private:
    support::TempDir directory_; // mode 0700, as a runtime directory must be
    std::unique_ptr<support::ChildProcess> process_;
};

} // namespace e2e
