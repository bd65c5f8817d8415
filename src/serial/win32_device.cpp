#include "serial/win32_device.h"

#include "serial/win32_backend.h"

#include <algorithm>
#include <cstring>

namespace serial {

namespace {

IoStatus StatusOfLastError()
{
    return GetLastError() == ERROR_INVALID_HANDLE ? IoStatus::InvalidHandle : IoStatus::Failed;
}

ReaderEvent ReaderFailure()
{
    return {GetLastError() == ERROR_INVALID_HANDLE ? ReaderEvent::InvalidHandle
                                                   : ReaderEvent::Failed,
            0};
}

// Wine reads a pseudo-terminal with VMIN 0: a read woken for bytes that the
// far end then threw away (scale-sim does so with what a reader left unread
// too long) finds nothing and ends as a broken pipe, as a read on a line that
// hung up does. Only a port that no longer answers has hung up. (A Windows
// COM port never ends a read as a broken pipe.)
bool ReadFoundNothing(HANDLE port)
{
    if (GetLastError() != ERROR_BROKEN_PIPE)
        return false;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    return GetCommState(port, &dcb) != 0;
}

BYTE DtrControlOf(DtrMode mode)
{
    switch (mode) {
    case DtrMode::Off:
        return DTR_CONTROL_DISABLE;
    case DtrMode::On:
        return DTR_CONTROL_ENABLE;
    case DtrMode::Handshake:
        return DTR_CONTROL_HANDSHAKE;
    }
    return DTR_CONTROL_ENABLE;
}

BYTE RtsControlOf(RtsMode mode)
{
    switch (mode) {
    case RtsMode::Off:
        return RTS_CONTROL_DISABLE;
    case RtsMode::On:
        return RTS_CONTROL_ENABLE;
    case RtsMode::Handshake:
        return RTS_CONTROL_HANDSHAKE;
    case RtsMode::WhileSending:
        return RTS_CONTROL_TOGGLE;
    }
    return RTS_CONTROL_ENABLE;
}

} // namespace

void FillDcb(DCB& dcb, const LineSettings& line)
{
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = line.baudRate;
    // The flag word from zero: every bit not set below stays clear.
    std::memset(reinterpret_cast<char*>(&dcb.BaudRate) + sizeof dcb.BaudRate, 0, sizeof(DWORD));
    dcb.fBinary = 1;
    dcb.fParity = line.checkParity;
    dcb.fOutxCtsFlow = line.ctsFlow;
    dcb.fOutxDsrFlow = line.dsrFlow;
    dcb.fDtrControl = DtrControlOf(line.dtr);
    dcb.fDsrSensitivity = line.dsrSensitivity;
    dcb.fTXContinueOnXoff = line.xonXoff.continueAfterXoff;
    dcb.fOutX = line.xonXoff.output;
    dcb.fInX = line.xonXoff.input;
    dcb.fErrorChar = line.replaceParityErrors;
    dcb.fNull = line.discardNulls;
    dcb.fRtsControl = RtsControlOf(line.rts);
    dcb.fAbortOnError = 0;
    dcb.XonLim = line.xonXoff.xonLimit;
    dcb.XoffLim = line.xonXoff.xoffLimit;
    dcb.ByteSize = line.dataBits;
    dcb.Parity = static_cast<BYTE>(line.parity);     // NOPARITY .. SPACEPARITY
    dcb.StopBits = static_cast<BYTE>(line.stopBits); // ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS
    dcb.XonChar = static_cast<char>(line.xonXoff.xonChar);
    dcb.XoffChar = static_cast<char>(line.xonXoff.xoffChar);
    dcb.ErrorChar = static_cast<char>(line.errorChar);
}

bool Win32Device::Operation::Create()
{
    overlapped = {};
    // Manual reset, created set: "completed" until an operation starts.
    overlapped.hEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    return overlapped.hEvent != nullptr;
}

// ReadFile, WriteFile and WaitCommEvent reset the event themselves when
// they start: no call of our own per operation.
void Win32Device::Operation::Start()
{
    HANDLE event = overlapped.hEvent;
    overlapped = {};
    overlapped.hEvent = event;
}

// An event still set from an earlier operation (a system that did not
// reset it at the start) is reset here and waited on again.
Win32Device::Operation::Result Win32Device::Operation::Outcome(HANDLE port, DWORD& bytes)
{
    if (GetOverlappedResult(port, &overlapped, &bytes, FALSE)) {
        pending = false;
        return Done;
    }
    if (GetLastError() == ERROR_IO_INCOMPLETE) {
        ResetEvent(overlapped.hEvent);
        if (!HasOverlappedIoCompleted(&overlapped))
            return Pending;
        return Outcome(port, bytes);
    }
    pending = false;
    return Failed;
}

void Win32Device::Operation::Finish(HANDLE port)
{
    if (!pending)
        return;
    // Not found means it has completed already; either way the wait below
    // returns once the system no longer touches the record or its buffer.
    CancelIoEx(port, &overlapped);
    DWORD ignored = 0;
    GetOverlappedResult(port, &overlapped, &ignored, TRUE);
    pending = false;
}

void Win32Device::Operation::Close()
{
    if (overlapped.hEvent)
        CloseHandle(overlapped.hEvent);
    overlapped.hEvent = nullptr;
}

Win32Device::~Win32Device() { CloseHandle(handle_); }

uint32_t Win32Device::NativeHandle() const
{
    // Kernel handles fit in 32 bits, also in 64-bit processes.
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle_));
}

bool Win32Device::SetupQueues(uint32_t inQueue, uint32_t outQueue)
{
    return SetupComm(handle_, inQueue, outQueue) != 0;
}

void Win32Device::Purge(uint32_t flags) { PurgeComm(handle_, flags); }

bool Win32Device::ApplyState(const LineSettings& line)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle_, &dcb))
        return false;
    FillDcb(dcb, line);
    return SetCommState(handle_, &dcb) != 0;
}

bool Win32Device::ApplyTimeouts(const CommTimeouts& timeouts)
{
    std::lock_guard lock(timeoutsMutex_);
    timeouts_ = timeouts;
    waitingForm_ = false;
    COMMTIMEOUTS t{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                   timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                   timeouts.WriteTotalTimeoutConstant};
    if (DeliversAtOnce(timeouts)) {
        t.ReadTotalTimeoutMultiplier = 0;
        t.ReadTotalTimeoutConstant = 0;
    }
    return SetCommTimeouts(handle_, &t) != 0;
}

bool Win32Device::WaitForFirstByte()
{
    std::lock_guard lock(timeoutsMutex_);
    if (!DeliversAtOnce(timeouts_))
        return false;
    const uint32_t limit = timeouts_.ReadTotalTimeoutConstant;
    if (waitingForm_)
        return limit == 0; // without a limit a wait that ran out is only waited again
    COMMTIMEOUTS t{MAXDWORD, MAXDWORD, limit != 0 ? limit : MAXDWORD - 1,
                   timeouts_.WriteTotalTimeoutMultiplier, timeouts_.WriteTotalTimeoutConstant};
    waitingForm_ = SetCommTimeouts(handle_, &t) != 0;
    return waitingForm_;
}

bool Win32Device::GetModemStatus(uint32_t& bits)
{
    DWORD status = 0;
    if (!GetCommModemStatus(handle_, &status))
        return false;
    bits = status & (MS_CTS_ON | MS_DSR_ON | MS_RING_ON | MS_RLSD_ON);
    return true;
}

bool Win32Device::BeginReader(uint32_t eventMask)
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    if (!read_.Create() || !lineEvent_.Create())
        return false;
    return SetCommMask(handle_, eventMask) != 0;
}

ReaderEvent Win32Device::WaitReader(const Event& close, uint8_t* buffer, uint32_t capacity)
{
    for (;;) {
        if (close.IsSet())
            return {ReaderEvent::Closed, 0};

        if (lineEvents_ && !lineEvent_.pending) {
            lineEvent_.Start();
            eventMask_ = 0;
            if (WaitCommEvent(handle_, &eventMask_, &lineEvent_.overlapped))
                return {ReaderEvent::LineEvent, eventMask_};
            const DWORD error = GetLastError();
            if (error == ERROR_IO_PENDING)
                lineEvent_.pending = true;
            else if (error == ERROR_NOT_SUPPORTED)
                lineEvents_ = false; // the driver has no line events; reading goes on without them
            else
                return ReaderFailure();
        }

        if (!read_.pending) {
            DWORD count = 0;
            switch (StartRead(buffer, capacity, count)) {
            case Operation::Failed:
                if (ReadFoundNothing(handle_))
                    continue;
                return ReaderFailure();
            case Operation::Pending:
                break;
            case Operation::Done:
                if (count == 0 && WaitForFirstByte())
                    continue;
                return {ReaderEvent::ReadDone, Gather(close, buffer, count, capacity)};
            }
        }

        // The close event first: it wins over a completion at the same
        // moment; a line event is served before the read that completed with it.
        HANDLE handles[3] = {EventHandle(close)};
        DWORD count = 1;
        const DWORD lineEventIndex = lineEvent_.pending ? count++ : MAXDWORD;
        if (lineEvent_.pending)
            handles[lineEventIndex] = lineEvent_.overlapped.hEvent;
        const DWORD readIndex = count++;
        handles[readIndex] = read_.overlapped.hEvent;

        const DWORD woken = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0)
            return {ReaderEvent::Closed, 0};
        if (woken == WAIT_OBJECT_0 + lineEventIndex) {
            DWORD ignored = 0;
            switch (lineEvent_.Outcome(handle_, ignored)) {
            case Operation::Pending:
                continue;
            case Operation::Failed:
                return ReaderFailure();
            case Operation::Done:
                return {ReaderEvent::LineEvent, eventMask_};
            }
        }
        if (woken == WAIT_OBJECT_0 + readIndex) {
            DWORD read = 0;
            switch (read_.Outcome(handle_, read)) {
            case Operation::Pending:
                continue;
            case Operation::Failed:
                if (ReadFoundNothing(handle_))
                    continue;
                return ReaderFailure();
            case Operation::Done:
                // A gathering read filled the buffer after the bytes returned before it.
                if (readOffset_ > 0 && read > 0)
                    std::memmove(buffer, buffer + readOffset_, read);
                readOffset_ = 0;
                if (read == 0 && WaitForFirstByte())
                    continue;
                return {ReaderEvent::ReadDone, Gather(close, buffer, read, capacity)};
            }
        }
        return {ReaderEvent::Failed, 0};
    }
}

Win32Device::Operation::Result Win32Device::StartRead(uint8_t* into, uint32_t size, DWORD& count)
{
    read_.Start();
    if (ReadFile(handle_, into, size, nullptr, &read_.overlapped))
        return GetOverlappedResult(handle_, &read_.overlapped, &count, FALSE) ? Operation::Done
                                                                              : Operation::Failed;
    if (GetLastError() != ERROR_IO_PENDING)
        return Operation::Failed;
    read_.pending = true;
    return Operation::Pending;
}

// Every read and every post to the owner goes through the wine server under
// wine, and a pseudo-terminal gives at most about 4 kB per read: joining what
// the driver holds at once into one event saves both. Only bytes the driver
// reports as there are read (a read that would wait costs far more under
// wine than the report); one that waits all the same stays outstanding and
// fills the buffer after the bytes returned now (moved to its start when it
// completes). A line event that completed meanwhile ends the gathering, so
// it is reported between the bytes before and after it.
uint32_t Win32Device::Gather(const Event& close, uint8_t* buffer, DWORD count, uint32_t capacity)
{
    if (count == 0 || !GathersReads())
        return count;
    while (count < capacity && !close.IsSet() &&
           !(lineEvent_.pending && HasOverlappedIoCompleted(&lineEvent_.overlapped))) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(handle_, &errors, &status) || status.cbInQue == 0)
            break;
        heldErrors_ |= errors; // for the error report of the line event
        DWORD more = 0;
        const DWORD room = capacity - count;
        const Operation::Result result =
            StartRead(buffer + count, std::min<DWORD>(room, status.cbInQue), more);
        if (result == Operation::Pending)
            readOffset_ = count;
        if (result != Operation::Done || more == 0)
            break; // waiting, or failed (the next read says so)
        count += more;
    }
    return count;
}

bool Win32Device::GathersReads()
{
    std::lock_guard lock(timeoutsMutex_);
    return DeliversAtOnce(timeouts_);
}

IoStatus Win32Device::ClearErrors(uint32_t& errors)
{
    DWORD flags = 0;
    if (!ClearCommError(handle_, &flags, nullptr))
        return StatusOfLastError();
    errors = flags | heldErrors_;
    heldErrors_ = 0;
    return IoStatus::Ok;
}

void Win32Device::EndReader()
{
    // A mask of 0 completes the line-event wait; the cancel covers drivers
    // that do not.
    if (lineEvent_.pending)
        SetCommMask(handle_, 0);
    lineEvent_.Finish(handle_);
    read_.Finish(handle_);
    lineEvent_.Close();
    read_.Close();
}

bool Win32Device::BeginWriter()
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    return write_.Create();
}

WriteOutcome Win32Device::Write(const Event& close, const uint8_t* data, uint32_t count)
{
    if (close.IsSet())
        return {IoStatus::Closed, 0};
    write_.Start();
    DWORD sent = 0;
    if (WriteFile(handle_, data, count, nullptr, &write_.overlapped)) {
        if (!GetOverlappedResult(handle_, &write_.overlapped, &sent, FALSE))
            return {StatusOfLastError(), 0};
        return {IoStatus::Ok, sent};
    }
    if (GetLastError() != ERROR_IO_PENDING)
        return {StatusOfLastError(), 0};
    write_.pending = true;

    const HANDLE handles[2] = {EventHandle(close), write_.overlapped.hEvent};
    const DWORD woken = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0 + 1) {
        write_.pending = false;
        if (!GetOverlappedResult(handle_, &write_.overlapped, &sent, TRUE))
            return {StatusOfLastError(), 0};
        return {IoStatus::Ok, sent};
    }
    // The close event, or a failed wait: the write must not outlive the call.
    write_.Finish(handle_);
    return {woken == WAIT_OBJECT_0 ? IoStatus::Closed : IoStatus::Failed, 0};
}

void Win32Device::EndWriter()
{
    write_.Finish(handle_);
    write_.Close();
}

} // namespace serial
