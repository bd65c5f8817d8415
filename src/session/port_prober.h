#pragma once
// Which serial ports have a scale controller behind them: a thread of its
// own asks each port in turn, as the session would, for the controller's
// parameters. It opens the port itself (exclusively, with the session's line
// settings and the given baud rate), writes the very frame the session sends
// for the parameters (AA 01 F6 00 00 00 00 A2) and listens, through the
// frame assembler and its checksum, for a parameter report (reply 0xF6).
// Each port takes at most perPort, from opening to closing, whatever it
// sends or does not send.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class EventLoop;
namespace serial {
class CommBackend;
}

// What one port said.
enum class ProbeAnswer {
    Answers,    // a valid parameter report came in time
    Silent,     // opened, but no parameter report came in time
    CannotOpen, // absent, busy or not a serial device
};

class PortProber {
public:
    using Milliseconds = std::chrono::milliseconds;
    static constexpr Milliseconds kPerPort{300};

    // Called on the prober's thread: the owner posts them to its own.
    using Report = std::function<void(const std::string& port, ProbeAnswer answer)>;
    using Done = std::function<void()>;

    explicit PortProber(serial::CommBackend& backend);
    // Stops a probe still running.
    ~PortProber();
    PortProber(const PortProber&) = delete;
    PortProber& operator=(const PortProber&) = delete;

    // Asks the ports in order, each reported as it is done, then calls done.
    // A probe still running is stopped first.
    void start(std::vector<std::string> ports, uint32_t baudRate, Report report, Done done,
               Milliseconds perPort = kPerPort);
    // Ends the probe at once: the port being asked is closed and no further
    // report or done follows. Returns once the thread has ended.
    void stop();

    // One port, on the calling thread, handling the port's events in `loop`
    // (which stop() of another thread may stop to end the wait at once).
    static ProbeAnswer probe(serial::CommBackend& backend, const std::string& port,
                             uint32_t baudRate, Milliseconds perPort, EventLoop& loop);

private:
    serial::CommBackend& backend_;
    std::shared_ptr<EventLoop> loop_; // the running probe's, for stop()
    std::thread thread_;
};
