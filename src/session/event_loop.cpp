#include "session/event_loop.h"

void EventLoop::post(std::function<void()> task)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(task));
    }
    changed_.notify_one();
}

bool EventLoop::run(uint32_t ms, const std::function<bool()>& done)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (!(done && done())) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            if (!changed_.wait_until(lock, deadline, [&] { return stopped_ || !queue_.empty(); }))
                break;
            if (stopped_)
                break;
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        task();
    }
    return done && done();
}

void EventLoop::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    changed_.notify_all();
}

bool EventLoop::stopped() const
{
    std::lock_guard lock(mutex_);
    return stopped_;
}

size_t EventLoop::pending() const
{
    std::lock_guard lock(mutex_);
    return queue_.size();
}
