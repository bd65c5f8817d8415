#pragma once

// A TCP connection to a serial device server: the name resolved and the
// connection made within one time limit, so a caller never waits longer.

#include "serial/comm_backend.h"
#include "serial/net_port_name.h"
#include "serial/net_socket.h"

#include <chrono>
#include <memory>
#include <string>

namespace serial {

constexpr std::chrono::milliseconds kNetConnectLimit{3000};

struct NetConnection {
    std::unique_ptr<NetSocket> socket;       // null on failure
    OpenRefusal refusal = OpenRefusal::None; // why not, on failure
    std::string reason;                      // the same for people
};

// Resolves and connects within `limit`. The resolution runs on a thread of
// its own that is left to finish alone when it takes too long.
NetConnection ConnectToServer(const NetPortAddress& address,
                              std::chrono::milliseconds limit = kNetConnectLimit);

// Whether the server of a network port name accepts a connection now; the
// connection is closed again at once. For a thread that may wait, so that a
// port is opened only once its server is there.
bool NetServerAnswers(const std::string& portName);

} // namespace serial
