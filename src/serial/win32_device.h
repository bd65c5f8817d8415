#pragma once

// One open serial port on Windows. The reader keeps one overlapped read and
// one overlapped line-event wait outstanding, the writer one overlapped
// write, each with its own event; every wait includes the close event.
//
// No overlapped record is reused or freed while the system may still write
// into it: at the end of the reader, and when the close event interrupts a
// write, the pending operations are cancelled and waited for.

#include "serial/comm_backend.h"

#include <windows.h>

#include <mutex>

namespace serial {

// Puts `line` into `dcb`: speed, framing, the flag word built from zero (so
// abort-on-error and the reserved bits are clear) and the XON/XOFF limits
// and characters. EofChar, EvtChar and the reserved members keep what the
// port reported.
void FillDcb(DCB& dcb, const LineSettings& line);

class Win32Device : public CommDevice {
public:
    // Takes over `handle`, an open serial port.
    explicit Win32Device(HANDLE handle) : handle_(handle) { }
    ~Win32Device() override;
    Win32Device(const Win32Device&) = delete;
    Win32Device& operator=(const Win32Device&) = delete;

    uint32_t NativeHandle() const override;
    bool SetupQueues(uint32_t inQueue, uint32_t outQueue) override;
    // Aborts outstanding operations and discards queues as the flags say.
    void Purge(uint32_t flags) override;
    bool ApplyState(const LineSettings& line) override;
    // Delivering at once (DeliversAtOnce), a read that found bytes goes on
    // reading what the driver reports as there (Gather) until the buffer is
    // full: one event for what came in pieces. The port first reads with
    // MAXDWORD, 0, 0 ("what is there"); once such a read finds nothing it
    // waits with MAXDWORD, MAXDWORD and the constant (MAXDWORD - 1 for none)
    // instead, which returns as soon as a byte is there. Wine over a
    // pseudo-terminal keeps the first form waiting until data comes.
    bool ApplyTimeouts(const CommTimeouts& timeouts) override;
    bool GetModemStatus(uint32_t& bits) override;

    // Runs on the reader thread: raises its priority two steps, makes its
    // two events and sets the event mask.
    bool BeginReader(uint32_t eventMask) override;
    // `buffer` must stay the same from call to call until EndReader: a read
    // started by one call may complete into it before the next. A driver
    // that cannot wait for line events (ERROR_NOT_SUPPORTED, as wine over a
    // pseudo-terminal) gives none; reading goes on.
    ReaderEvent WaitReader(const Event& close, uint8_t* buffer, uint32_t capacity) override;
    IoStatus ClearErrors(uint32_t& errors) override;
    // Ends the line-event wait (event mask 0) and cancels the read, waits
    // for both to complete, and closes the events.
    void EndReader() override;

    // Runs on the writer thread: raises its priority one step and makes the
    // write event.
    bool BeginWriter() override;
    // Returns with no write outstanding: one interrupted by the close event
    // is cancelled and waited for, so the caller may free `data` at once.
    WriteOutcome Write(const Event& close, const uint8_t* data, uint32_t count) override;
    void EndWriter() override;

private:
    // An overlapped operation with its own manual-reset event.
    struct Operation {
        OVERLAPPED overlapped{};
        bool pending = false;
        bool Create();
        void Close();
        // Cancels it when pending and waits until the system is done with it.
        void Finish(HANDLE port);
        void Start(); // zeroes the record, keeps the event
        enum Result { Done, Pending, Failed };
        // After its event was seen set: Done (bytes set) or Failed ends it.
        Result Outcome(HANDLE port, DWORD& bytes);
    };

    HANDLE handle_;

    // Called by the reader after a read that found nothing while delivering
    // at once: true when it should read again (waiting for the first byte),
    // false when the empty read completes (the time-outs ran out).
    bool WaitForFirstByte();

    // Starts a read into `into`; Done sets `count`.
    Operation::Result StartRead(uint8_t* into, uint32_t size, DWORD& count);
    // Delivering at once, adds to the `count` bytes at `buffer` what further
    // reads of what the driver reports as there give, up to `capacity`;
    // returns the total.
    uint32_t Gather(const Event& close, uint8_t* buffer, DWORD count, uint32_t capacity);
    bool GathersReads();

    std::mutex timeoutsMutex_; // the owner applies them, the reader may switch their form
    CommTimeouts timeouts_;
    bool waitingForm_ = false;

    // Reader thread only.
    Operation read_;
    Operation lineEvent_;
    uint32_t readOffset_ = 0; // where in the buffer the outstanding read fills
    DWORD eventMask_ = 0;     // filled by the line-event wait
    DWORD heldErrors_ = 0;    // line errors cleared while gathering, not yet reported
    bool lineEvents_ = true;  // false when the driver has no line-event wait

    // Writer thread only.
    Operation write_;
};

} // namespace serial
