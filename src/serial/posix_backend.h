#pragma once

// The POSIX realisation of the device backend: terminal devices opened
// non-blocking, waits by poll() on the device together with an eventfd;
// URLs as TCP connections to a serial device server (net_device.h).

#include "serial/comm_backend.h"

#include <atomic>
#include <string>

namespace serial {

class PosixEvent : public Event {
public:
    explicit PosixEvent(int fd) : fd_(fd) { }
    ~PosixEvent() override;
    PosixEvent(const PosixEvent&) = delete;
    PosixEvent& operator=(const PosixEvent&) = delete;

    void Set() override;
    void Reset() override;
    bool IsSet() const override;
    // Readable while set; for poll().
    int Fd() const { return fd_; }

private:
    int fd_;
    std::atomic<bool> set_{false}; // IsSet without a system call
};

class PosixBackend : public CommBackend {
public:
    // `sysClassTty` is where GetCommList looks for ports (a test may point it
    // at a tree of its own).
    explicit PosixBackend(std::string sysClassTty = "/sys/class/tty");

    int Open(const std::string& name, std::unique_ptr<CommDevice>& device) override;
    OpenRefusal LastOpenRefusal() const override { return lastRefusal_; }
    std::string LastOpenReason() const override { return lastReason_; }
    std::unique_ptr<Event> NewEvent() override;
    int WaitForEither(const Event& first, const Event& second) override;
    std::vector<std::string> ListPorts() override;

private:
    // -1 after noting why (errno of the step that failed).
    int Refused(int error);
    int OpenNetwork(const std::string& name, std::unique_ptr<CommDevice>& device);

    std::string sysClassTty_;
    OpenRefusal lastRefusal_ = OpenRefusal::None;
    std::string lastReason_;
};

// Waits until the close event or the device is ready for `events`.
enum class PollResult { Closed, Ready, TimedOut, InvalidHandle, Failed };
PollResult PollWithClose(const Event& close, int deviceFd, short events, int timeoutMs,
                         short& revents);

} // namespace serial
