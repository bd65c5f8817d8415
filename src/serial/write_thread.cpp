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

WriteThread::WriteThread(CommBackend& backend, CommDevice& device, const Event& closeEvent,
                         const OwnerNotifier& notifier, std::atomic<bool>& sendDataEmpty)
    : device_(device), closeEvent_(closeEvent), notifier_(notifier), sendDataEmpty_(&sendDataEmpty),
      backend_(backend), inbox_(RequireEvent(backend), sendDataEmpty),
      thread_([this] { Execute(); })
{
}

WriteThread::~WriteThread() { thread_.join(); }

// The empty notice goes out once after the start and then each time the
// inbox is found empty after at least one block was written; blocks queued
// back to back give one notice after the last of them.
void WriteThread::Execute()
{
    if (!device_.BeginWriter()) {
        PostHangupCall();
    } else {
        bool emptyNoticeDue = true;
        for (;;) {
            std::optional<WriteInbox::Block> block = inbox_.Take(); // sets the flag when empty
            if (!block) {
                if (emptyNoticeDue && !notifier_.Notify({CommNotice::SendEmpty, 0, {}})) {
                    PostHangupCall();
                    break;
                }
                emptyNoticeDue = false;
                int woken = backend_.WaitForEither(closeEvent_, inbox_.NotEmpty());
                if (woken == 0)
                    break;
                if (woken != 1) {
                    PostHangupCall();
                    break;
                }
                continue;
            }
            if (closeEvent_.IsSet()) // a block taken at the close is not written
                break;
            // The last byte of a block is its terminating zero, never sent.
            if (!WriteBlock(block->data(), static_cast<uint32_t>(block->size() - 1)))
                break;
            emptyNoticeDue = true;
        }
    }
    // Aborts a write the close interrupted and discards queued output.
    device_.Purge(kPurgeTxAbort | kPurgeTxClear);
    StopAcceptingBlocks();
    device_.EndWriter();
}

// Writes until every byte is out, continuing a partial write from the first
// byte not yet sent.
bool WriteThread::WriteBlock(const uint8_t* data, uint32_t count)
{
    uint32_t offset = 0;
    while (offset < count) {
        WriteOutcome outcome = device_.Write(closeEvent_, data + offset, count - offset);
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
void WriteThread::StopAcceptingBlocks()
{
    inbox_.Close();
    sendDataEmpty_->store(true);
}

// Only posted when the thread is about to end: by the time the owner handles
// the request, WriteCommData already refuses.
void WriteThread::PostHangupCall()
{
    StopAcceptingBlocks();
    notifier_.Notify({CommNotice::Hangup, 0, {}});
}
