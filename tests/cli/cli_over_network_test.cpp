// scale-cli on a controller behind a serial device server: ser2net in front
// of scale-sim's pty, reached as rfc2217://127.0.0.1:PORT (the line
// settings go to the server) and as socket://127.0.0.1:PORT (raw TCP). Each
// case gives the same exit code, output and frames as over the local pty.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <vector>

#include "cli_target.h"
#include "ser2net_process.h"
#include "wait_until.h"

using namespace std::chrono_literals;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

enum class Transport { Rfc2217, Socket };

struct CliOutcome {
    int exitCode = -1;
    std::string output;
    std::string errors;
    std::vector<std::string> frames; // the clock frame cut to its code
};

// What differs between two runs whatever the port: the time of a snapshot
// and the port's name.
std::string Comparable(std::string output)
{
    output = std::regex_replace(output, std::regex("\"taken_at\": \"[^\"]*\""), "\"taken_at\"");
    return std::regex_replace(output, std::regex("\"port\": \"[^\"]*\""), "\"port\"");
}

CliOutcome RunOn(e2e::SimProcess& sim, const std::string& port,
                 const std::vector<std::string>& arguments,
                 const std::vector<std::string>& settings)
{
    for (const std::string& setting : settings)
        EXPECT_EQ(sim.Command(setting), "ok") << setting;
    const cli_target::CliRun cli = cli_target::RunCli(port, arguments);
    CliOutcome run{cli.exitCode, Comparable(cli.output), cli.errors, {}};
    for (std::string frame : sim.ReceivedFrames())
        run.frames.push_back(frame.rfind("AA 01 F7", 0) == 0 ? "AA 01 F7" : frame);
    return run;
}

struct Case {
    const char* name;
    std::vector<std::string> arguments;
    std::vector<std::string> simulator;
};

const Case kCases[] = {
    {"params", {"params"}, {"range 750"}},
    {"set_range", {"set", "range", "30"}, {}},
    {"snapshot", {"snapshot"}, {"records 3"}},
    {"refused_setting", {"set", "range", "30"}, {"refuse F5"}},
    {"json_version", {"--json", "version"}, {}},
};

class CliOverNetwork : public ::testing::TestWithParam<std::tuple<Transport, Case>> { };

} // namespace

TEST_P(CliOverNetwork, GivesTheSameResultAsOverThePty)
{
    const auto& [transport, c] = GetParam();
    const auto local = cli_target::StartSimulator();
    const CliOutcome expected = RunOn(*local, local->PortPath(), c.arguments, c.simulator);

    const auto remote = cli_target::StartSimulator();
    e2e::Ser2NetProcess server(remote->PortPath());
    const std::string url =
        transport == Transport::Rfc2217 ? server.Rfc2217Url() : server.SocketUrl();
    const CliOutcome actual = RunOn(*remote, url, c.arguments, c.simulator);

    EXPECT_EQ(actual.exitCode, expected.exitCode) << actual.errors;
    EXPECT_EQ(actual.output, expected.output);
    EXPECT_EQ(actual.frames, expected.frames);
    if (expected.exitCode == 0) {
        EXPECT_THAT(actual.errors, IsEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ser2Net, CliOverNetwork,
    ::testing::Combine(::testing::Values(Transport::Rfc2217, Transport::Socket),
                       ::testing::ValuesIn(kCases)),
    [](const ::testing::TestParamInfo<std::tuple<Transport, Case>>& info) {
        return std::string(std::get<0>(info.param) == Transport::Rfc2217 ? "rfc2217_" : "socket_") +
               std::get<1>(info.param).name;
    });

namespace {

// The pty's output speed as its terminal settings say, 0 when unreadable.
speed_t PtySpeed(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    termios t{};
    const bool read = tcgetattr(fd, &t) == 0;
    close(fd);
    return read ? cfgetospeed(&t) : 0;
}

} // namespace

// The rate given to scale-cli reaches the serial line behind the server
// (ser2net's own setting for the port is 9600).
TEST(CliOverNetworkLine, TheBaudRateSetOverRfc2217ReachesThePty)
{
    const auto sim = cli_target::StartSimulator();
    e2e::Ser2NetProcess server(sim->PortPath());
    for (const auto& [baud, speed] : {std::pair<const char*, speed_t>{"19200", B19200},
                                      std::pair<const char*, speed_t>{"115200", B115200}}) {
        const auto run = cli_target::StartCli(server.Rfc2217Url(),
                                              {"--baud", baud, "watch", "--count", "100000"});
        EXPECT_TRUE(support::WaitUntil([&] { return PtySpeed(sim->PortPath()) == speed; }))
            << baud << " baud, the pty has speed code " << PtySpeed(sim->PortPath());
        run->Stop();
    }
}

// Nothing at the address: a one-line error naming the refusal, exit code 2.
TEST(CliOverNetworkLine, ARefusedConnectionIsAnOpenFailure)
{
    std::string url;
    {
        const auto sim = cli_target::StartSimulator();
        e2e::Ser2NetProcess gone(sim->PortPath());
        url = gone.Rfc2217Url();
    }
    const cli_target::CliRun run = cli_target::RunCli(url, {"params"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_THAT(run.errors, ::testing::HasSubstr("refused the connection"));
}
