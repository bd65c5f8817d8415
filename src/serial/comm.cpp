#include "serial/comm.h"

#include "serial/read_thread.h"
#include "serial/write_thread.h"

using namespace serial;

namespace {

constexpr uint32_t kQueueSize = 4096;

// The enabling value is ordinal 0 in the properties; the modes name the
// line's state instead.
DtrMode DtrModeOf(TDtrControl value)
{
    switch (value) {
    case TDtrControl::DtrEnable:
        return DtrMode::On;
    case TDtrControl::DtrDisable:
        return DtrMode::Off;
    case TDtrControl::DtrHandshake:
        return DtrMode::Handshake;
    }
    return DtrMode::On;
}

RtsMode RtsModeOf(TRtsControl value)
{
    switch (value) {
    case TRtsControl::RtsEnable:
        return RtsMode::On;
    case TRtsControl::RtsDisable:
        return RtsMode::Off;
    case TRtsControl::RtsHandshake:
        return RtsMode::Handshake;
    case TRtsControl::RtsTransmissionAvailable:
        return RtsMode::WhileSending;
    }
    return RtsMode::On;
}

} // namespace

TComm::TComm(PostFunction post, CommBackend& backend)
    : backend_(backend),
      notifier_(std::move(post), [this](CommNotice& notice) { HandleNotice(notice); })
{
}

TComm::~TComm() { StopComm(); }

int TComm::StartComm()
{
    if (device_)
        return 0;

    lastRefusal_ = OpenRefusal::None;
    lastReason_.clear();
    std::unique_ptr<CommDevice> device;
    if (int refused = backend_.Open(commName_, device); refused != 0 || !device) {
        if (refused == -1 || !device) {
            lastRefusal_ = backend_.LastOpenRefusal();
            lastReason_ = backend_.LastOpenReason();
        }
        return refused != 0 ? refused : -1;
    }
    if (!device->SetupQueues(kQueueSize, kQueueSize))
        return -3; // releasing `device` closes it
    device_ = std::move(device);
    device_->Purge(kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear);
    sendDataEmpty_ = true;
    ApplyCommTimeouts();
    ApplyCommState();
    // A device server may refuse the line; a local driver's refusal is ignored.
    if (const OpenRefusal refusal = device_->LineRefusal(lastReason_);
        refusal != OpenRefusal::None) {
        lastRefusal_ = refusal;
        device_.reset();
        return -1;
    }

    closeEvent_ = backend_.NewEvent();
    if (!closeEvent_) {
        device_.reset();
        return -4;
    }
    // The reader starts at once, so nothing that arrives after the open is lost.
    try {
        receiveBacklog_ = std::make_shared<ReceiveBacklog>();
        reader_ = std::make_unique<ReadThread>(*device_, *closeEvent_, notifier_, receiveBacklog_,
                                               std::make_shared<ReceiveQueue>(receiveBacklog_),
                                               deliverAtOnce_);
    } catch (const std::exception&) {
        reader_.reset();
        receiveBacklog_.reset();
        closeEvent_.reset();
        device_.reset();
        return -5;
    }
    try {
        writer_ = std::make_unique<WriteThread>(backend_, *device_, *closeEvent_, notifier_,
                                                sendDataEmpty_);
    } catch (const std::exception&) {
        ShutdownReadThread();
        writer_.reset();
        closeEvent_.reset();
        device_.reset();
        return -6;
    }
    return 1;
}

void TComm::StopComm()
{
    if (!device_)
        return;
    ShutdownReadThread();
    ShutdownWriteThread();
    closeEvent_.reset();
    device_.reset();
}

// Both threads include the close event in every wait, so they end promptly
// once it is set; the event stays set, so the second shutdown finds its
// thread already on the way out.
void TComm::ShutdownReadThread()
{
    if (!reader_)
        return;
    closeEvent_->Set();
    receiveBacklog_->Close(); // a reader waiting for the owner to catch up stops waiting
    device_->Purge(kPurgeRxAbort | kPurgeRxClear);
    reader_.reset();         // waits for the thread to end
    receiveBacklog_.reset(); // blocks still queued keep their share of it
}

void TComm::ShutdownWriteThread()
{
    if (!writer_)
        return;
    closeEvent_->Set();
    device_->Purge(kPurgeTxAbort | kPurgeTxClear);
    sendDataEmpty_ = true;
    writer_.reset();
}

bool TComm::WriteCommData(const void* data, uint16_t count)
{
    if (!writer_ || count == 0 || !data)
        return false;
    WriteInbox::Block block;
    try {
        const auto* bytes = static_cast<const uint8_t*>(data);
        block.reserve(count + 1u);
        block.assign(bytes, bytes + count);
        block.push_back(0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return writer_->Post(std::move(block)); // clears sendDataEmpty_ when queued
}

bool TComm::SendData(std::u16string_view data)
{
    for (char16_t unit : data) {
        const uint8_t byte = static_cast<uint8_t>(unit & 0xFF);
        if (!WriteCommData(&byte, 1))
            return false;
    }
    return true;
}

uint32_t TComm::GetModemState()
{
    uint32_t bits = 0;
    if (!device_ || !device_->GetModemStatus(bits))
        return 0;
    return bits;
}

std::string TComm::GetCommList()
{
    std::string list;
    for (const std::string& name : backend_.ListPorts())
        list += name + "\r\n";
    return list;
}

uint32_t TComm::Handle() const { return device_ ? device_->NativeHandle() : 0; }

void TComm::ApplyCommState()
{
    LineSettings line;
    line.baudRate = baudRate_;
    line.dataBits = static_cast<uint8_t>(static_cast<uint8_t>(byteSize_) + 5);
    line.parity = static_cast<serial::Parity>(parity_); // the same order, None to Space
    line.stopBits = static_cast<serial::StopBits>(stopBits_);
    line.checkParity = parityCheck_;
    line.replaceParityErrors = replaceWhenParityError_;
    line.errorChar = replacedChar_;
    line.discardNulls = ignoreNullChar_;
    line.ctsFlow = outxCtsFlow_;
    line.dsrFlow = outxDsrFlow_;
    line.dsrSensitivity = dsrSensitivity_;
    line.xonXoff = {outxXonXoffFlow_, inxXonXoffFlow_, txContinueOnXoff_, xonChar_,
                    xoffChar_,        xonLimit_,       xoffLimit_};
    line.dtr = DtrModeOf(dtrControl_);
    line.rts = RtsModeOf(rtsControl_);
    device_->ApplyState(line); // a refused setting is ignored
}

void TComm::ApplyCommTimeouts()
{
    const CommTimeouts timeouts{readIntervalTimeout_, readTotalTimeoutMultiplier_,
                                readTotalTimeoutConstant_, writeTotalTimeoutMultiplier_,
                                writeTotalTimeoutConstant_};
    deliverAtOnce_ = DeliversAtOnce(timeouts);
    device_->ApplyTimeouts(timeouts);
}

// Runs on the owner's thread. A data block goes back to its queue once the
// handler has returned (or thrown): the reader may then read that much more.
void TComm::HandleNotice(CommNotice& notice)
{
    switch (notice.kind) {
    case CommNotice::Data: {
        struct TakenBlock {
            ReceiveQueue& queue;
            std::vector<uint8_t> bytes;
            ~TakenBlock() { queue.Recycle(std::move(bytes)); }
        };
        if (!notice.received)
            break;
        std::vector<uint8_t> bytes;
        if (!notice.received->TakeOldest(bytes))
            break;
        TakenBlock block{*notice.received, std::move(bytes)};
        DoReceiveData(block.bytes.data(), static_cast<uint16_t>(block.bytes.size() - 1));
        break;
    }
    case CommNotice::Error:
        DoReceiveError(notice.value);
        break;
    case CommNotice::Hangup:
        DoRequestHangup();
        break;
    case CommNotice::ModemChange:
        DoModemStateChange(notice.value);
        break;
    case CommNotice::SendEmpty:
        DoSendDataEmpty();
        break;
    default:
        break;
    }
}

void TComm::DoReceiveData(const void* bytes, uint16_t length)
{
    if (OnReceiveData)
        OnReceiveData(this, bytes, length);
}

void TComm::DoReceiveError(uint32_t errors)
{
    if (OnReceiveError)
        OnReceiveError(this, errors);
}

void TComm::DoModemStateChange(uint32_t modemEvent)
{
    if (OnModemStateChange)
        OnModemStateChange(this, modemEvent);
}

void TComm::DoRequestHangup()
{
    if (OnRequestHangup)
        OnRequestHangup(this);
}

void TComm::DoSendDataEmpty()
{
    if (OnSendDataEmpty)
        OnSendDataEmpty(this);
}
