#pragma once

// ReadThread: the receiving half of TComm. Keeps one read and one line-event
// wait outstanding on the device and posts what arrives to the component's
// owner's thread: data blocks (CommNotice::Data, the bytes wait in the
// receive queue), line errors (CommNotice::Error), modem-line changes
// (CommNotice::ModemChange) and, when it cannot go on, a hang-up request
// (CommNotice::Hangup). It never calls the component.
// With the time-outs of "deliver at once" it reads up to kBufferSize bytes
// at a time and adds what it reads to the block still waiting for the owner,
// so the owner wakes once per block however many reads filled it; with any
// other time-outs each read of up to kIntervalReadSize bytes is a block.
// While the data it has posted and the owner has not yet handled reaches the
// backlog's limit, it reads nothing: the device holds what comes meanwhile.

#include "serial/comm_backend.h"
#include "serial/owner_notifier.h"
#include "serial/receive_backlog.h"
#include "serial/receive_queue.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

class ReadThread {
public:
    static constexpr uint32_t kBufferSize = 16384;
    static constexpr uint32_t kIntervalReadSize = 2048;

    // Starts the thread at once; throws std::system_error when it cannot.
    // `deliverAtOnce` tells, before each read, whether the port's time-outs
    // deliver at once.
    ReadThread(serial::CommDevice& device, const serial::Event& closeEvent,
               const OwnerNotifier& notifier, std::shared_ptr<serial::ReceiveBacklog> backlog,
               std::shared_ptr<serial::ReceiveQueue> received,
               const std::atomic<bool>& deliverAtOnce);
    // Waits for the thread to end; it ends at its next wait once the close
    // event is set, or earlier on its own.
    ~ReadThread();
    ReadThread(const ReadThread&) = delete;
    ReadThread& operator=(const ReadThread&) = delete;

private:
    serial::CommDevice& device_;
    const serial::Event& closeEvent_;
    const OwnerNotifier& notifier_;

    void Execute();
    bool HandleCommEvent(uint32_t eventMask);
    bool HandleReadData(const uint8_t* buffer, uint32_t count, bool join);
    bool ReceiveError(uint32_t errors);
    bool ModemStateChange(uint32_t modemEvent);
    bool PostOrHangUp(CommNotice notice);
    void PostHangupCall();

    const std::shared_ptr<serial::ReceiveBacklog> backlog_;
    const std::shared_ptr<serial::ReceiveQueue> received_;
    const std::atomic<bool>& deliverAtOnce_;
    std::thread thread_; // last: starts after the fields are set
};
