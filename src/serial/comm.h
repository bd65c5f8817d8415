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
//     comm.SetCommName("COM1");           // or a device path, "/dev/ttyUSB0",
//                                         // or a device server's port,
//                                         // "rfc2217://host:port", "socket://host:port"
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
#include "serial/owner_notifier.h"
#include "serial/receive_backlog.h"
#include "serial/receive_queue.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class TComm;
class ReadThread;
class WriteThread;

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
    bool WriteCommData(const void* data, uint16_t count);
    // Sends the low 8 bits of each UTF-16 unit, one single-byte block each;
    // stops at the first refused byte. An empty text gives true.
    bool SendData(std::u16string_view data);
    // kMs* bits of the modem inputs; 0 when closed or unreadable.
    uint32_t GetModemState();
    // The machine's serial ports, each followed by CR LF.
    std::string GetCommList();

    // Native handle of the open device; 0 while closed.
    uint32_t Handle() const;
    // Why the last StartComm that returned -1 could not open the port.
    serial::OpenRefusal LastOpenRefusal() const { return lastRefusal_; }
    // The same for people where more is known (a device server's answer);
    // empty otherwise.
    const std::string& LastOpenReason() const { return lastReason_; }
    bool SendDataEmpty() const { return sendDataEmpty_.load(); }

    // Properties. Line settings and time-outs reach an open port at once;
    // CommName waits for the next StartComm and Parity for the next time the
    // line settings are applied.
    const std::string& CommName() const { return commName_; }
    void SetCommName(std::string value) { commName_ = std::move(value); }
    uint32_t BaudRate() const { return baudRate_; }
    void SetBaudRate(uint32_t value) { SetLineSetting(baudRate_, value); }
    bool ParityCheck() const { return parityCheck_; }
    void SetParityCheck(bool value) { SetLineSetting(parityCheck_, value); }
    bool Outx_CtsFlow() const { return outxCtsFlow_; }
    void SetOutx_CtsFlow(bool value) { SetLineSetting(outxCtsFlow_, value); }
    bool Outx_DsrFlow() const { return outxDsrFlow_; }
    void SetOutx_DsrFlow(bool value) { SetLineSetting(outxDsrFlow_, value); }
    TDtrControl DtrControl() const { return dtrControl_; }
    void SetDtrControl(TDtrControl value) { SetLineSetting(dtrControl_, value); }
    bool DsrSensitivity() const { return dsrSensitivity_; }
    void SetDsrSensitivity(bool value) { SetLineSetting(dsrSensitivity_, value); }
    bool TxContinueOnXoff() const { return txContinueOnXoff_; }
    void SetTxContinueOnXoff(bool value) { SetLineSetting(txContinueOnXoff_, value); }
    bool Outx_XonXoffFlow() const { return outxXonXoffFlow_; }
    void SetOutx_XonXoffFlow(bool value) { SetLineSetting(outxXonXoffFlow_, value); }
    bool Inx_XonXoffFlow() const { return inxXonXoffFlow_; }
    void SetInx_XonXoffFlow(bool value) { SetLineSetting(inxXonXoffFlow_, value); }
    bool ReplaceWhenParityError() const { return replaceWhenParityError_; }
    void SetReplaceWhenParityError(bool value) { SetLineSetting(replaceWhenParityError_, value); }
    bool IgnoreNullChar() const { return ignoreNullChar_; }
    void SetIgnoreNullChar(bool value) { SetLineSetting(ignoreNullChar_, value); }
    TRtsControl RtsControl() const { return rtsControl_; }
    void SetRtsControl(TRtsControl value) { SetLineSetting(rtsControl_, value); }
    uint16_t XonLimit() const { return xonLimit_; }
    void SetXonLimit(uint16_t value) { SetLineSetting(xonLimit_, value); }
    uint16_t XoffLimit() const { return xoffLimit_; }
    void SetXoffLimit(uint16_t value) { SetLineSetting(xoffLimit_, value); }
    TByteSize ByteSize() const { return byteSize_; }
    void SetByteSize(TByteSize value) { SetLineSetting(byteSize_, value); }
    TParity Parity() const { return parity_; }
    void SetParity(TParity value) { parity_ = value; }
    TStopBits StopBits() const { return stopBits_; }
    void SetStopBits(TStopBits value) { SetLineSetting(stopBits_, value); }
    uint8_t XonChar() const { return xonChar_; }
    void SetXonChar(uint8_t value) { SetLineSetting(xonChar_, value); }
    uint8_t XoffChar() const { return xoffChar_; }
    void SetXoffChar(uint8_t value) { SetLineSetting(xoffChar_, value); }
    uint8_t ReplacedChar() const { return replacedChar_; }
    void SetReplacedChar(uint8_t value) { SetLineSetting(replacedChar_, value); }
    uint32_t ReadIntervalTimeout() const { return readIntervalTimeout_; }
    void SetReadIntervalTimeout(uint32_t value) { SetTimeout(readIntervalTimeout_, value); }
    uint32_t ReadTotalTimeoutMultiplier() const { return readTotalTimeoutMultiplier_; }
    void SetReadTotalTimeoutMultiplier(uint32_t value)
    {
        SetTimeout(readTotalTimeoutMultiplier_, value);
    }
    uint32_t ReadTotalTimeoutConstant() const { return readTotalTimeoutConstant_; }
    void SetReadTotalTimeoutConstant(uint32_t value)
    {
        SetTimeout(readTotalTimeoutConstant_, value);
    }
    uint32_t WriteTotalTimeoutMultiplier() const { return writeTotalTimeoutMultiplier_; }
    void SetWriteTotalTimeoutMultiplier(uint32_t value)
    {
        SetTimeout(writeTotalTimeoutMultiplier_, value);
    }
    uint32_t WriteTotalTimeoutConstant() const { return writeTotalTimeoutConstant_; }
    void SetWriteTotalTimeoutConstant(uint32_t value)
    {
        SetTimeout(writeTotalTimeoutConstant_, value);
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
        if (device_)
            ApplyCommState();
    }
    void SetTimeout(uint32_t& field, uint32_t value)
    {
        if (field == value)
            return;
        field = value;
        if (device_)
            ApplyCommTimeouts();
    }

    void ApplyCommState();
    void ApplyCommTimeouts();
    void ShutdownReadThread();
    void ShutdownWriteThread();
    void HandleNotice(CommNotice& notice);
    void DoReceiveData(const void* bytes, uint16_t length);
    void DoReceiveError(uint32_t errors);
    void DoModemStateChange(uint32_t modemEvent);
    void DoRequestHangup();
    void DoSendDataEmpty();

    serial::CommBackend& backend_;
    std::unique_ptr<ReadThread> reader_;
    std::unique_ptr<WriteThread> writer_;
    std::unique_ptr<serial::CommDevice> device_;
    std::unique_ptr<serial::Event> closeEvent_;
    // Received data posted to the owner and not yet handled, of this opening.
    std::shared_ptr<serial::ReceiveBacklog> receiveBacklog_;
    OwnerNotifier notifier_;
    std::atomic<bool> sendDataEmpty_{true};
    // The time-outs in force deliver at once (serial::DeliversAtOnce).
    std::atomic<bool> deliverAtOnce_{false};

    serial::OpenRefusal lastRefusal_ = serial::OpenRefusal::None;
    std::string lastReason_;
    std::string commName_ = "COM2";
    uint32_t baudRate_ = 9600;
    bool parityCheck_ = false;
    bool outxCtsFlow_ = false;
    bool outxDsrFlow_ = false;
    TDtrControl dtrControl_ = TDtrControl::DtrEnable;
    bool dsrSensitivity_ = false;
    bool txContinueOnXoff_ = true;
    bool outxXonXoffFlow_ = true;
    bool inxXonXoffFlow_ = true;
    bool replaceWhenParityError_ = false;
    bool ignoreNullChar_ = false;
    TRtsControl rtsControl_ = TRtsControl::RtsEnable;
    uint16_t xonLimit_ = 500;
    uint16_t xoffLimit_ = 500;
    TByteSize byteSize_ = TByteSize::_8;
    TParity parity_ = TParity::None;
    TStopBits stopBits_ = TStopBits::_1;
    uint8_t xonChar_ = 0x11;
    uint8_t xoffChar_ = 0x13;
    uint8_t replacedChar_ = 0x00;
    uint32_t readIntervalTimeout_ = 100;
    uint32_t readTotalTimeoutMultiplier_ = 0;
    uint32_t readTotalTimeoutConstant_ = 0;
    uint32_t writeTotalTimeoutMultiplier_ = 0;
    uint32_t writeTotalTimeoutConstant_ = 0;
};
