#pragma once

// The road from the reader and writer threads to the owner's thread: each
// notification is handed to the owner's post function and handled there, in
// the order posted, by the component's message procedure.

#include <cstdint>
#include <functional>
#include <memory>

namespace serial {
class ReceiveQueue;
}

struct CommMessage {
    uint32_t Msg = 0;
    uint32_t WParam = 0;
    uint32_t LParam = 0;
    // COMM_MSG_DATA: where the block waits; the message stands for the
    // oldest block waiting there.
    std::shared_ptr<serial::ReceiveQueue> Received;
};

// Queues `fn` to run later on the owner's thread; callable from any thread.
using PostFunction = std::function<void(std::function<void()>)>;

class NotifyWindow {
public:
    using WndProc = std::function<void(CommMessage&)>;

    NotifyWindow(PostFunction post, WndProc proc);
    // Notifications still queued afterwards are dropped when they run (their
    // blocks are freed all the same).
    ~NotifyWindow();
    NotifyWindow(const NotifyWindow&) = delete;
    NotifyWindow& operator=(const NotifyWindow&) = delete;

    // False when the owner's post function fails (throws).
    bool PostMessage(CommMessage message) const;

private:
    PostFunction post_;
    std::shared_ptr<WndProc> proc_;
};
