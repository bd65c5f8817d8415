#include "serial/read_thread.h"

using namespace serial;

TReadThread::TReadThread(CommDevice& commFile, const Event& closeEvent, const NotifyWindow& window,
                         std::shared_ptr<ReceiveBacklog> backlog)
    : hCommFile(commFile), hCloseEvent(closeEvent), hComm32Window(window),
      backlog_(std::move(backlog)), thread_([this] { Execute(); })
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
            ReaderEvent event = hCommFile.WaitReader(hCloseEvent, inputBuffer, kBufferSize);
            switch (event.kind) {
            case ReaderEvent::ReadDone:
                goOn = HandleReadData(inputBuffer, event.value);
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

bool TReadThread::HandleReadData(const uint8_t* inputBuffer, uint32_t count)
{
    if (count == 0) // the read time-outs ran out with nothing: end quietly
        return false;
    std::vector<uint8_t> block;
    std::shared_ptr<void> claim;
    try {
        block.assign(inputBuffer, inputBuffer + count);
        block.push_back(0);
        claim = backlog_->Claim(count);
    } catch (const std::bad_alloc&) {
        PostHangupCall();
        return false;
    }
    return ReceiveData(std::move(block), count, std::move(claim));
}

// A notification that cannot be queued ends the thread with a hang-up request.
bool TReadThread::PostOrHangUp(CommMessage message)
{
    if (hComm32Window.PostMessage(std::move(message)))
        return true;
    PostHangupCall();
    return false;
}

bool TReadThread::ReceiveData(std::vector<uint8_t> newString, uint32_t count,
                              std::shared_ptr<void> claim)
{
    return PostOrHangUp({COMM_MSG_DATA, count, 0, std::move(newString), std::move(claim)});
}

bool TReadThread::ReceiveError(uint32_t evtMask)
{
    return PostOrHangUp({COMM_MSG_ERROR, 0, evtMask, {}, {}});
}

bool TReadThread::ModemStateChange(uint32_t modemEvent)
{
    return PostOrHangUp({COMM_MSG_MODEM, 0, modemEvent, {}, {}});
}

void TReadThread::PostHangupCall() { hComm32Window.PostMessage({COMM_MSG_HANGUP, 0, 0, {}, {}}); }
