#pragma once

// ser2net, the serial device server, in front of a device (scale-sim's pty)
// on 127.0.0.1: one port speaking Telnet with the COM port control option
// (rfc2217://), one raw TCP port (socket://), each on a port that was free.
// Its configuration goes into a temporary directory of its own; it runs in
// the foreground and is stopped at the end.

#include "child_process.h"
#include "temp_dir.h"

#include <cstdint>
#include <memory>
#include <string>

namespace e2e {

class Ser2NetProcess {
public:
    // Starts it and waits until both ports listen. Throws std::runtime_error
    // when ser2net is missing or does not come up.
    explicit Ser2NetProcess(const std::string& device);
    ~Ser2NetProcess();
    Ser2NetProcess(const Ser2NetProcess&) = delete;
    Ser2NetProcess& operator=(const Ser2NetProcess&) = delete;

    std::string Rfc2217Url() const;
    std::string SocketUrl() const;

    // Ends it: the connections and both ports close.
    void Stop();
    // Starts it again on the same ports.
    void Start();

private:
    support::TempDir dir_{"ser2net-test"};
    uint16_t rfc2217Port_ = 0;
    uint16_t socketPort_ = 0;
    std::unique_ptr<support::ChildProcess> process_;
};

} // namespace e2e
