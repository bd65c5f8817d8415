#pragma once

// The road from the reader and writer threads to the owner's thread: each
// notification is handed to the owner's post function and handled there, in
// the order posted, by the component's handler.

#include <cstdint>
#include <functional>
#include <memory>

namespace serial {
class ReceiveQueue;
}

// What a thread tells the component.
struct CommNotice {
    enum Kind : uint8_t {
        Data,        // a block of received bytes waits in `received`
        Error,       // line errors; value: the serial::kCe* flags
        Hangup,      // a thread cannot go on
        ModemChange, // value: MODEM_EV_RLSD and/or MODEM_EV_RING
        SendEmpty,   // the writer has sent every queued block
    };
    Kind kind = Data;
    uint32_t value = 0;
    // Data: where the block waits; the notice stands for the oldest block
    // waiting there.
    std::shared_ptr<serial::ReceiveQueue> received;
};

// Queues `fn` to run later on the owner's thread; callable from any thread.
using PostFunction = std::function<void(std::function<void()>)>;

class OwnerNotifier {
public:
    using Handler = std::function<void(CommNotice&)>;

    OwnerNotifier(PostFunction post, Handler handler);
    // Notifications still queued afterwards are dropped when they run (their
    // blocks are freed all the same).
    ~OwnerNotifier();
    OwnerNotifier(const OwnerNotifier&) = delete;
    OwnerNotifier& operator=(const OwnerNotifier&) = delete;

    // False when the owner's post function fails (throws).
    bool Notify(CommNotice notice) const;

private:
    PostFunction post_;
    std::shared_ptr<Handler> handler_;
};
