#pragma once

// The device operations TComm and its threads need, behind one interface so
// that each operating system (and the tests' fake) supplies its own. The
// shape follows an overlapped serial device: the reader, the writer and the
// owner's thread use one open device at the same time, and every blocking
// call also ends when the close event is set.

#include "serial/comm_types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace serial {

// Why a port could not be opened, as far as the system says. The last three
// are for ports behind a serial device server.
enum class OpenRefusal {
    None,
    Absent,
    Busy,
    NoPermission,
    Other,
    ConnectionRefused,   // nothing accepts connections at that address
    TimedOut,            // no connection, or no answer, within the time limit
    LineSettingsRefused, // the server refused or changed the line settings
};

// Manual-reset event: once set it stays set until reset. Set and IsSet may
// be called from any thread; a Reset must not race a Set (its users do both
// under one lock, or never reset).
class Event {
public:
    virtual ~Event() = default;
    virtual void Set() = 0;
    virtual void Reset() = 0;
    virtual bool IsSet() const = 0;
};

// What ended one of the reader's waits.
struct ReaderEvent {
    enum Kind {
        Closed,        // the close event is set (it wins over anything else)
        ReadDone,      // a read completed; value = bytes read (0 when the time-outs ran out empty)
        LineEvent,     // a line-event wait completed; value = the event mask
        InvalidHandle, // the device handle is no longer valid
        Failed,        // any other failure, the device gone included
    };
    Kind kind = Failed;
    uint32_t value = 0;
};

enum class IoStatus { Ok, Closed, InvalidHandle, Failed };

struct WriteOutcome {
    IoStatus status = IoStatus::Failed;
    uint32_t sent = 0; // bytes written when status is Ok (may be fewer than asked)
};

// One open device; destroying it restores the saved settings and closes it.
class CommDevice {
public:
    virtual ~CommDevice() = default;

    // Native handle for TComm::Handle, never 0.
    virtual uint32_t NativeHandle() const = 0;
    // Driver queues; false when the driver refuses (not a serial device).
    virtual bool SetupQueues(uint32_t inQueue, uint32_t outQueue) = 0;
    // kPurge* flags: abort outstanding reads or writes, discard queued input
    // or output. The threads do not rely on the abort: they end through the
    // close event, and the device ends what they left outstanding.
    virtual void Purge(uint32_t flags) = 0;
    // Refusals are ignored by the caller; the result is for tests.
    virtual bool ApplyState(const LineSettings& line) = 0;
    virtual bool ApplyTimeouts(const CommTimeouts& timeouts) = 0;
    // kMs* bits; false when they cannot be read.
    virtual bool GetModemStatus(uint32_t& bits) = 0;
    // After the first ApplyState: whether the port must not count as open
    // after all (a device server that refused the line settings), and why.
    virtual OpenRefusal LineRefusal(std::string& reason) const
    {
        reason.clear();
        return OpenRefusal::None;
    }

    // Reader side. BeginReader prepares the reader's waits and chooses the
    // line events (kEv* mask); false means the reader cannot run.
    virtual bool BeginReader(uint32_t eventMask) = 0;
    // Keeps one read of up to `capacity` bytes into `buffer` and one line-event
    // wait outstanding and returns when either completes or `close` is set.
    // The reader passes the same buffer every time: a read started by one
    // call may still be filling it when the next call comes.
    virtual ReaderEvent WaitReader(const Event& close, uint8_t* buffer, uint32_t capacity) = 0;
    // Reads and clears the accumulated line-error flags (kCe*).
    virtual IoStatus ClearErrors(uint32_t& errors) = 0;
    virtual void EndReader() = 0;

    // Writer side. Write sends from `data` until all `count` bytes are out,
    // the write time-outs run out (Ok with fewer bytes), `close` is set
    // (Closed) or the device fails. It returns with nothing outstanding on
    // `data`, so the caller may free the block at once.
    virtual bool BeginWriter() = 0;
    virtual WriteOutcome Write(const Event& close, const uint8_t* data, uint32_t count) = 0;
    virtual void EndWriter() = 0;
};

class CommBackend {
public:
    virtual ~CommBackend() = default;

    // Opens the port named as the user typed it, exclusively (a URL: a
    // connection to a serial device server, net_port_name.h). Returns 0 with
    // `device` set, -1 when it cannot be opened (absent, busy), -2 when the
    // name does not denote a character device.
    virtual int Open(const std::string& name, std::unique_ptr<CommDevice>& device) = 0;
    // Why the last Open returned -1; Other where the backend cannot tell.
    virtual OpenRefusal LastOpenRefusal() const { return OpenRefusal::Other; }
    // The same for people, where the backend can say more than the kind.
    virtual std::string LastOpenReason() const { return {}; }
    // A new event, not set; null when none can be made.
    virtual std::unique_ptr<Event> NewEvent() = 0;
    // Sleeps until one of the two events is set: 0 or 1 (the lower index
    // wins when both are), -1 when the wait fails.
    virtual int WaitForEither(const Event& first, const Event& second) = 0;
    // The machine's serial ports, in name order.
    virtual std::vector<std::string> ListPorts() = 0;
};

// The backend of this operating system.
CommBackend& DefaultCommBackend();

} // namespace serial
