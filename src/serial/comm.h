#pragma once

// TComm: one serial port, read and written by two threads of its own, whose
// reports arrive as events on the owner's thread.
//
// Wiring it up (e.g. from a Qt window):
//
//     TComm comm([this](std::function<void()> fn) {
//         // called from the port's threads: queue fn to the GUI thread
//         QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
//     });
//     comm.SetReadIntervalTimeout(serial::kMaxTimeout);       // MAXDWORD twice:
//     comm.SetReadTotalTimeoutMultiplier(serial::kMaxTimeout); // deliver at once
//     comm.SetOutx_XonXoffFlow(false);
//     comm.OnReceiveData = [this](TComm*, const void* buffer, uint16_t length) {
//         // buffer holds length bytes and one zero byte after them; it is
//         // reused when this handler returns: copy what you keep
//     };
//     comm.SetCommName("COM1");           // or a device path, "/dev/ttyUSB0"
//     comm.SetBaudRate(9600);
//     int code = comm.StartComm();        // 1 opened, 0 already open,
//                                         // -1 cannot open (absent or busy),
//                                         // -2 not a character device, -3 not
//                                         // a serial device, -4..-6 resources
//     comm.WriteCommData(frame, 8);       // queued; never waits for the line
//     comm.StopComm();                    // stops both threads, closes the port
//
// Every event runs on the owner's thread, in the order the threads posted
// it, through the post function; notifications posted before StopComm are
// still delivered after it returns (a data event can follow StopComm), and
// those still queued when the component is destroyed are dropped. The post
// function must be callable from any thread and must run each function
// exactly once, in order. Call every operation from the owner's thread.
// OnRequestHangup reports that a thread had to stop (e.g. the device was
// unplugged); the port stays open until StopComm.
//
// Reading follows the Win32 time-outs (COMMTIMEOUTS, in ms):
//   - ReadIntervalTimeout n, totals 0: a block ends once the line has been
//     quiet for n ms after a byte, or at 2048 bytes; 1..2048 bytes per event.
//   - totals set (multiplier x 2048 + constant): a block also ends when they
//     run out; a read that runs out with nothing ends the reader quietly.
//   - ReadIntervalTimeout MAXDWORD, totals 0: returns at once with what has
//     arrived, so a reader that finds nothing ends quietly.
//   - ReadIntervalTimeout MAXDWORD and ReadTotalTimeoutMultiplier MAXDWORD:
//     "deliver at once", as Win32 documents it for a constant below MAXDWORD:
//     a read waits for the first byte, then completes with everything the
//     driver holds at that moment, without waiting for the line to fall
//     quiet. ReadTotalTimeoutConstant limits the wait for the first byte (as
//     above, running out ends the reader); 0 means no limit. Reads are of up
//     to 16384 bytes (on Windows one read takes in turn all the driver
//     reports as there, up to that size), and bytes read while the owner has
//     not yet taken the last block join that block: one event, and one post
//     to the owner, per block of 1..16384 bytes however many reads filled it.
// Each data event holds the bytes in the order received, and every other
// notification of the reader comes between the bytes before and after it.
//
// Received data waiting for the owner is bounded: while about 64 kB of it
// has been posted and not yet handled (the owner is busy and falls behind a
// flood), the reader reads nothing more, and the device's own buffers and
// the line's flow control hold what follows until the owner catches up.

#include "serial/comm_backend.h"
#include "serial/comm_types.h"
#include "serial/notify_window.h"
#include "serial/receive_backlog.h"
#include "serial/receive_queue.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class TComm;
class TReadThread;
class TWriteThread;

using TReceiveDataEvent =
    std::function<void(TComm* Sender, const void* Buffer, uint16_t BufferLength)>;
using TReceiveErrorEvent = std::function<void(TComm* Sender, uint32_t EventMask)>;
using TModemStateChangeEvent = std::function<void(TComm* Sender, uint32_t ModemEvent)>;
using TSendDataEmptyEvent = std::function<void(TComm* Sender)>;
using TNotifyEvent = std::function<void(TComm* Sender)>;

class TComm {
public:
    explicit TComm(PostFunction post, serial::CommBackend& backend = serial::DefaultCommBackend());
    // Stops an open port first.
    ~TComm();
    TComm(const TComm&) = delete;
    TComm& operator=(const TComm&) = delete;

    int StartComm();
    void StopComm();
    // Queues a copy of the bytes for the writer thread. False when the port
    // is closed, count is 0, or the writer has ended.
    bool WriteCommData(const void* pDataToWrite, uint16_t dwSizeofDataToWrite);
    // Sends the low 8 bits of each UTF-16 unit, one single-byte block each;
    // stops at the first refused byte. An empty text gives true.
    bool SendData(std::u16string_view data);
    // kMs* bits of the modem inputs; 0 when closed or unreadable.
    uint32_t GetModemState();
    // The machine's serial ports, each followed by CR LF.
    std::string GetCommList();

    // Native handle of the open device; 0 while closed.
    uint32_t Handle() const;
    bool SendDataEmpty() const { return FSendDataEmpty.load(); }

    // Properties. Line settings and time-outs reach an open port at once;
    // CommName waits for the next StartComm and Parity for the next time the
    // line settings are applied.
    const std::string& CommName() const { return FCommName; }
    void SetCommName(std::string value) { FCommName = std::move(value); }
    uint32_t BaudRate() const { return FBaudRate; }
    void SetBaudRate(uint32_t value) { SetLineSetting(FBaudRate, value); }
    bool ParityCheck() const { return FParityCheck; }
    void SetParityCheck(bool value) { SetLineSetting(FParityCheck, value); }
    bool Outx_CtsFlow() const { return FOutx_CtsFlow; }
    void SetOutx_CtsFlow(bool value) { SetLineSetting(FOutx_CtsFlow, value); }
    bool Outx_DsrFlow() const { return FOutx_DsrFlow; }
    void SetOutx_DsrFlow(bool value) { SetLineSetting(FOutx_DsrFlow, value); }
    TDtrControl DtrControl() const { return FDtrControl; }
    void SetDtrControl(TDtrControl value) { SetLineSetting(FDtrControl, value); }
    bool DsrSensitivity() const { return FDsrSensitivity; }
    void SetDsrSensitivity(bool value) { SetLineSetting(FDsrSensitivity, value); }
    bool TxContinueOnXoff() const { return FTxContinueOnXoff; }
    void SetTxContinueOnXoff(bool value) { SetLineSetting(FTxContinueOnXoff, value); }
    bool Outx_XonXoffFlow() const { return FOutx_XonXoffFlow; }
    void SetOutx_XonXoffFlow(bool value) { SetLineSetting(FOutx_XonXoffFlow, value); }
    bool Inx_XonXoffFlow() const { return FInx_XonXoffFlow; }
    void SetInx_XonXoffFlow(bool value) { SetLineSetting(FInx_XonXoffFlow, value); }
    bool ReplaceWhenParityError() const { return FReplaceWhenParityError; }
    void SetReplaceWhenParityError(bool value) { SetLineSetting(FReplaceWhenParityError, value); }
    bool IgnoreNullChar() const { return FIgnoreNullChar; }
    void SetIgnoreNullChar(bool value) { SetLineSetting(FIgnoreNullChar, value); }
    TRtsControl RtsControl() const { return FRtsControl; }
    void SetRtsControl(TRtsControl value) { SetLineSetting(FRtsControl, value); }
    uint16_t XonLimit() const { return FXonLimit; }
    void SetXonLimit(uint16_t value) { SetLineSetting(FXonLimit, value); }
    uint16_t XoffLimit() const { return FXoffLimit; }
    void SetXoffLimit(uint16_t value) { SetLineSetting(FXoffLimit, value); }
    TByteSize ByteSize() const { return FByteSize; }
    void SetByteSize(TByteSize value) { SetLineSetting(FByteSize, value); }
    TParity Parity() const { return FParity; }
    void SetParity(TParity value) { FParity = value; }
    TStopBits StopBits() const { return FStopBits; }
    void SetStopBits(TStopBits value) { SetLineSetting(FStopBits, value); }
    uint8_t XonChar() const { return FXonChar; }
    void SetXonChar(uint8_t value) { SetLineSetting(FXonChar, value); }
    uint8_t XoffChar() const { return FXoffChar; }
    void SetXoffChar(uint8_t value) { SetLineSetting(FXoffChar, value); }
    uint8_t ReplacedChar() const { return FReplacedChar; }
    void SetReplacedChar(uint8_t value) { SetLineSetting(FReplacedChar, value); }
    uint32_t ReadIntervalTimeout() const { return FReadIntervalTimeout; }
    void SetReadIntervalTimeout(uint32_t value) { SetTimeout(FReadIntervalTimeout, value); }
    uint32_t ReadTotalTimeoutMultiplier() const { return FReadTotalTimeoutMultiplier; }
    void SetReadTotalTimeoutMultiplier(uint32_t value)
    {
        SetTimeout(FReadTotalTimeoutMultiplier, value);
    }
    uint32_t ReadTotalTimeoutConstant() const { return FReadTotalTimeoutConstant; }
    void SetReadTotalTimeoutConstant(uint32_t value)
    {
        SetTimeout(FReadTotalTimeoutConstant, value);
    }
    uint32_t WriteTotalTimeoutMultiplier() const { return FWriteTotalTimeoutMultiplier; }
    void SetWriteTotalTimeoutMultiplier(uint32_t value)
    {
        SetTimeout(FWriteTotalTimeoutMultiplier, value);
    }
    uint32_t WriteTotalTimeoutConstant() const { return FWriteTotalTimeoutConstant; }
    void SetWriteTotalTimeoutConstant(uint32_t value)
    {
        SetTimeout(FWriteTotalTimeoutConstant, value);
    }

    // Events, raised on the owner's thread; unassigned ones are skipped.
    TReceiveDataEvent OnReceiveData;
    TReceiveErrorEvent OnReceiveError;         // EventMask: serial::kCe* flags
    TModemStateChangeEvent OnModemStateChange; // ModemEvent: MODEM_EV_RLSD and/or MODEM_EV_RING
    TNotifyEvent OnRequestHangup;
    TSendDataEmptyEvent OnSendDataEmpty;

private:
    template <typename T> void SetLineSetting(T& field, T value)
    {
        if (field == value)
            return;
        field = value;
        if (hCommFile)
            ApplyCommState();
    }
    void SetTimeout(uint32_t& field, uint32_t value)
    {
        if (field == value)
            return;
        field = value;
        if (hCommFile)
            ApplyCommTimeouts();
    }

    void ApplyCommState();
    void ApplyCommTimeouts();
    void ShutdownReadThread();
    void ShutdownWriteThread();
    void NotifyWndProc(CommMessage& message);
    void DoReceiveData(const void* Buffer, uint16_t BufferLength);
    void DoReceiveError(uint32_t EventMask);
    void DoModemStateChange(uint32_t ModemEvent);
    void DoRequestHangup();
    void DoSendDataEmpty();

    serial::CommBackend& backend_;
    std::unique_ptr<TReadThread> ReadThread;
    std::unique_ptr<TWriteThread> WriteThread;
    std::unique_ptr<serial::CommDevice> hCommFile;
    std::unique_ptr<serial::Event> hCloseEvent;
    // Received data posted to the owner and not yet handled, of this opening.
    std::shared_ptr<serial::ReceiveBacklog> FReceiveBacklog;
    NotifyWindow FHWnd;
    std::atomic<bool> FSendDataEmpty{true};
    // The time-outs in force deliver at once (serial::DeliversAtOnce).
    std::atomic<bool> FDeliverAtOnce{false};

    std::string FCommName = "COM2";
    uint32_t FBaudRate = 9600;
    bool FParityCheck = false;
    bool FOutx_CtsFlow = false;
    bool FOutx_DsrFlow = false;
    TDtrControl FDtrControl = TDtrControl::DtrEnable;
    bool FDsrSensitivity = false;
    bool FTxContinueOnXoff = true;
    bool FOutx_XonXoffFlow = true;
    bool FInx_XonXoffFlow = true;
    bool FReplaceWhenParityError = false;
    bool FIgnoreNullChar = false;
    TRtsControl FRtsControl = TRtsControl::RtsEnable;
    uint16_t FXonLimit = 500;
    uint16_t FXoffLimit = 500;
    TByteSize FByteSize = TByteSize::_8;
    TParity FParity = TParity::None;
    TStopBits FStopBits = TStopBits::_1;
    uint8_t FXonChar = 0x11;
    uint8_t FXoffChar = 0x13;
    uint8_t FReplacedChar = 0x00;
    uint32_t FReadIntervalTimeout = 100;
    uint32_t FReadTotalTimeoutMultiplier = 0;
    uint32_t FReadTotalTimeoutConstant = 0;
    uint32_t FWriteTotalTimeoutMultiplier = 0;
    uint32_t FWriteTotalTimeoutConstant = 0;
};
