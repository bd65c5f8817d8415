#pragma once

// The Windows realisation of the device backend: a serial port opened for
// overlapped input and output, waits on kernel events together with the
// close event, the port list from the registry; URLs as TCP connections to a
// serial device server (net_device.h).

#include "serial/comm_backend.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace serial {

// A manual-reset kernel event. IsSet reads a flag kept beside it: no
// system call, so a reader may look at it for every read.
class Win32Event : public Event {
public:
    explicit Win32Event(HANDLE handle) : handle_(handle) { }
    ~Win32Event() override;
    Win32Event(const Win32Event&) = delete;
    Win32Event& operator=(const Win32Event&) = delete;

    void Set() override;
    void Reset() override;
    bool IsSet() const override;
    HANDLE Handle() const { return handle_; }

private:
    HANDLE handle_;
    std::atomic<bool> set_{false};
};

// The handle of an event made by this backend.
HANDLE EventHandle(const Event& event);

class Win32Backend : public CommBackend {
public:
    // GetCommList lists the values under `root`\`portsKey` (a test may point
    // it at a key of its own).
    explicit Win32Backend(HKEY root = HKEY_LOCAL_MACHINE,
                          std::wstring portsKey = L"HARDWARE\\DEVICEMAP\\SERIALCOMM");

    int Open(const std::string& name, std::unique_ptr<CommDevice>& device) override;
    OpenRefusal LastOpenRefusal() const override { return lastRefusal_; }
    std::string LastOpenReason() const override { return lastReason_; }
    std::unique_ptr<Event> NewEvent() override;
    int WaitForEither(const Event& first, const Event& second) override;
    // The port names stored under the key, in name order (COM2 before COM10).
    std::vector<std::string> ListPorts() override;

private:
    int OpenNetwork(const std::string& name, std::unique_ptr<CommDevice>& device);

    HKEY root_;
    std::wstring portsKey_;
    OpenRefusal lastRefusal_ = OpenRefusal::None;
    std::string lastReason_;
};

} // namespace serial
