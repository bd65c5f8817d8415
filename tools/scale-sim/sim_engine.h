#pragma once

// The simulator's engine: a pseudo-terminal with the controller behind it.
// One thread runs everything in a poll() loop: the bytes the tool writes,
// the replies (possibly delayed or split), the measurement stream and the
// input lines that switch the simulation. Tests run it in-process with
// Start() and drive it with Command(); the program runs it on its main
// thread with standard input and output.

#include "frame_log.h"
#include "raw_pty.h"
#include "sim_frame.h"
#include "sim_settings.h"

#include <chrono>
#include <deque>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace scalesim {

struct EngineOptions {
    std::string linkPath; // a symbolic link to the pty, made now and removed at the end
    std::string logPath;  // the frame log; empty: standard error
    uint32_t seed = 1;    // of the noise
};

class SimEngine {
public:
    // Throws std::system_error when the pty, the link or the log cannot be made.
    explicit SimEngine(const EngineOptions& options = {});
    ~SimEngine();
    SimEngine(const SimEngine&) = delete;
    SimEngine& operator=(const SimEngine&) = delete;

    const std::string& PortPath() const { return pty_.path; }

    // Carries out one input line ("load 12.5", "status", "quit"; see the
    // help) and returns its answer: "ok", "ok " + details, or "error: ...".
    // Thread-safe: while the loop runs, the line is carried out on its
    // thread and this call waits for it.
    std::string Command(const std::string& line);

    // Runs until "quit" or Stop(). Lines read from `inputFd` are carried out
    // and answered on `outputFd`; -1 for none.
    void Run(int inputFd = -1, int outputFd = -1);

    // Run() on a thread of its own, and its end.
    void Start();
    void Join();

    // Ends Run(). Safe from a signal handler.
    void Stop();

private:
    using Clock = std::chrono::steady_clock;

    struct PendingWrite {
        Clock::time_point due;
        Bytes bytes;
        bool opensFrame; // the first part of a split reply
    };
    struct QueuedLine {
        std::string line;
        std::promise<std::string> answer;
    };

    int64_t NowMs() const;
    std::string Execute(const std::string& line);
    std::string SendCommandLine(const std::string& argument, bool asReply);
    void DrainInbox();
    void AnswerLines(std::string& pending, int outputFd);
    void ReadTool();
    void HandleCommand(const CommandFrame& frame, std::string& note);
    void QueueReply(const ReplyFrame& reply);
    void FlushDueWrites();
    void StreamTick();
    // A tool killed while it had the port leaves the terminal's exclusive
    // use set (the simulator holds the terminal open, so it is never closed
    // for the last time): once the tool's lock on it is gone, it is cleared,
    // so that the same user can open the port again.
    void ClearStaleExclusiveUse();
    void ReschedulePeriod();
    int PollTimeoutMs() const;
    void WriteToLine(const Bytes& bytes, bool log);
    void Log(const std::string& line);

    EngineOptions options_;
    RawPty pty_;
    UniqueFd wakeRead_, wakeWrite_;
    UniqueFd logFile_;
    FrameLog log_; // to logFile_, or standard error
    bool linkMade_ = false;

    SimState state_;
    CommandAssembler assembler_;
    Clock::time_point start_;
    std::deque<PendingWrite> writes_;
    bool midFrame_ = false;
    std::chrono::microseconds period_{0};
    Clock::time_point nextTick_;
    Clock::time_point nextExclusiveCheck_{};
    bool quit_ = false;

    std::mutex mutex_; // guards running_ and inbox_, and direct execution
    bool running_ = false;
    std::deque<QueuedLine> inbox_;
    std::thread thread_;
};

} // namespace scalesim
