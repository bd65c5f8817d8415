#include "serial/read_thread.h"

using namespace serial;

TReadThread::TReadThread(CommDevice& commFile, const Event& closeEvent, const NotifyWindow& window,
                         std::shared_ptr<ReceiveBacklog> backlog,
                         std::shared_ptr<ReceiveQueue> received,
                         const std::atomic<bool>& deliverAtOnce)
    : hCommFile(commFile), hCloseEvent(closeEvent), hComm32Window(window),
      backlog_(std::move(backlog)), received_(std::move(received)), deliverAtOnce_(deliverAtOnce),
      thread_([this] { Execute(); })
{
}

TReadThread::~TReadThread() { thread_.join(); }

void TReadThread::Execute()
{
    uint8_t inputBuffer[kBufferSize];
    if (!hCommFile.BeginReader(kReaderEventMask)) {
        PostHangupCall();
    } else {
        bool goOn = true;
        while (goOn) {
            // The owner is behind: nothing more is read until it catches up
            // (or the port closes, which also sets the close event).
            if (!backlog_->WaitForRoom())
                break;
            const bool atOnce = deliverAtOnce_.load(std::memory_order_relaxed);
            ReaderEvent event = hCommFile.WaitReader(hCloseEvent, inputBuffer,
                                                     atOnce ? kBufferSize : kIntervalReadSize);
            switch (event.kind) {
            case ReaderEvent::ReadDone:
                goOn = HandleReadData(inputBuffer, event.value, atOnce);
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
    hCommFile.Purge(kPurgeRxAbort | kPurgeRxClear);
    hCommFile.EndReader();
}

// An error notification always goes before the modem notification of the
// same event; a completed wait without any of the three events ends the
// thread with a hang-up request.
bool TReadThread::HandleCommEvent(uint32_t evtMask)
{
    bool result = false;
    if (evtMask & kEvErr) {
        uint32_t errors = 0;
        IoStatus status = hCommFile.ClearErrors(errors);
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
        ((evtMask & kEvRlsd) ? MODEM_EV_RLSD : 0) | ((evtMask & kEvRing) ? MODEM_EV_RING : 0);
    if (modemEvent != 0) {
        if (!ModemStateChange(modemEvent))
            return false;
        result = true;
    }
    if (!(evtMask & kReaderEventMask))
        PostHangupCall();
    return result;
}

// One notification per block started; bytes joined to a block still
// waiting for the owner go with that block's notification.
bool TReadThread::HandleReadData(const uint8_t* inputBuffer, uint32_t count, bool join)
{
    if (count == 0) // the read time-outs ran out with nothing: end quietly
        return false;
    size_t started = 0;
    try {
        started = received_->Append(inputBuffer, count, join);
    } catch (const std::bad_alloc&) {
        PostHangupCall();
        return false;
    }
    for (; started > 0; --started) {
        if (!PostOrHangUp({COMM_MSG_DATA, 0, 0, received_}))
            return false;
    }
    return true;
}

// A notification that cannot be queued ends the thread with a hang-up request.
bool TReadThread::PostOrHangUp(CommMessage message)
{
    if (hComm32Window.PostMessage(std::move(message)))
        return true;
    PostHangupCall();
    return false;
}

// Bytes read after one of these notifications go after it: they start a
// new block.
bool TReadThread::ReceiveError(uint32_t evtMask)
{
    received_->Seal();
    return PostOrHangUp({COMM_MSG_ERROR, 0, evtMask, {}});
}

bool TReadThread::ModemStateChange(uint32_t modemEvent)
{
    received_->Seal();
    return PostOrHangUp({COMM_MSG_MODEM, 0, modemEvent, {}});
}

void TReadThread::PostHangupCall()
{
    received_->Seal();
    hComm32Window.PostMessage({COMM_MSG_HANGUP, 0, 0, {}});
}
