#pragma once

// The writer thread's first-in first-out inbox of data blocks. It also keeps
// the component's send-empty flag right: the flag is cleared in the same
// step that queues a block and set in the same step that finds the inbox
// empty, so it never reads True while a block waits, nor False once all
// blocks are taken and written.

#include "serial/comm_backend.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class WriteInbox {
public:
    using Block = std::vector<uint8_t>;

    // `notEmpty` is set while blocks wait; `sendDataEmpty` is the flag.
    WriteInbox(std::unique_ptr<serial::Event> notEmpty, std::atomic<bool>& sendDataEmpty);

    // Owner's thread. False, with the flag unchanged, once the inbox is closed.
    bool Post(Block block);
    // Writer thread. The next block, or none (and the flag set) when empty.
    std::optional<Block> Take();
    // Drops the waiting blocks and refuses further ones.
    void Close();

    const serial::Event& NotEmpty() const { return *notEmpty_; }

private:
    std::mutex mutex_;
    std::deque<Block> blocks_;
    bool closed_ = false;
    std::unique_ptr<serial::Event> notEmpty_;
    std::atomic<bool>& sendDataEmpty_;
};
