#include "serial/telnet_parser.h"

namespace serial::telnet {

// The byte after an IAC outside a subnegotiation.
void TelnetParser::Command(uint8_t byte, std::vector<telnet::Command>& commands)
{
    switch (byte) {
    case kWill:
    case kWont:
    case kDo:
    case kDont:
        optionKind_ = byte == kWill   ? telnet::Command::Will
                      : byte == kWont ? telnet::Command::Wont
                      : byte == kDo   ? telnet::Command::Do
                                      : telnet::Command::Dont;
        state_ = State::Option;
        return;
    case kSb:
        state_ = State::SbOption;
        return;
    default: // NOP, BRK, a stray SE ...: nothing follows
        commands.push_back({telnet::Command::Other, byte, {}});
        state_ = State::Data;
        return;
    }
}

size_t TelnetParser::Feed(const uint8_t* bytes, size_t count, uint8_t* data,
                          std::vector<telnet::Command>& commands)
{
    size_t out = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t byte = bytes[i];
        switch (state_) {
        case State::Data:
            if (byte == kIac)
                state_ = State::Iac;
            else
                data[out++] = byte;
            break;
        case State::Iac:
            if (byte == kIac) {
                data[out++] = byte;
                state_ = State::Data;
            } else {
                Command(byte, commands);
            }
            break;
        case State::Option:
            commands.push_back({optionKind_, byte, {}});
            state_ = State::Data;
            break;
        case State::SbOption:
            sbOption_ = byte;
            sbPayload_.clear();
            sbTooLong_ = false;
            state_ = State::SbPayload;
            break;
        case State::SbPayload:
            if (byte == kIac) {
                state_ = State::SbIac;
            } else if (sbPayload_.size() < kMaxPayload) {
                sbPayload_.push_back(byte);
            } else {
                sbTooLong_ = true;
            }
            break;
        case State::SbIac:
            if (byte == kIac) {
                if (sbPayload_.size() < kMaxPayload)
                    sbPayload_.push_back(byte);
                else
                    sbTooLong_ = true;
                state_ = State::SbPayload;
            } else if (byte == kSe) {
                if (!sbTooLong_)
                    commands.push_back({telnet::Command::Subnegotiation, sbOption_, sbPayload_});
                state_ = State::Data;
            } else {
                // A command inside the subnegotiation: it was cut short. It
                // is dropped and the command taken as it stands.
                Command(byte, commands);
            }
            break;
        }
    }
    return out;
}

} // namespace serial::telnet
