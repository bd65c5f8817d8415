#pragma once

// Received bytes on their way from the reader thread to the owner's thread,
// as blocks. Each block the reader starts costs one notification (one
// wake-up of the owner); bytes read while a block waits for the owner join
// that block when the reader asks for it, so a flood needs one wake-up per
// block, not one per read. Taken blocks come back for reuse: in a steady
// flow no block is allocated.

#include "serial/receive_backlog.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace serial {

class ReceiveQueue {
public:
    // At most this many bytes in one block.
    static constexpr size_t kMostBlockBytes = 16384;

    explicit ReceiveQueue(std::shared_ptr<ReceiveBacklog> backlog);
    ~ReceiveQueue();
    ReceiveQueue(const ReceiveQueue&) = delete;
    ReceiveQueue& operator=(const ReceiveQueue&) = delete;

    // Reader: queues `count` bytes, joining them to the block still waiting
    // for the owner when `join` is true and it has room. Returns how many
    // blocks it started: one notification each is to be posted.
    size_t Append(const uint8_t* bytes, size_t count, bool join);
    // Reader: what comes next starts a new block, so that a notification
    // posted now is handled after the bytes before it and before those after it.
    void Seal();

    // Owner: the oldest block, the bytes followed by one zero byte; false
    // when none waits. Give it back with Recycle once it has been handled.
    bool TakeOldest(std::vector<uint8_t>& block);
    void Recycle(std::vector<uint8_t>&& block);

private:
    static size_t Cost(size_t bytes);

    const std::shared_ptr<ReceiveBacklog> backlog_;
    std::mutex mutex_;
    std::deque<std::vector<uint8_t>> waiting_; // oldest first
    bool lastOpen_ = false;                    // the newest waiting block still takes bytes
    std::vector<std::vector<uint8_t>> spare_;
};

} // namespace serial
