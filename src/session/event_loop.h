#pragma once
// A plain event loop for hosts without a GUI (scale-cli, tests): the port's
// threads post into it and the owner's thread runs what was posted, in
// order, while it waits.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class EventLoop {
public:
    // Callable from any thread.
    void post(std::function<void()> task);

    // Runs posted tasks for ms milliseconds, or until done() holds (checked at
    // the start and after every task). Returns done() (false without one).
    bool run(uint32_t ms, const std::function<bool()>& done);

    // Makes a running run() return at once, and every later one too.
    void stop();
    bool stopped() const;
    // Tasks posted and not yet run.
    size_t pending() const;

private:
    using Clock = std::chrono::steady_clock;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> queue_;
    bool stopped_ = false;
};
