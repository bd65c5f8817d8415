#pragma once

// Stands in for the owner's event loop: the component's threads post into
// it, and the test thread runs what was posted, in order.

#include "serial/owner_notifier.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class PostQueue {
public:
    using Clock = std::chrono::steady_clock;

    PostFunction Poster();

    // Runs posted functions until `done()` holds or `timeout` has passed;
    // returns done().
    bool RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Runs whatever is posted during `duration`.
    void RunFor(std::chrono::milliseconds duration);
    // Runs what is queued now, and what those post in turn, without waiting.
    void RunQueued();
    // Waits, without running anything, until at least `count` are queued.
    bool WaitQueued(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // How many are queued now.
    size_t Queued();
    // Drops every queued function unrun (they are destroyed here).
    void Discard();
    // From now on posting throws, as a failing event loop would.
    void FailPosts(bool fail);

private:
    bool RunOne(Clock::time_point deadline);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> queue_;
    bool failing_ = false;
    int sleepers_ = 0; // threads waiting on changed_
};
