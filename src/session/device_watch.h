#pragma once
// Waiting for a lost device to come back: a thread of its own asks the
// owner, once a second, to try the port again. It costs nothing while it
// waits; stop() ends it at once.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class DeviceWatch {
public:
    using Interval = std::chrono::milliseconds;

    ~DeviceWatch() { stop(); }

    // Calls tryAgain (from the watch's thread; it must post to the owner)
    // every interval until stop().
    void start(std::function<void()> tryAgain, Interval interval = std::chrono::seconds(1));
    void stop();
    bool running() const { return thread_.joinable(); }

private:
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable stopped_;
    bool stopping_ = false;
};
