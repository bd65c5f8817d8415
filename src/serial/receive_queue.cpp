#include "serial/receive_queue.h"

#include <algorithm>

namespace serial {

namespace {

constexpr size_t kMostSpareBlocks = 8;

} // namespace

ReceiveQueue::ReceiveQueue(std::shared_ptr<ReceiveBacklog> backlog) : backlog_(std::move(backlog))
{
}

// Blocks never handled (the component went away first) leave the backlog.
ReceiveQueue::~ReceiveQueue()
{
    for (const std::vector<uint8_t>& block : waiting_)
        backlog_->Release(Cost(block.size()));
}

size_t ReceiveQueue::Cost(size_t bytes) { return std::max(bytes, ReceiveBacklog::kLeastBlockCost); }

size_t ReceiveQueue::Append(const uint8_t* bytes, size_t count, bool join)
{
    std::lock_guard lock(mutex_);
    size_t started = 0;
    while (count > 0) {
        if (!join || !lastOpen_ || waiting_.back().size() >= kMostBlockBytes) {
            if (spare_.empty()) {
                waiting_.emplace_back();
                waiting_.back().reserve(kMostBlockBytes + 1);
            } else {
                waiting_.push_back(std::move(spare_.back()));
                spare_.pop_back();
            }
            lastOpen_ = true;
            ++started;
        }
        std::vector<uint8_t>& block = waiting_.back();
        const size_t before = block.size();
        const size_t part = std::min(count, kMostBlockBytes - before);
        block.insert(block.end(), bytes, bytes + part);
        backlog_->Add(Cost(block.size()) - (before ? Cost(before) : 0));
        bytes += part;
        count -= part;
    }
    return started;
}

void ReceiveQueue::Seal()
{
    std::lock_guard lock(mutex_);
    lastOpen_ = false;
}

bool ReceiveQueue::TakeOldest(std::vector<uint8_t>& block)
{
    {
        std::lock_guard lock(mutex_);
        if (waiting_.empty())
            return false;
        block = std::move(waiting_.front());
        waiting_.pop_front();
        if (waiting_.empty())
            lastOpen_ = false;
    }
    block.push_back(0); // room reserved: no allocation
    return true;
}

void ReceiveQueue::Recycle(std::vector<uint8_t>&& block)
{
    backlog_->Release(Cost(block.size() - 1));
    block.clear();
    std::lock_guard lock(mutex_);
    if (spare_.size() < kMostSpareBlocks && block.capacity() > kMostBlockBytes)
        spare_.push_back(std::move(block));
}

} // namespace serial
