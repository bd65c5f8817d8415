#include "post_queue.h"

#include <stdexcept>

PostFunction PostQueue::Poster()
{
    return [this](std::function<void()> fn) {
        std::lock_guard lock(mutex_);
        if (failing_)
            throw std::runtime_error("event queue refuses posts");
        queue_.push_back(std::move(fn));
        // Like an event loop, wake the owner only when it sleeps: a flood of
        // posts then costs no wake-up per post.
        if (sleepers_ > 0)
            changed_.notify_all();
    };
}

bool PostQueue::RunOne(Clock::time_point deadline)
{
    std::function<void()> fn;
    {
        std::unique_lock lock(mutex_);
        ++sleepers_;
        const bool any = changed_.wait_until(lock, deadline, [&] { return !queue_.empty(); });
        --sleepers_;
        if (!any)
            return false;
        fn = std::move(queue_.front());
        queue_.pop_front();
    }
    fn();
    return true;
}

bool PostQueue::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (!RunOne(deadline))
            return done();
    }
    return true;
}

void PostQueue::RunFor(std::chrono::milliseconds duration)
{
    const auto deadline = Clock::now() + duration;
    while (RunOne(deadline)) { }
}

void PostQueue::RunQueued()
{
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty())
                return;
            fn = std::move(queue_.front());
            queue_.pop_front();
        }
        fn();
    }
}

bool PostQueue::WaitQueued(size_t count, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    ++sleepers_;
    const bool queued = changed_.wait_for(lock, timeout, [&] { return queue_.size() >= count; });
    --sleepers_;
    return queued;
}

size_t PostQueue::Queued()
{
    std::lock_guard lock(mutex_);
    return queue_.size();
}

void PostQueue::Discard()
{
    std::deque<std::function<void()>> dropped;
    std::lock_guard lock(mutex_);
    dropped.swap(queue_);
}

void PostQueue::FailPosts(bool fail)
{
    std::lock_guard lock(mutex_);
    failing_ = fail;
}
