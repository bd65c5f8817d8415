// TComm on a port behind a serial device server, against a scripted server
// in the test: the cases a real server (ser2net, tests/cli and
// tests/session) does not produce on request: a refused or changed line
// setting, every byte value split at awkward places, modem notifications,
// a refused connection, the server going away.

#include "comm_events.h"
#include "post_queue.h"
#include "serial/comm.h"
#include "serial/telnet_parser.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

using namespace serial;
using namespace serial::telnet;
using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Escaped(const Bytes& data)
{
    Bytes out;
    for (uint8_t b : data) {
        out.push_back(b);
        if (b == kIac)
            out.push_back(kIac);
    }
    return out;
}

Bytes ComPort(std::initializer_list<uint8_t> payload)
{
    Bytes out = {kIac, kSb, kOptionComPort};
    const Bytes value = Escaped(payload);
    out.insert(out.end(), value.begin(), value.end());
    out.insert(out.end(), {kIac, kSe});
    return out;
}

// One client at a time on a port of 127.0.0.1; a thread runs the script
// for the connection, the test reads what the server made of it.
class ScriptedServer {
public:
    // How the server answers a SET-xxx of the COM port option (the payload
    // as received); the default echoes it as the option says.
    using Answer = std::function<Bytes(const Bytes& payload)>;

    ScriptedServer()
    {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 1);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~ScriptedServer()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        if (client_ >= 0)
            close(client_);
        close(listener_);
    }

    std::string Url(const char* scheme) const
    {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_);
    }

    // Serves one connection: agrees to the option (or not) and answers the
    // settings through `answer`.
    // `telnet` false: a raw server, whose bytes are all data.
    void Serve(bool agree, Answer answer = {}, bool telnet = true)
    {
        thread_ = std::thread([this, agree, answer, telnet] {
            pollfd p{listener_, POLLIN, 0};
            while (!stop_ && poll(&p, 1, 50) == 0) { }
            if (stop_)
                return;
            client_ = accept(listener_, nullptr, nullptr);
            TelnetParser parser;
            uint8_t in[4096], data[4096];
            while (!stop_) {
                pollfd c{client_, POLLIN, 0};
                if (poll(&c, 1, 50) <= 0)
                    continue;
                const ssize_t n = recv(client_, in, sizeof in, 0);
                if (n <= 0)
                    return;
                std::vector<Command> commands;
                const size_t got = telnet ? parser.Feed(in, static_cast<size_t>(n), data, commands)
                                          : static_cast<size_t>(n);
                if (!telnet)
                    std::copy_n(in, n, data);
                std::lock_guard lock(mutex_);
                received_.insert(received_.end(), data, data + got);
                for (const Command& command : commands) {
                    if (command.kind == Command::Will && command.option == kOptionComPort)
                        SendLocked({kIac, agree ? kDo : kDont, kOptionComPort});
                    if (command.kind == Command::Subnegotiation &&
                        command.option == kOptionComPort && !command.payload.empty()) {
                        requests_.push_back(command.payload);
                        Bytes reply = answer ? answer(command.payload) : command.payload;
                        if (!reply.empty()) {
                            reply[0] = static_cast<uint8_t>(reply[0] + 100);
                            Bytes out = {kIac, kSb, kOptionComPort};
                            const Bytes value = Escaped(reply);
                            out.insert(out.end(), value.begin(), value.end());
                            out.insert(out.end(), {kIac, kSe});
                            SendLocked(out);
                        }
                    }
                }
                // Whoever waits for what came looks again.
                arrived_.notify_all();
            }
        });
    }

    void Send(const Bytes& bytes)
    {
        std::lock_guard lock(mutex_);
        SendLocked(bytes);
    }
    void Disconnect()
    {
        std::lock_guard lock(mutex_);
        shutdown(client_, SHUT_RDWR);
    }
    Bytes Received()
    {
        std::lock_guard lock(mutex_);
        return received_;
    }
    std::vector<Bytes> Requests()
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    // Waits until `done` holds of the data and the option requests received
    // so far, woken by each arrival; false when it has not within 10 s.
    bool WaitFor(
        const std::function<bool(const Bytes& received, const std::vector<Bytes>& requests)>& done)
    {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, 10s, [&] { return done(received_, requests_); });
    }
    bool Connected() const { return client_ >= 0; }

private:
    void SendLocked(const Bytes& bytes)
    {
        [[maybe_unused]] ssize_t n = send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }

    int listener_ = -1;
    std::atomic<int> client_{-1};
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    Bytes received_;
    std::vector<Bytes> requests_;
};

// The baud rates the server was asked for, in order.
std::vector<uint32_t> BaudRequests(const std::vector<Bytes>& requests)
{
    std::vector<uint32_t> rates;
    for (const Bytes& r : requests) {
        if (r.size() == 5 && r[0] == 1)
            rates.push_back(uint32_t(r[1]) << 24 | uint32_t(r[2]) << 16 | uint32_t(r[3]) << 8 |
                            r[4]);
    }
    return rates;
}

struct NetPort : ::testing::Test {
    PostQueue queue;
    TComm comm{queue.Poster()};
    CommEvents events;
    ScriptedServer server;

    void SetUp() override
    {
        events.Attach(comm);
        comm.SetReadIntervalTimeout(kMaxTimeout);
        comm.SetReadTotalTimeoutMultiplier(kMaxTimeout);
        comm.SetOutx_XonXoffFlow(false);
        comm.SetInx_XonXoffFlow(false);
    }
};

} // namespace

TEST_F(NetPort, Rfc2217CarriesEveryByteValueBothWaysAndSetsTheLine)
{
    server.Serve(true);
    comm.SetCommName(server.Url("rfc2217"));
    comm.SetBaudRate(19200);
    ASSERT_EQ(comm.StartComm(), 1) << comm.LastOpenReason();
    EXPECT_NE(comm.Handle(), 0u);
    EXPECT_EQ(BaudRequests(server.Requests()), std::vector<uint32_t>{19200});

    const Bytes pattern = Pattern(1024);
    ASSERT_TRUE(comm.WriteCommData(pattern.data(), static_cast<uint16_t>(pattern.size())));
    ASSERT_TRUE(server.WaitFor(
        [&](const Bytes& received, const auto&) { return received.size() >= pattern.size(); }));
    EXPECT_EQ(server.Received(), pattern);

    // From the server, cut right after each IAC of an escape.
    const Bytes escaped = Escaped(pattern);
    size_t from = 0;
    for (size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == kIac && i + 1 < escaped.size() && escaped[i + 1] == kIac) {
            server.Send(Bytes(escaped.begin() + from, escaped.begin() + i + 1));
            from = i + 1;
        }
    }
    server.Send(Bytes(escaped.begin() + from, escaped.end()));
    ASSERT_TRUE(queue.RunUntil([&] { return events.ByteCount() >= pattern.size(); }));
    EXPECT_EQ(events.Bytes(), pattern);

    // A change while open goes to the server at once.
    comm.SetBaudRate(38400);
    ASSERT_TRUE(server.WaitFor([](const Bytes&, const std::vector<Bytes>& requests) {
        return BaudRequests(requests).size() == 2;
    }));
    EXPECT_EQ(BaudRequests(server.Requests()).back(), 38400u);

    // Carrier on: a modem event, and the modem state shows it.
    server.Send(ComPort({107, 0x80 | 0x10 | 0x08}));
    ASSERT_TRUE(
        queue.RunUntil([&] { return !events.order.empty() && events.order.back() == "modem 8"; }));
    EXPECT_EQ(comm.GetModemState(), kMsRlsdOn | kMsCtsOn);
    EXPECT_EQ(events.hangups, 0);
    comm.StopComm();
}

TEST_F(NetPort, AServerThatRefusesOrChangesTheLineFailsTheOpenWithTheReason)
{
    struct Case {
        const char* name;
        bool agree;
        ScriptedServer::Answer answer;
        std::string reason;
    } cases[] = {
        {"option refused", false, {}, "the server refused the COM port option (RFC 2217)"},
        {"rate changed", true,
         [](const Bytes& payload) {
             return payload[0] == 1 ? Bytes{1, 0, 0, 0x25, 0x80} : payload;
         },
         "the server set the baud rate to 9600 instead of 19200"},
        {"two stop bits", true,
         [](const Bytes& payload) {
             return payload[0] == 4 ? Bytes{4, 2} : payload;
         },
         "the server set the stop bits to 2 instead of 1"},
    };
    for (const Case& c : cases) {
        ScriptedServer refusing;
        refusing.Serve(c.agree, c.answer);
        comm.SetCommName(refusing.Url("rfc2217"));
        comm.SetBaudRate(19200);
        EXPECT_EQ(comm.StartComm(), -1) << c.name;
        EXPECT_EQ(comm.LastOpenRefusal(), OpenRefusal::LineSettingsRefused) << c.name;
        EXPECT_EQ(comm.LastOpenReason(), c.reason) << c.name;
        EXPECT_EQ(comm.Handle(), 0u) << c.name;
    }
}

TEST_F(NetPort, RawSocketPassesBytesUnchangedAndALostServerIsAHangup)
{
    server.Serve(true, {}, false);
    comm.SetCommName(server.Url("socket"));
    ASSERT_EQ(comm.StartComm(), 1);
    // No Telnet: an 0xFF goes out as it is, and no settings are sent.
    const Bytes bytes = {0xAA, 0xFF, 0x01};
    ASSERT_TRUE(comm.WriteCommData(bytes.data(), 3));
    ASSERT_TRUE(
        server.WaitFor([](const Bytes& received, const auto&) { return received.size() >= 3; }));
    EXPECT_EQ(server.Received(), (Bytes{0xAA, 0xFF, 0x01}));
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(comm.GetModemState(), 0u);

    server.Disconnect();
    ASSERT_TRUE(queue.RunUntil([&] { return events.hangups > 0; }));
    comm.StopComm();
}

TEST_F(NetPort, NothingListeningOrAMalformedAddressIsAnOpenFailure)
{
    std::string url;
    {
        ScriptedServer gone; // its port, once it has closed, refuses
        url = gone.Url("rfc2217");
    }
    const struct Case {
        std::string name;
        OpenRefusal refusal;
    } cases[] = {
        {url, OpenRefusal::ConnectionRefused},
        {"rfc2217://127.0.0.1", OpenRefusal::Absent},
        {"socket://127.0.0.1:99999", OpenRefusal::Absent},
    };
    for (const Case& c : cases) {
        comm.SetCommName(c.name);
        EXPECT_EQ(comm.StartComm(), -1) << c.name;
        EXPECT_EQ(comm.LastOpenRefusal(), c.refusal) << c.name;
        EXPECT_FALSE(comm.LastOpenReason().empty()) << c.name;
    }
}
