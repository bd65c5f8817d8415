#pragma once

// The client's side of the Telnet COM port control option (RFC 2217): what
// to send to a serial device server to set its line and purge its buffers,
// and what the server's stream means: data, answers to the settings, modem
// and line-state notifications. Option requests it does not support are
// refused, each at most once, so a server cannot make it send without end.
// Plain C++, no I/O: the caller sends what it is given.

#include "serial/comm_types.h"
#include "serial/telnet_parser.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace serial {

class ComPortClient {
public:
    // The option offers that open the session: binary both ways, no go-ahead,
    // and the COM port option on this side.
    static std::vector<uint8_t> Greeting();
    // The line settings; their answers are awaited from now on.
    std::vector<uint8_t> SettingsRequest(const LineSettings& line);
    // kPurgeRxClear / kPurgeTxClear as the server's purge; empty for none.
    static std::vector<uint8_t> PurgeRequest(uint32_t flags);

    // Takes `count` bytes from the server: their data goes to `data` (room
    // for `count`, returns how many), the replies the Telnet rules ask for
    // are appended to `replies`.
    size_t Receive(const uint8_t* bytes, size_t count, uint8_t* data,
                   std::vector<uint8_t>& replies);

    // The server agreed to (or refused) the COM port option.
    bool ComPortAccepted() const { return comPort_ == Agreement::Yes; }
    bool ComPortRefused() const { return comPort_ == Agreement::No; }
    // Every setting asked for has been answered.
    bool SettingsAnswered() const;
    // Why the server did not take the settings; empty while it did.
    const std::string& SettingsRefusal() const { return refusal_; }

    // kMs* bits of the last modem-state notification.
    uint32_t ModemState() const { return modemState_; }
    // Line events (kEv*) and line errors (kCe*) notified since taken last.
    uint32_t TakeEvents();
    uint32_t TakeErrors();

private:
    enum class Agreement : uint8_t { Asked, Yes, No };
    // The settings by their command: baud rate, data size, parity, stop size.
    static constexpr size_t kSettings = 4;

    void Handle(const telnet::Command& command, std::vector<uint8_t>& replies);
    void HandleComPort(const std::vector<uint8_t>& payload);
    void Answered(size_t setting, uint32_t value);

    telnet::TelnetParser parser_;
    std::vector<telnet::Command> commands_;
    Agreement comPort_ = Agreement::Asked;
    std::array<std::optional<uint32_t>, kSettings> awaited_{};
    std::string refusal_;
    std::array<bool, 256> refusedWill_{}; // a WILL of the server's we answered with DONT
    std::array<bool, 256> refusedDo_{};   // a DO we answered with WONT
    uint32_t modemState_ = 0;
    uint32_t events_ = 0;
    uint32_t errors_ = 0;
};

} // namespace serial
