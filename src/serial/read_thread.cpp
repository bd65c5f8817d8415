#include "serial/read_thread.h"

using namespace serial;

ReadThread::ReadThread(CommDevice& device, const Event& closeEvent, const OwnerNotifier& notifier,
                       std::shared_ptr<ReceiveBacklog> backlog,
                       std::shared_ptr<ReceiveQueue> received,
                       const std::atomic<bool>& deliverAtOnce)
    : device_(device), closeEvent_(closeEvent), notifier_(notifier), backlog_(std::move(backlog)),
      received_(std::move(received)), deliverAtOnce_(deliverAtOnce), thread_([this] { Execute(); })
{
}

ReadThread::~ReadThread() { thread_.join(); }

void ReadThread::Execute()
{
    uint8_t buffer[kBufferSize];
    if (!device_.BeginReader(kReaderEventMask)) {
        PostHangupCall();
    } else {
        bool goOn = true;
        while (goOn) {
            // The owner is behind: nothing more is read until it catches up
            // (or the port closes, which also sets the close event).
            if (!backlog_->WaitForRoom())
                break;
            const bool atOnce = deliverAtOnce_.load(std::memory_order_relaxed);
            ReaderEvent event =
                device_.WaitReader(closeEvent_, buffer, atOnce ? kBufferSize : kIntervalReadSize);
            switch (event.kind) {
            case ReaderEvent::ReadDone:
                goOn = HandleReadData(buffer, event.value, atOnce);
                break;
            case ReaderEvent::LineEvent:
                goOn = HandleCommEvent(event.value);
                break;
            case ReaderEvent::Closed:
            case ReaderEvent::InvalidHandle:
                goOn = false;
                break;
            case ReaderEvent::Failed:
                PostHangupCall();
                goOn = false;
                break;
            }
        }
    }
    // Bytes of a read that completed together with the close are dropped here.
    device_.Purge(kPurgeRxAbort | kPurgeRxClear);
    device_.EndReader();
}

// An error notification always goes before the modem notification of the
// same event; a completed wait without any of the three events ends the
// thread with a hang-up request.
bool ReadThread::HandleCommEvent(uint32_t eventMask)
{
    bool result = false;
    if (eventMask & kEvErr) {
        uint32_t errors = 0;
        IoStatus status = device_.ClearErrors(errors);
        if (status != IoStatus::Ok) {
            if (status != IoStatus::InvalidHandle)
                PostHangupCall();
            return false;
        }
        if (!ReceiveError(errors))
            return false;
        result = true;
    }
    uint32_t modemEvent =
        ((eventMask & kEvRlsd) ? MODEM_EV_RLSD : 0) | ((eventMask & kEvRing) ? MODEM_EV_RING : 0);
    if (modemEvent != 0) {
        if (!ModemStateChange(modemEvent))
            return false;
        result = true;
    }
    if (!(eventMask & kReaderEventMask))
        PostHangupCall();
    return result;
}

// One notification per block started; bytes joined to a block still
// waiting for the owner go with that block's notification.
bool ReadThread::HandleReadData(const uint8_t* buffer, uint32_t count, bool join)
{
    if (count == 0) // the read time-outs ran out with nothing: end quietly
        return false;
    size_t started = 0;
    try {
        started = received_->Append(buffer, count, join);
    } catch (const std::bad_alloc&) {
        PostHangupCall();
        return false;
    }
    for (; started > 0; --started) {
        if (!PostOrHangUp({CommNotice::Data, 0, received_}))
            return false;
    }
    return true;
}

// A notification that cannot be queued ends the thread with a hang-up request.
bool ReadThread::PostOrHangUp(CommNotice notice)
{
    if (notifier_.Notify(std::move(notice)))
        return true;
    PostHangupCall();
    return false;
}

// Bytes read after one of these notifications go after it: they start a
// new block.
bool ReadThread::ReceiveError(uint32_t errors)
{
    received_->Seal();
    return PostOrHangUp({CommNotice::Error, errors, {}});
}

bool ReadThread::ModemStateChange(uint32_t modemEvent)
{
    received_->Seal();
    return PostOrHangUp({CommNotice::ModemChange, modemEvent, {}});
}

void ReadThread::PostHangupCall()
{
    received_->Seal();
    notifier_.Notify({CommNotice::Hangup, 0, {}});
}
