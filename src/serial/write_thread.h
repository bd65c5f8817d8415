#pragma once

// WriteThread: the sending half of TComm. Takes the blocks that
// WriteCommData queues in its inbox, writes each one completely and in
// order, and reports when the inbox has run empty (the send-empty flag and
// CommNotice::SendEmpty). When it cannot go on it posts CommNotice::Hangup and ends;
// blocks still queued then are dropped.

#include "serial/comm_backend.h"
#include "serial/owner_notifier.h"
#include "serial/write_inbox.h"

#include <atomic>
#include <memory>
#include <thread>

class WriteThread {
public:
    // Creates the inbox (throws std::runtime_error when its event cannot be
    // made) and starts the thread (throws std::system_error when it cannot).
    WriteThread(serial::CommBackend& backend, serial::CommDevice& device,
                const serial::Event& closeEvent, const OwnerNotifier& notifier,
                std::atomic<bool>& sendDataEmpty);
    // Waits for the thread to end (see ReadThread).
    ~WriteThread();
    WriteThread(const WriteThread&) = delete;
    WriteThread& operator=(const WriteThread&) = delete;

    // Owner's thread: queues a block; false once the thread has ended.
    bool Post(WriteInbox::Block block) { return inbox_.Post(std::move(block)); }

private:
    serial::CommDevice& device_;
    const serial::Event& closeEvent_;
    const OwnerNotifier& notifier_;
    std::atomic<bool>* const sendDataEmpty_;

    void Execute();
    bool WriteBlock(const uint8_t* data, uint32_t count);
    void StopAcceptingBlocks();
    void PostHangupCall();

    serial::CommBackend& backend_;
    WriteInbox inbox_;
    std::thread thread_; // last: starts after everything else is ready
};
