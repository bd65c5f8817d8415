#include "sim_process.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

SimProcess::SimProcess(const std::vector<std::string>& options, const std::string& program)
{
    support::SpawnOptions launch;
    launch.argv.push_back(program);
    launch.argv.insert(launch.argv.end(), options.begin(), options.end());
    launch.pipeStdin = launch.pipeStdout = launch.pipeStderr = true;
    process_ = std::make_unique<support::ChildProcess>(launch);
    logThread_ = std::thread([this] { CollectLog(); });
    portPath_ = ReadStdoutLine(std::chrono::seconds(10));
    if (portPath_.rfind("/", 0) != 0) {
        Stop();
        // The log thread has ended with the process; it must be joined
        // before the object is abandoned.
        if (logThread_.joinable())
            logThread_.join();
        throw std::runtime_error("scale-sim did not start: " + portPath_);
    }
}

SimProcess::~SimProcess() { Stop(); }

void SimProcess::CollectLog()
{
    std::string pending;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::read(process_->StderrFd(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // the simulator has ended
        pending.append(chunk, static_cast<std::size_t>(n));
        std::lock_guard lock(mutex_);
        for (auto newline = pending.find('\n'); newline != std::string::npos;
             newline = pending.find('\n')) {
            log_.push_back(pending.substr(0, newline));
            pending.erase(0, newline + 1);
        }
        logChanged_.notify_all();
    }
}

std::string SimProcess::ReadStdoutLine(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (const auto newline = stdoutBuffer_.find('\n'); newline != std::string::npos) {
            std::string line = stdoutBuffer_.substr(0, newline);
            stdoutBuffer_.erase(0, newline + 1);
            return line;
        }
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd pfd{process_->StdoutFd(), POLLIN, 0};
        if (left <= 0 || poll(&pfd, 1, static_cast<int>(left)) <= 0)
            throw std::runtime_error("scale-sim did not answer in time");
        char chunk[1024];
        const ssize_t n = ::read(process_->StdoutFd(), chunk, sizeof chunk);
        if (n <= 0)
            throw std::runtime_error("scale-sim closed its output");
        stdoutBuffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

std::string SimProcess::Command(const std::string& line, std::chrono::milliseconds timeout)
{
    const std::string text = line + "\n";
    if (::write(process_->StdinFd(), text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        throw std::runtime_error("scale-sim does not take input");
    return ReadStdoutLine(timeout);
}

bool SimProcess::WaitForLog(const std::string& text, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return logChanged_.wait_for(lock, timeout, [&] {
        for (const std::string& line : log_)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    });
}

bool SimProcess::WaitForFrames(size_t count, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    return logChanged_.wait_for(lock, timeout, [&] {
        size_t frames = 0;
        for (const std::string& line : log_)
            frames += line.rfind("RX ", 0) == 0 ? 1 : 0;
        return frames >= count;
    });
}

std::vector<std::string> SimProcess::LogLines() const
{
    std::lock_guard lock(mutex_);
    return log_;
}

std::vector<std::string> SimProcess::ReceivedFrames() const
{
    std::vector<std::string> frames;
    for (const std::string& line : LogLines())
        if (line.rfind("RX ", 0) == 0)
            frames.push_back(line.substr(3, 23)); // the 8 bytes, without a note
    return frames;
}

int SimProcess::Stop()
{
    if (exitCode_)
        return *exitCode_;
    if (process_->StdinFd() >= 0) {
        const char quit[] = "quit\n";
        [[maybe_unused]] ssize_t n = ::write(process_->StdinFd(), quit, sizeof quit - 1);
        process_->CloseStdin();
    }
    const std::optional<int> status = process_->WaitFor(std::chrono::seconds(5));
    exitCode_ = support::ExitCode(status ? *status : process_->Stop(std::chrono::seconds(2)));
    if (logThread_.joinable())
        logThread_.join();
    return *exitCode_;
}

} // namespace e2e
