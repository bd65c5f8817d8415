#pragma once

// scale-sim as a process of its own, the way an operator runs it: its
// first output line is the pty's path, its standard input takes the lines
// that switch the simulation (each answered with one line), and its frame
// log on standard error is collected by a thread so that a test can wait
// for a frame the tool sent.

#include "child_process.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

class SimProcess {
public:
    // Starts scale-sim with these options (e.g. {"--load", "12.5"}) and
    // waits for its pty. Throws std::runtime_error when it does not start.
    explicit SimProcess(const std::vector<std::string>& options = {},
                        const std::string& program = SCALE_SIM_PATH);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The pty to give the tool as its port.
    const std::string& PortPath() const { return portPath_; }

    // Sends one input line ("load 3", "silent on") and returns the answer
    // line ("ok", "error: ..."). Throws std::runtime_error on a time-out.
    // Not for "help", whose answer has many lines.
    std::string Command(const std::string& line,
                        std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // Waits until a frame-log line contains `text`, counting lines already
    // logged; false on a time-out.
    bool WaitForLog(const std::string& text, std::chrono::milliseconds timeout);
    // Waits until `count` commands have been received in all; false on a time-out.
    bool WaitForFrames(size_t count, std::chrono::milliseconds timeout);

    // Frame-log lines so far, and of them the hex of each command received
    // ("AA 01 F6 00 00 00 00 A2").
    std::vector<std::string> LogLines() const;
    std::vector<std::string> ReceivedFrames() const;

    // Ends the simulator with "quit" (SIGTERM, then SIGKILL if it does not
    // go) and returns its exit code. Called by the destructor if needed.
    int Stop();

private:
    void CollectLog();
    std::string ReadStdoutLine(std::chrono::milliseconds timeout);

    std::unique_ptr<support::ChildProcess> process_;
    std::string portPath_;
    std::string stdoutBuffer_;
    std::thread logThread_;
    mutable std::mutex mutex_;
    std::condition_variable logChanged_;
    std::vector<std::string> log_;
    std::optional<int> exitCode_;
};

} // namespace e2e
