#include "serial/receive_backlog.h"

#include <algorithm>

namespace serial {

std::shared_ptr<void> ReceiveBacklog::Claim(size_t bytes)
{
    const size_t cost = std::max(bytes, kLeastBlockCost);
    Add(cost);
    // The claim keeps the backlog alive: a block may outlive the port's
    // opening it came from (posted before StopComm, handled after it).
    return std::shared_ptr<void>(static_cast<void*>(this),
                                 [self = shared_from_this(), cost](void*) { self->Release(cost); });
}

void ReceiveBacklog::Add(size_t cost)
{
    std::lock_guard lock(mutex_);
    waiting_ += cost;
    mostWaiting_ = std::max(mostWaiting_, waiting_);
}

void ReceiveBacklog::Release(size_t cost)
{
    std::lock_guard lock(mutex_);
    waiting_ -= cost;
    if (readerWaits_ && waiting_ <= kResumeAt)
        drained_.notify_all();
}

bool ReceiveBacklog::WaitForRoom()
{
    std::unique_lock lock(mutex_);
    if (!closed_ && waiting_ < kLimit)
        return true;
    readerWaits_ = true;
    drained_.wait(lock, [this] { return closed_ || waiting_ <= kResumeAt; });
    readerWaits_ = false;
    return !closed_;
}

void ReceiveBacklog::Close()
{
    std::lock_guard lock(mutex_);
    closed_ = true;
    drained_.notify_all();
}

size_t ReceiveBacklog::Waiting() const
{
    std::lock_guard lock(mutex_);
    return waiting_;
}

size_t ReceiveBacklog::MostWaiting() const
{
    std::lock_guard lock(mutex_);
    return mostWaiting_;
}

} // namespace serial
