#include "serial/com_port_client.h"

namespace serial {

using namespace telnet;

namespace {

// Commands of the option, client to server; the server answers each with
// the command plus 100.
constexpr uint8_t kSetBaudRate = 1;
constexpr uint8_t kSetDataSize = 2;
constexpr uint8_t kSetParity = 3;
constexpr uint8_t kSetStopSize = 4;
constexpr uint8_t kSetControl = 5;
constexpr uint8_t kNotifyLineState = 6;
constexpr uint8_t kNotifyModemState = 7;
constexpr uint8_t kSetLineStateMask = 10;
constexpr uint8_t kPurgeData = 12;
constexpr uint8_t kServerOffset = 100;

// Line-state bits.
constexpr uint8_t kLineOverrun = 0x02;
constexpr uint8_t kLineParity = 0x04;
constexpr uint8_t kLineFraming = 0x08;
constexpr uint8_t kLineBreak = 0x10;
// Modem-state bits: the high four are the lines (as kMs*), the low four
// what changed.
constexpr uint8_t kModemDeltaCd = 0x08;
constexpr uint8_t kModemRi = 0x40;

const char* const kSettingNames[] = {"baud rate", "data bits", "parity", "stop bits"};

void AppendSubnegotiation(std::vector<uint8_t>& out, uint8_t command,
                          std::initializer_list<uint8_t> value)
{
    out.insert(out.end(), {kIac, kSb, kOptionComPort, command});
    for (uint8_t byte : value) {
        out.push_back(byte);
        if (byte == kIac)
            out.push_back(kIac);
    }
    out.insert(out.end(), {kIac, kSe});
}

uint8_t ParityCode(Parity parity)
{
    switch (parity) {
    case Parity::None:
        return 1;
    case Parity::Odd:
        return 2;
    case Parity::Even:
        return 3;
    case Parity::Mark:
        return 4;
    case Parity::Space:
        return 5;
    }
    return 1;
}

uint8_t StopCode(StopBits stop)
{
    switch (stop) {
    case StopBits::One:
        return 1;
    case StopBits::Two:
        return 2;
    case StopBits::OneAndAHalf:
        return 3;
    }
    return 1;
}

bool SupportedHere(uint8_t option)
{
    return option == kOptionBinary || option == kOptionSuppressGoAhead || option == kOptionComPort;
}

bool SupportedThere(uint8_t option)
{
    return option == kOptionBinary || option == kOptionSuppressGoAhead;
}

} // namespace

std::vector<uint8_t> ComPortClient::Greeting()
{
    return {kIac, kWill, kOptionBinary,          kIac, kDo, kOptionBinary,
            kIac, kWill, kOptionSuppressGoAhead, kIac, kDo, kOptionSuppressGoAhead,
            kIac, kWill, kOptionComPort};
}

std::vector<uint8_t> ComPortClient::SettingsRequest(const LineSettings& line)
{
    std::vector<uint8_t> out;
    const uint32_t baud = line.baudRate;
    const uint8_t values[kSettings] = {0, line.dataBits, ParityCode(line.parity),
                                       StopCode(line.stopBits)};
    AppendSubnegotiation(out, kSetBaudRate,
                         {static_cast<uint8_t>(baud >> 24), static_cast<uint8_t>(baud >> 16),
                          static_cast<uint8_t>(baud >> 8), static_cast<uint8_t>(baud)});
    AppendSubnegotiation(out, kSetDataSize, {values[1]});
    AppendSubnegotiation(out, kSetParity, {values[2]});
    AppendSubnegotiation(out, kSetStopSize, {values[3]});
    awaited_ = {baud, values[1], values[2], values[3]};
    refusal_.clear();
    // Flow control, each direction as a local port has it (an XON received
    // is data unless output flow control is on), and the modem outputs.
    // Their answers are not checked: a local port ignores what the driver
    // cannot do.
    const bool hardwareOut = line.ctsFlow || line.rts == RtsMode::Handshake;
    const uint8_t outbound = hardwareOut ? 3 : line.xonXoff.output ? 2 : 1;
    const uint8_t inbound = line.rts == RtsMode::Handshake ? 16 : line.xonXoff.input ? 15 : 14;
    AppendSubnegotiation(out, kSetControl, {outbound});
    AppendSubnegotiation(out, kSetControl, {inbound});
    AppendSubnegotiation(out, kSetControl,
                         {static_cast<uint8_t>(line.dtr == DtrMode::Off ? 9 : 8)});
    if (line.rts != RtsMode::Handshake)
        AppendSubnegotiation(out, kSetControl,
                             {static_cast<uint8_t>(line.rts == RtsMode::Off ? 12 : 11)});
    // Line errors and breaks are notified; modem lines are by default.
    AppendSubnegotiation(out, kSetLineStateMask,
                         {kLineOverrun | kLineParity | kLineFraming | kLineBreak});
    return out;
}

std::vector<uint8_t> ComPortClient::PurgeRequest(uint32_t flags)
{
    const bool input = flags & kPurgeRxClear;
    const bool output = flags & kPurgeTxClear;
    std::vector<uint8_t> out;
    if (input || output)
        AppendSubnegotiation(out, kPurgeData,
                             {static_cast<uint8_t>(input && output ? 3
                                                   : input         ? 1
                                                                   : 2)});
    return out;
}

size_t ComPortClient::Receive(const uint8_t* bytes, size_t count, uint8_t* data,
                              std::vector<uint8_t>& replies)
{
    commands_.clear();
    const size_t n = parser_.Feed(bytes, count, data, commands_);
    for (const Command& command : commands_)
        Handle(command, replies);
    return n;
}

void ComPortClient::Handle(const Command& command, std::vector<uint8_t>& replies)
{
    const uint8_t option = command.option;
    switch (command.kind) {
    case Command::Do:
        if (option == kOptionComPort)
            comPort_ = Agreement::Yes;
        else if (!SupportedHere(option) && !refusedDo_[option]) {
            refusedDo_[option] = true;
            replies.insert(replies.end(), {kIac, kWont, option});
        }
        break;
    case Command::Dont:
        if (option == kOptionComPort)
            comPort_ = Agreement::No;
        break;
    case Command::Will:
        if (!SupportedThere(option) && !refusedWill_[option]) {
            refusedWill_[option] = true;
            replies.insert(replies.end(), {kIac, kDont, option});
        }
        break;
    case Command::Subnegotiation:
        if (option == kOptionComPort)
            HandleComPort(command.payload);
        break;
    case Command::Wont:
    case Command::Other:
        break;
    }
}

void ComPortClient::HandleComPort(const std::vector<uint8_t>& payload)
{
    if (payload.empty() || payload[0] < kServerOffset)
        return;
    const uint8_t command = payload[0] - kServerOffset;
    const size_t size = payload.size() - 1;
    const uint8_t* value = payload.data() + 1;
    switch (command) {
    case kSetBaudRate:
        if (size == 4)
            Answered(0, uint32_t(value[0]) << 24 | uint32_t(value[1]) << 16 |
                            uint32_t(value[2]) << 8 | value[3]);
        break;
    case kSetDataSize:
    case kSetParity:
    case kSetStopSize:
        if (size == 1)
            Answered(command - kSetBaudRate, value[0]);
        break;
    case kNotifyLineState:
        if (size == 1) {
            const uint32_t errors = ((value[0] & kLineOverrun) ? kCeOverrun : 0) |
                                    ((value[0] & kLineParity) ? kCeRxParity : 0) |
                                    ((value[0] & kLineFraming) ? kCeFrame : 0) |
                                    ((value[0] & kLineBreak) ? kCeBreak : 0);
            errors_ |= errors;
            if (errors)
                events_ |= kEvErr;
        }
        break;
    case kNotifyModemState:
        if (size == 1) {
            const uint32_t was = modemState_;
            modemState_ = value[0] & 0xF0; // the same bits as kMs*
            if ((value[0] & kModemDeltaCd) || ((was ^ modemState_) & kMsRlsdOn))
                events_ |= kEvRlsd;
            if ((value[0] & kModemRi) && !(was & kMsRingOn))
                events_ |= kEvRing;
        }
        break;
    default:
        break;
    }
}

void ComPortClient::Answered(size_t setting, uint32_t value)
{
    std::optional<uint32_t>& awaited = awaited_[setting];
    if (!awaited)
        return; // not asked, or answered already
    if (*awaited != value && refusal_.empty())
        refusal_ = std::string("the server set the ") + kSettingNames[setting] + " to " +
                   std::to_string(value) + " instead of " + std::to_string(*awaited);
    awaited.reset();
}

bool ComPortClient::SettingsAnswered() const
{
    for (const std::optional<uint32_t>& awaited : awaited_) {
        if (awaited)
            return false;
    }
    return true;
}

uint32_t ComPortClient::TakeEvents()
{
    const uint32_t events = events_;
    events_ = 0;
    return events;
}

uint32_t ComPortClient::TakeErrors()
{
    const uint32_t errors = errors_;
    errors_ = 0;
    return errors;
}

} // namespace serial
