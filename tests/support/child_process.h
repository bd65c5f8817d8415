#pragma once

// A child process for the tests: started with its own working
// directory, environment and pipes, waited for with a time-out (a pidfd,
// no polling), and stopped with SIGTERM, then SIGKILL if it will not go.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace support {

struct SpawnOptions {
    std::vector<std::string> argv;        // argv[0] is the program's path
    std::vector<std::string> environment; // "NAME=value", over the current environment
    std::vector<std::string> unset;       // names taken out of the current environment
    std::string workDir;                  // empty: the current directory
    bool pipeStdin = false;
    bool pipeStdout = false;
    bool pipeStderr = false;
    std::string stdoutFile; // where standard output goes when not piped (empty: inherited)
    std::string stderrFile;
};

class ChildProcess {
public:
    // Throws std::system_error when the process cannot be started.
    explicit ChildProcess(const SpawnOptions& options);
    // Stops the process if it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }
    int StdinFd() const { return stdin_; }
    int StdoutFd() const { return stdout_; }
    int StderrFd() const { return stderr_; }
    void CloseStdin();

    // The wait status once the process has ended within `timeout`.
    std::optional<int> WaitFor(std::chrono::milliseconds timeout);
    bool Running();

    // SIGTERM; after `grace` SIGKILL. Returns the wait status.
    int Stop(std::chrono::milliseconds grace);

private:
    pid_t pid_ = -1;
    int pidfd_ = -1;
    int stdin_ = -1, stdout_ = -1, stderr_ = -1;
    std::optional<int> status_;
};

// The exit code for a wait status, or 128 + signal for a killed process.
int ExitCode(int waitStatus);

} // namespace support
