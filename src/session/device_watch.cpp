#include "session/device_watch.h"

void DeviceWatch::start(std::function<void()> tryAgain, Interval interval)
{
    stop();
    stopping_ = false;
    thread_ = std::thread([this, tryAgain = std::move(tryAgain), interval] {
        std::unique_lock lock(mutex_);
        while (!stopped_.wait_for(lock, interval, [this] { return stopping_; })) {
            lock.unlock();
            tryAgain();
            lock.lock();
        }
    });
}

void DeviceWatch::stop()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    thread_.join();
}
