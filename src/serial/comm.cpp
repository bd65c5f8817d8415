#include "serial/comm.h"

#include "serial/read_thread.h"
#include "serial/write_thread.h"

using namespace serial;

namespace {

constexpr uint32_t kQueueSize = 4096;

// The enabling value is ordinal 0 in the properties, code 1 on the device.
uint32_t DtrCode(TDtrControl value)
{
    switch (value) {
    case TDtrControl::DtrEnable: return kDtrControlEnable;
    case TDtrControl::DtrDisable: return kDtrControlDisable;
    case TDtrControl::DtrHandshake: return kDtrControlHandshake;
    }
    return kDtrControlEnable;
}

uint32_t RtsCode(TRtsControl value)
{
    switch (value) {
    case TRtsControl::RtsEnable: return kRtsControlEnable;
    case TRtsControl::RtsDisable: return kRtsControlDisable;
    case TRtsControl::RtsHandshake: return kRtsControlHandshake;
    case TRtsControl::RtsTransmissionAvailable: return kRtsControlToggle;
    }
    return kRtsControlEnable;
}

} // namespace

TComm::TComm(PostFunction post, CommBackend& backend)
    : backend_(backend), FHWnd(std::move(post), [this](CommMessage& message) { NotifyWndProc(message); })
{
}

TComm::~TComm()
{
    StopComm();
}

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

    hCloseEvent = backend_.CreateEvent();
    if (!hCloseEvent) {
        hCommFile.reset();
        return -4;
    }
    // The reader starts at once, so nothing that arrives after the open is lost.
    try {
        ReadThread = std::make_unique<TReadThread>(*hCommFile, *hCloseEvent, FHWnd);
    } catch (const std::exception&) {
        ReadThread.reset();
        hCloseEvent.reset();
        hCommFile.reset();
        return -5;
    }
    try {
        WriteThread = std::make_unique<TWriteThread>(backend_, *hCommFile, *hCloseEvent, FHWnd, FSendDataEmpty);
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
    hCommFile->Purge(kPurgeRxAbort | kPurgeRxClear);
    ReadThread.reset(); // waits for the thread to end
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

uint32_t TComm::Handle() const
{
    return hCommFile ? hCommFile->NativeHandle() : 0;
}

void TComm::ApplyCommState()
{
    CommState state;
    state.BaudRate = FBaudRate;
    state.Flags = kDcbBinary | (FParityCheck ? kDcbParity : 0) | (FOutx_CtsFlow ? kDcbOutxCtsFlow : 0) |
                  (FOutx_DsrFlow ? kDcbOutxDsrFlow : 0) | (DtrCode(FDtrControl) << 4) |
                  (FDsrSensitivity ? kDcbDsrSensitivity : 0) | (FTxContinueOnXoff ? kDcbTxContinueOnXoff : 0) |
                  (FOutx_XonXoffFlow ? kDcbOutX : 0) | (FInx_XonXoffFlow ? kDcbInX : 0) |
                  (FReplaceWhenParityError ? kDcbErrorChar : 0) | (FIgnoreNullChar ? kDcbNull : 0) |
                  (RtsCode(FRtsControl) << 12); // kDcbAbortOnError stays clear
    state.XonLim = FXonLimit;
    state.XoffLim = FXoffLimit;
    state.ByteSize = static_cast<uint8_t>(static_cast<uint8_t>(FByteSize) + 5);
    state.Parity = static_cast<uint8_t>(FParity);
    state.StopBits = static_cast<uint8_t>(FStopBits);
    state.XonChar = FXonChar;
    state.XoffChar = FXoffChar;
    state.ErrorChar = FReplacedChar;
    hCommFile->ApplyState(state); // a refused setting is ignored
}

void TComm::ApplyCommTimeouts()
{
    hCommFile->ApplyTimeouts({FReadIntervalTimeout, FReadTotalTimeoutMultiplier, FReadTotalTimeoutConstant,
                              FWriteTotalTimeoutMultiplier, FWriteTotalTimeoutConstant});
}

// Runs on the owner's thread. A data block lives in the message and is freed
// with it once the handler has returned.
void TComm::NotifyWndProc(CommMessage& message)
{
    switch (message.Msg) {
    case COMM_MSG_DATA:
        DoReceiveData(message.Block.data(), static_cast<uint16_t>(message.WParam & 0xFFFF));
        break;
    case COMM_MSG_ERROR: DoReceiveError(message.LParam); break;
    case COMM_MSG_HANGUP: DoRequestHangup(); break;
    case COMM_MSG_MODEM: DoModemStateChange(message.LParam); break;
    case COMM_MSG_EMPTY: DoSendDataEmpty(); break;
    default: break;
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
