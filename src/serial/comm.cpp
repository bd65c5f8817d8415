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
      FHWnd(std::move(post), [this](CommMessage& message) { NotifyWndProc(message); })
{
}

TComm::~TComm() { StopComm(); }

int TComm::StartComm()
{
    if (hCommFile)
        return 0;

    std::unique_ptr<CommDevice> device;
    if (int refused = backend_.Open(FCommName, device); refused != 0 || !device)
        return refused != 0 ? refused : -1;
    if (!device->SetupQueues(kQueueSize, kQueueSize))
        return -3; // releasing `device` closes it
    hCommFile = std::move(device);
    hCommFile->Purge(kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear);
    FSendDataEmpty = true;
    ApplyCommTimeouts();
    ApplyCommState();

    hCloseEvent = backend_.NewEvent();
    if (!hCloseEvent) {
        hCommFile.reset();
        return -4;
    }
    // The reader starts at once, so nothing that arrives after the open is lost.
    try {
        FReceiveBacklog = std::make_shared<ReceiveBacklog>();
        ReadThread = std::make_unique<TReadThread>(*hCommFile, *hCloseEvent, FHWnd, FReceiveBacklog,
                                                   std::make_shared<ReceiveQueue>(FReceiveBacklog),
                                                   FDeliverAtOnce);
    } catch (const std::exception&) {
        ReadThread.reset();
        FReceiveBacklog.reset();
        hCloseEvent.reset();
        hCommFile.reset();
        return -5;
    }
    try {
        WriteThread = std::make_unique<TWriteThread>(backend_, *hCommFile, *hCloseEvent, FHWnd,
                                                     FSendDataEmpty);
    } catch (const std::exception&) {
        ShutdownReadThread();
        WriteThread.reset();
        hCloseEvent.reset();
        hCommFile.reset();
        return -6;
    }
    return 1;
}

void TComm::StopComm()
{
    if (!hCommFile)
        return;
    ShutdownReadThread();
    ShutdownWriteThread();
    hCloseEvent.reset();
    hCommFile.reset();
}

// Both threads include the close event in every wait, so they end promptly
// once it is set; the event stays set, so the second shutdown finds its
// thread already on the way out.
void TComm::ShutdownReadThread()
{
    if (!ReadThread)
        return;
    hCloseEvent->Set();
    FReceiveBacklog->Close(); // a reader waiting for the owner to catch up stops waiting
    hCommFile->Purge(kPurgeRxAbort | kPurgeRxClear);
    ReadThread.reset();      // waits for the thread to end
    FReceiveBacklog.reset(); // blocks still queued keep their share of it
}

void TComm::ShutdownWriteThread()
{
    if (!WriteThread)
        return;
    hCloseEvent->Set();
    hCommFile->Purge(kPurgeTxAbort | kPurgeTxClear);
    FSendDataEmpty = true;
    WriteThread.reset();
}

bool TComm::WriteCommData(const void* pDataToWrite, uint16_t dwSizeofDataToWrite)
{
    if (!WriteThread || dwSizeofDataToWrite == 0 || !pDataToWrite)
        return false;
    WriteInbox::Block block;
    try {
        const auto* bytes = static_cast<const uint8_t*>(pDataToWrite);
        block.reserve(dwSizeofDataToWrite + 1u);
        block.assign(bytes, bytes + dwSizeofDataToWrite);
        block.push_back(0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return WriteThread->Post(std::move(block)); // clears FSendDataEmpty when queued
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
    if (!hCommFile || !hCommFile->GetModemStatus(bits))
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

uint32_t TComm::Handle() const { return hCommFile ? hCommFile->NativeHandle() : 0; }

void TComm::ApplyCommState()
{
    LineSettings line;
    line.baudRate = FBaudRate;
    line.dataBits = static_cast<uint8_t>(static_cast<uint8_t>(FByteSize) + 5);
    line.parity = static_cast<serial::Parity>(FParity); // the same order, None to Space
    line.stopBits = static_cast<serial::StopBits>(FStopBits);
    line.checkParity = FParityCheck;
    line.replaceParityErrors = FReplaceWhenParityError;
    line.errorChar = FReplacedChar;
    line.discardNulls = FIgnoreNullChar;
    line.ctsFlow = FOutx_CtsFlow;
    line.dsrFlow = FOutx_DsrFlow;
    line.dsrSensitivity = FDsrSensitivity;
    line.xonXoff = {FOutx_XonXoffFlow, FInx_XonXoffFlow, FTxContinueOnXoff, FXonChar,
                    FXoffChar,         FXonLimit,        FXoffLimit};
    line.dtr = DtrModeOf(FDtrControl);
    line.rts = RtsModeOf(FRtsControl);
    hCommFile->ApplyState(line); // a refused setting is ignored
}

void TComm::ApplyCommTimeouts()
{
    const CommTimeouts timeouts{FReadIntervalTimeout, FReadTotalTimeoutMultiplier,
                                FReadTotalTimeoutConstant, FWriteTotalTimeoutMultiplier,
                                FWriteTotalTimeoutConstant};
    FDeliverAtOnce = DeliversAtOnce(timeouts);
    hCommFile->ApplyTimeouts(timeouts);
}

// Runs on the owner's thread. A data block goes back to its queue once the
// handler has returned (or thrown): the reader may then read that much more.
void TComm::NotifyWndProc(CommMessage& message)
{
    switch (message.Msg) {
    case COMM_MSG_DATA: {
        struct TakenBlock {
            ReceiveQueue& queue;
            std::vector<uint8_t> bytes;
            ~TakenBlock() { queue.Recycle(std::move(bytes)); }
        };
        if (!message.Received)
            break;
        std::vector<uint8_t> bytes;
        if (!message.Received->TakeOldest(bytes))
            break;
        TakenBlock block{*message.Received, std::move(bytes)};
        DoReceiveData(block.bytes.data(), static_cast<uint16_t>(block.bytes.size() - 1));
        break;
    }
    case COMM_MSG_ERROR:
        DoReceiveError(message.LParam);
        break;
    case COMM_MSG_HANGUP:
        DoRequestHangup();
        break;
    case COMM_MSG_MODEM:
        DoModemStateChange(message.LParam);
        break;
    case COMM_MSG_EMPTY:
        DoSendDataEmpty();
        break;
    default:
        break;
    }
}

void TComm::DoReceiveData(const void* Buffer, uint16_t BufferLength)
{
    if (OnReceiveData)
        OnReceiveData(this, Buffer, BufferLength);
}

void TComm::DoReceiveError(uint32_t EventMask)
{
    if (OnReceiveError)
        OnReceiveError(this, EventMask);
}

void TComm::DoModemStateChange(uint32_t ModemEvent)
{
    if (OnModemStateChange)
        OnModemStateChange(this, ModemEvent);
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
