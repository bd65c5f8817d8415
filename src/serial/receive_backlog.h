#pragma once

// What the reader has posted to the owner's thread and the owner has not yet
// handled. The reader stops reading while too much waits, so that a window
// that falls behind a flood never holds more than about 64 kB of it: the
// rest stays in the device (the kernel's buffers, the line's flow control)
// until the owner has caught up.

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

namespace serial {

class ReceiveBacklog : public std::enable_shared_from_this<ReceiveBacklog> {
public:
    // The reader reads no further once this much waits ...
    static constexpr size_t kLimit = 64 * 1024;
    // ... and goes on once the owner has brought it down to this.
    static constexpr size_t kResumeAt = kLimit / 2;
    // A block counts at least this much, for its own bookkeeping: many small
    // blocks are bounded as well as few large ones.
    static constexpr size_t kLeastBlockCost = 64;

    // Reader: a block of `bytes` is about to be posted. It counts until the
    // returned claim (kept with the block, copies included) is destroyed.
    std::shared_ptr<void> Claim(size_t bytes);
    // The same without a claim: `cost` counts from Add until Release.
    void Add(size_t cost);
    void Release(size_t cost);
    // Reader: returns at once while there is room; else waits until the
    // owner has brought the backlog down to kResumeAt (true) or Close (false).
    bool WaitForRoom();
    // Owner: the port closes; a waiting reader returns false, and so does
    // every later wait.
    void Close();

    // What waits now, and the most that ever waited (for tests).
    size_t Waiting() const;
    size_t MostWaiting() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable drained_;
    size_t waiting_ = 0;
    size_t mostWaiting_ = 0;
    bool readerWaits_ = false;
    bool closed_ = false;
};

} // namespace serial
