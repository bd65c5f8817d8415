#include "serial/write_thread.h"

#include <algorithm>
#include <stdexcept>

using namespace serial;

namespace {

std::unique_ptr<Event> RequireEvent(CommBackend& backend)
{
    std::unique_ptr<Event> event = backend.NewEvent();
    if (!event)
        throw std::runtime_error("cannot create the writer's inbox event");
    return event;
}

} // namespace

TWriteThread::TWriteThread(CommBackend& backend, CommDevice& commFile, const Event& closeEvent,
                           const NotifyWindow& window, std::atomic<bool>& sendDataEmpty)
    : hCommFile(commFile), hCloseEvent(closeEvent), hComm32Window(window),
      pFSendDataEmpty(&sendDataEmpty), backend_(backend),
      inbox_(RequireEvent(backend), sendDataEmpty), thread_([this] { Execute(); })
{
}

TWriteThread::~TWriteThread() { thread_.join(); }

// The empty notice goes out once after the start and then each time the
// inbox is found empty after at least one block was written; blocks queued
// back to back give one notice after the last of them.
void TWriteThread::Execute()
{
    if (!hCommFile.BeginWriter()) {
        PostHangupCall();
    } else {
        bool emptyNoticeDue = true;
        for (;;) {
            std::optional<WriteInbox::Block> block = inbox_.Take(); // sets the flag when empty
            if (!block) {
                if (emptyNoticeDue && !hComm32Window.PostMessage({COMM_MSG_EMPTY, 0, 0, {}})) {
                    PostHangupCall();
                    break;
                }
                emptyNoticeDue = false;
                int woken = backend_.WaitForEither(hCloseEvent, inbox_.NotEmpty());
                if (woken == 0)
                    break;
                if (woken != 1) {
                    PostHangupCall();
                    break;
                }
                continue;
            }
            if (hCloseEvent.IsSet()) // a block taken at the close is not written
                break;
            // The last byte of a block is its terminating zero, never sent.
            if (!WriteBlock(block->data(), static_cast<uint32_t>(block->size() - 1)))
                break;
            emptyNoticeDue = true;
        }
    }
    // Aborts a write the close interrupted and discards queued output.
    hCommFile.Purge(kPurgeTxAbort | kPurgeTxClear);
    StopAcceptingBlocks();
    hCommFile.EndWriter();
}

// Writes until every byte is out, continuing a partial write from the first
// byte not yet sent.
bool TWriteThread::WriteBlock(const uint8_t* data, uint32_t count)
{
    uint32_t offset = 0;
    while (offset < count) {
        WriteOutcome outcome = hCommFile.Write(hCloseEvent, data + offset, count - offset);
        switch (outcome.status) {
        case IoStatus::Ok:
            offset += std::min(outcome.sent, count - offset);
            break;
        case IoStatus::Closed:
        case IoStatus::InvalidHandle:
            return false;
        case IoStatus::Failed:
            PostHangupCall();
            return false;
        }
    }
    return true;
}

// Blocks still queued are dropped; WriteCommData is refused from now on.
void TWriteThread::StopAcceptingBlocks()
{
    inbox_.Close();
    pFSendDataEmpty->store(true);
}

// Only posted when the thread is about to end: by the time the owner handles
// the request, WriteCommData already refuses.
void TWriteThread::PostHangupCall()
{
    StopAcceptingBlocks();
    hComm32Window.PostMessage({COMM_MSG_HANGUP, 0, 0, {}});
}
