#pragma once

// Splits the byte stream of a Telnet server into the data it carries and
// the commands between: doubled IAC bytes become one data byte, option
// requests and subnegotiations come out as commands. A command or an
// escape may be split across any number of reads. Plain C++, no I/O.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace serial::telnet {

constexpr uint8_t kIac = 255;
constexpr uint8_t kDont = 254;
constexpr uint8_t kDo = 253;
constexpr uint8_t kWont = 252;
constexpr uint8_t kWill = 251;
constexpr uint8_t kSb = 250; // subnegotiation begins
constexpr uint8_t kSe = 240; // subnegotiation ends

constexpr uint8_t kOptionBinary = 0;
constexpr uint8_t kOptionEcho = 1;
constexpr uint8_t kOptionSuppressGoAhead = 3;
constexpr uint8_t kOptionComPort = 44;

struct Command {
    enum Kind : uint8_t { Will, Wont, Do, Dont, Subnegotiation, Other };
    Kind kind = Other;
    uint8_t option = 0;           // Other: the command byte itself (NOP, BRK, ...)
    std::vector<uint8_t> payload; // Subnegotiation: the bytes after the option, unescaped

    bool operator==(const Command&) const = default;
};

class TelnetParser {
public:
    // Longer subnegotiations are dropped whole: no option this side knows
    // sends more, and a server cannot make the parser hold more than this.
    static constexpr size_t kMaxPayload = 64;

    // Takes `count` bytes of the stream. Their data bytes go to `data`, which
    // must have room for `count`; returns how many. Complete commands are
    // appended to `commands` in stream order.
    size_t Feed(const uint8_t* bytes, size_t count, uint8_t* data, std::vector<Command>& commands);

    // Bytes of a command or escape begun and not yet complete.
    bool InsideCommand() const { return state_ != State::Data; }

private:
    enum class State : uint8_t {
        Data,
        Iac,       // after IAC
        Option,    // after IAC WILL/WONT/DO/DONT
        SbOption,  // after IAC SB
        SbPayload, // inside a subnegotiation
        SbIac,     // IAC inside a subnegotiation
    };
    void Command(uint8_t byte, std::vector<telnet::Command>& commands);

    State state_ = State::Data;
    telnet::Command::Kind optionKind_ = telnet::Command::Other;
    uint8_t sbOption_ = 0;
    std::vector<uint8_t> sbPayload_;
    bool sbTooLong_ = false;
};

} // namespace serial::telnet
