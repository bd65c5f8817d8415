// The Telnet stream of a serial device server, as it may arrive: each case
// is fed in every split into two reads (and byte by byte), and must give
// the same data and commands as in one piece.

#include "serial/com_port_client.h"
#include "serial/net_port_name.h"
#include "serial/telnet_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace serial;
using namespace serial::telnet;

namespace {

using Bytes = std::vector<uint8_t>;

struct Parsed {
    Bytes data;
    std::vector<Command> commands;
};

// Feeds `stream` in pieces that end at the given offsets.
Parsed Feed(const Bytes& stream, const std::vector<size_t>& cuts)
{
    TelnetParser parser;
    Parsed parsed;
    size_t from = 0;
    std::vector<size_t> ends = cuts;
    ends.push_back(stream.size());
    for (size_t end : ends) {
        Bytes data(end - from);
        const size_t n =
            parser.Feed(stream.data() + from, end - from, data.data(), parsed.commands);
        parsed.data.insert(parsed.data.end(), data.begin(), data.begin() + n);
        from = end;
    }
    return parsed;
}

Command Sub(uint8_t option, Bytes payload) { return {Command::Subnegotiation, option, payload}; }

struct Case {
    const char* name;
    Bytes stream;
    Bytes data;
    std::vector<Command> commands;
};

} // namespace

TEST(TelnetParser, DataAndCommandsComeOutTheSameHoweverTheStreamIsSplit)
{
    const Bytes longPayload(TelnetParser::kMaxPayload + 1, 0x41);
    Bytes tooLong = {kIac, kSb, kOptionComPort};
    tooLong.insert(tooLong.end(), longPayload.begin(), longPayload.end());
    tooLong.insert(tooLong.end(), {kIac, kSe, 0x07});
    const Case cases[] = {
        {"plain data", {0xAA, 0x10, 0x00}, {0xAA, 0x10, 0x00}, {}},
        {"escaped IAC is one data byte", {0x01, kIac, kIac, 0x02}, {0x01, 0xFF, 0x02}, {}},
        {"two escapes in a row", {kIac, kIac, kIac, kIac}, {0xFF, 0xFF}, {}},
        {"option requests, known and unknown",
         {kIac, kWill, 1, 0x05, kIac, kDo, kOptionComPort, kIac, kDont, 200, kIac, kWont, 24},
         {0x05},
         {{Command::Will, 1, {}},
          {Command::Do, kOptionComPort, {}},
          {Command::Dont, 200, {}},
          {Command::Wont, 24, {}}}},
        {"baud rate answer between data",
         {0x31, kIac, kSb, kOptionComPort, 101, 0, 0, 0x4B, 0, kIac, kSe, 0x32},
         {0x31, 0x32},
         {Sub(kOptionComPort, {101, 0, 0, 0x4B, 0})}},
        {"escaped IAC inside a subnegotiation",
         {kIac, kSb, kOptionComPort, 101, 0, 0, kIac, kIac, kIac, kSe},
         {},
         {Sub(kOptionComPort, {101, 0, 0, 0xFF})}},
        {"unknown option's subnegotiation and NOP",
         {kIac, kSb, 99, 1, 2, kIac, kSe, kIac, 241},
         {},
         {Sub(99, {1, 2}), {Command::Other, 241, {}}}},
        {"subnegotiation cut short by a command",
         {kIac, kSb, kOptionComPort, 101, 0, kIac, kWill, 3, 0x09},
         {0x09},
         {{Command::Will, 3, {}}}},
        {"too long subnegotiation is dropped whole", tooLong, {0x07}, {}},
        {"truncated at the end: nothing yet",
         {0x01, kIac, kSb, kOptionComPort, 107, 0x80},
         {0x01},
         {}},
    };
    for (const Case& c : cases) {
        const Parsed whole = Feed(c.stream, {});
        EXPECT_EQ(whole.data, c.data) << c.name;
        EXPECT_EQ(whole.commands, c.commands) << c.name;
        for (size_t cut = 1; cut < c.stream.size(); ++cut) {
            const Parsed split = Feed(c.stream, {cut});
            EXPECT_EQ(split.data, c.data) << c.name << ", split at " << cut;
            EXPECT_EQ(split.commands, c.commands) << c.name << ", split at " << cut;
        }
        std::vector<size_t> everyByte;
        for (size_t cut = 1; cut < c.stream.size(); ++cut)
            everyByte.push_back(cut);
        EXPECT_EQ(Feed(c.stream, everyByte).commands, c.commands) << c.name << ", byte by byte";
    }
}

TEST(TelnetParser, StaysInsideACommandUntilItEnds)
{
    TelnetParser parser;
    std::vector<Command> commands;
    uint8_t data[8];
    const uint8_t start[] = {kIac, kSb, kOptionComPort, 107};
    parser.Feed(start, sizeof start, data, commands);
    EXPECT_TRUE(parser.InsideCommand());
    const uint8_t end[] = {0x30, kIac, kSe};
    parser.Feed(end, sizeof end, data, commands);
    EXPECT_FALSE(parser.InsideCommand());
    EXPECT_EQ(commands, std::vector<Command>{Sub(kOptionComPort, {107, 0x30})});
}

namespace {

Bytes Answer(std::initializer_list<uint8_t> payload)
{
    Bytes bytes = {kIac, kSb, kOptionComPort};
    for (uint8_t b : payload) {
        bytes.push_back(b);
        if (b == kIac)
            bytes.push_back(kIac);
    }
    bytes.insert(bytes.end(), {kIac, kSe});
    return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// What the client made of a server's stream after asking for `line`.
struct Outcome {
    Bytes data;
    Bytes replies;
};

Outcome Serve(ComPortClient& client, const Bytes& stream)
{
    Outcome outcome;
    outcome.data.resize(stream.size());
    outcome.data.resize(
        client.Receive(stream.data(), stream.size(), outcome.data.data(), outcome.replies));
    return outcome;
}

const Bytes kAgree = {kIac, kDo, kOptionComPort};
const Bytes kAnswers9600 =
    Concat({Answer({101, 0, 0, 0x25, 0x80}), Answer({102, 8}), Answer({103, 1}), Answer({104, 1})});

} // namespace

TEST(ComPortClient, SettingsRequestCarriesTheLineAndItsAnswersAreChecked)
{
    LineSettings line;
    line.baudRate = 9600;
    struct Case {
        const char* name;
        Bytes stream;
        bool accepted;
        bool refused;
        bool answered;
        std::string refusal;
    } cases[] = {
        {"agreed and answered", Concat({kAgree, kAnswers9600}), true, false, true, ""},
        {"option refused", {kIac, kDont, kOptionComPort}, false, true, false, ""},
        {"rate changed by the server",
         Concat({kAgree, Answer({101, 0, 0, 0x4B, 0x00}), Answer({102, 8}), Answer({103, 1}),
                 Answer({104, 1})}),
         true, false, true, "the server set the baud rate to 19200 instead of 9600"},
        {"parity changed",
         Concat({kAgree, Answer({101, 0, 0, 0x25, 0x80}), Answer({102, 8}), Answer({103, 3}),
                 Answer({104, 1})}),
         true, false, true, "the server set the parity to 3 instead of 1"},
        {"answers still missing", Concat({kAgree, Answer({101, 0, 0, 0x25, 0x80})}), true, false,
         false, ""},
        {"malformed answer ignored", Concat({kAgree, Answer({101, 0x25, 0x80}), Answer({102, 8})}),
         true, false, false, ""},
    };
    for (const Case& c : cases) {
        ComPortClient client;
        const Bytes request = client.SettingsRequest(line);
        // SET-BAUDRATE 9600 first, big-endian.
        ASSERT_GE(request.size(), 10u);
        EXPECT_EQ(Bytes(request.begin(), request.begin() + 10),
                  (Bytes{kIac, kSb, kOptionComPort, 1, 0, 0, 0x25, 0x80, kIac, kSe}));
        Serve(client, c.stream);
        EXPECT_EQ(client.ComPortAccepted(), c.accepted) << c.name;
        EXPECT_EQ(client.ComPortRefused(), c.refused) << c.name;
        EXPECT_EQ(client.SettingsAnswered(), c.answered) << c.name;
        EXPECT_EQ(client.SettingsRefusal(), c.refusal) << c.name;
    }
}

TEST(ComPortClient, EscapesIacInsideTheRequestValue)
{
    ComPortClient client;
    LineSettings line;
    line.baudRate = 0x0001C2FF; // not a real rate: its last byte is IAC
    const Bytes request = client.SettingsRequest(line);
    EXPECT_EQ(Bytes(request.begin(), request.begin() + 11),
              (Bytes{kIac, kSb, kOptionComPort, 1, 0, 1, 0xC2, kIac, kIac, kIac, kSe}));
    Serve(client, Concat({kAgree, Answer({101, 0, 1, 0xC2, 0xFF}), Answer({102, 8}),
                          Answer({103, 1}), Answer({104, 1})}));
    EXPECT_TRUE(client.SettingsAnswered());
    EXPECT_EQ(client.SettingsRefusal(), "");
}

TEST(ComPortClient, UnknownOptionsAreRefusedOnceAndDataPassesUnescaped)
{
    ComPortClient client;
    const Bytes stream = {
        kIac, kWill, kOptionEcho, 0x41,          kIac,        kIac,  kIac,
        kDo,  24,    kIac,        kWill,         kOptionEcho, kIac,  kDo,
        24,   kIac,  kDo,         kOptionBinary, kIac,        kWill, kOptionSuppressGoAhead,
        0x42};
    const Outcome outcome = Serve(client, stream);
    EXPECT_EQ(outcome.data, (Bytes{0x41, 0xFF, 0x42}));
    EXPECT_EQ(outcome.replies, (Bytes{kIac, kDont, kOptionEcho, kIac, kWont, 24}));
}

TEST(ComPortClient, NotificationsGiveModemStateLineEventsAndErrors)
{
    ComPortClient client;
    struct Step {
        Bytes stream;
        uint32_t modem;
        uint32_t events;
        uint32_t errors;
    } steps[] = {
        // Carrier came on (with its delta bit), CTS and DSR on.
        {Answer({107, 0x80 | 0x20 | 0x10 | 0x08}), kMsRlsdOn | kMsDsrOn | kMsCtsOn, kEvRlsd, 0},
        // Ring came on.
        {Answer({107, 0x80 | 0x40 | 0x20 | 0x10}), kMsRlsdOn | kMsRingOn | kMsDsrOn | kMsCtsOn,
         kEvRing, 0},
        // Ring still on: no new event.
        {Answer({107, 0x80 | 0x40}), kMsRlsdOn | kMsRingOn, 0, 0},
        // Parity and framing errors, and a break; data ready alone is nothing.
        {Answer({106, 0x04 | 0x08 | 0x10}), kMsRlsdOn | kMsRingOn, kEvErr,
         kCeRxParity | kCeFrame | kCeBreak},
        {Answer({106, 0x01}), kMsRlsdOn | kMsRingOn, 0, 0},
        // Carrier dropped without a delta bit still counts.
        {Answer({107, 0x00}), 0, kEvRlsd, 0},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        Serve(client, steps[i].stream);
        EXPECT_EQ(client.ModemState(), steps[i].modem) << "step " << i;
        EXPECT_EQ(client.TakeEvents(), steps[i].events) << "step " << i;
        EXPECT_EQ(client.TakeErrors(), steps[i].errors) << "step " << i;
    }
}

TEST(ComPortClient, PurgeMapsToTheOptionsPurge)
{
    EXPECT_EQ(ComPortClient::PurgeRequest(kPurgeRxClear | kPurgeTxClear),
              (Bytes{kIac, kSb, kOptionComPort, 12, 3, kIac, kSe}));
    EXPECT_EQ(ComPortClient::PurgeRequest(kPurgeRxAbort | kPurgeRxClear),
              (Bytes{kIac, kSb, kOptionComPort, 12, 1, kIac, kSe}));
    EXPECT_EQ(ComPortClient::PurgeRequest(kPurgeTxClear),
              (Bytes{kIac, kSb, kOptionComPort, 12, 2, kIac, kSe}));
    EXPECT_TRUE(ComPortClient::PurgeRequest(kPurgeTxAbort).empty());
}

TEST(NetPortName, UrlsGiveKindHostAndPort)
{
    using Kind = NetPortAddress::Kind;
    struct Case {
        const char* name;
        bool network;
        bool valid;
        Kind kind;
        const char* host;
        const char* port;
    } cases[] = {
        {"rfc2217://127.0.0.1:2217", true, true, Kind::Rfc2217, "127.0.0.1", "2217"},
        {"RFC2217://scale-7.plant:4001/", true, true, Kind::Rfc2217, "scale-7.plant", "4001"},
        {"socket://[::1]:7000", true, true, Kind::RawSocket, "::1", "7000"},
        {"socket://host:0", true, false, Kind::RawSocket, "", ""},
        {"socket://host:65536", true, false, Kind::RawSocket, "", ""},
        {"socket://host", true, false, Kind::RawSocket, "", ""},
        {"socket://::1:7000", true, false, Kind::RawSocket, "", ""},
        {"rfc2217://:2217", true, false, Kind::RawSocket, "", ""},
        {"rfc2217://a b:1", true, false, Kind::RawSocket, "", ""},
        {"/dev/ttyUSB0", false, false, Kind::RawSocket, "", ""},
        {"COM3", false, false, Kind::RawSocket, "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsNetworkPortName(c.name), c.network) << c.name;
        const auto address = ParseNetPortName(c.name);
        ASSERT_EQ(address.has_value(), c.valid) << c.name;
        if (!address)
            continue;
        EXPECT_EQ(address->kind, c.kind) << c.name;
        EXPECT_EQ(address->host, c.host) << c.name;
        EXPECT_EQ(address->port, c.port) << c.name;
    }
}
