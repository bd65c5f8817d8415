#pragma once

// Ports behind a serial device server, named as URLs:
//   rfc2217://HOST:PORT  Telnet with the COM port control option: the line
//                        settings go to the server
//   socket://HOST:PORT   raw TCP: the server keeps its own line settings
// HOST is a name, an IPv4 address or an IPv6 address in brackets.

#include <optional>
#include <string>
#include <string_view>

namespace serial {

struct NetPortAddress {
    enum class Kind { Rfc2217, RawSocket };
    Kind kind = Kind::RawSocket;
    std::string host; // without brackets
    std::string port; // digits, 1..65535
};

// Whether `name` is meant as a network port (its scheme), well formed or not.
bool IsNetworkPortName(std::string_view name);

// The address of a well-formed network port name.
std::optional<NetPortAddress> ParseNetPortName(std::string_view name);

} // namespace serial
