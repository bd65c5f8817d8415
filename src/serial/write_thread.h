#pragma once

// TWriteThread: the sending half of TComm. Takes the blocks that
// WriteCommData queues in its inbox, writes each one completely and in
// order, and reports when the inbox has run empty (the send-empty flag and
// COMM_MSG_EMPTY). When it cannot go on it posts COMM_MSG_HANGUP and ends;
// blocks still queued then are dropped.

#include "serial/comm_backend.h"
#include "serial/notify_window.h"
#include "serial/write_inbox.h"

#include <atomic>
#include <memory>
#include <thread>

class TWriteThread {
public:
    // Creates the inbox (throws std::runtime_error when its event cannot be
    // made) and starts the thread (throws std::system_error when it cannot).
    TWriteThread(serial::CommBackend& backend, serial::CommDevice& commFile,
                 const serial::Event& closeEvent, const NotifyWindow& window,
                 std::atomic<bool>& sendDataEmpty);
    // Waits for the thread to end (see TReadThread).
    ~TWriteThread();
    TWriteThread(const TWriteThread&) = delete;
    TWriteThread& operator=(const TWriteThread&) = delete;

    // Owner's thread: queues a block; false once the thread has ended.
    bool Post(WriteInbox::Block block) { return inbox_.Post(std::move(block)); }

    serial::CommDevice& hCommFile;
    const serial::Event& hCloseEvent;
    const NotifyWindow& hComm32Window;
    std::atomic<bool>* const pFSendDataEmpty;

private:
    void Execute();
    bool WriteBlock(const uint8_t* data, uint32_t count);
    void StopAcceptingBlocks();
    void PostHangupCall();

    serial::CommBackend& backend_;
    WriteInbox inbox_;
    std::thread thread_; // last: starts after everything else is ready
};
