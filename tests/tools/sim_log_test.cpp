// The frame log never holds up the simulator: while its output takes
// nothing, whole lines are dropped and counted; the simulation goes on.

#include "child_process.h"
#include "pty_client.h"
#include "sim_engine.h"
#include "unique_fd.h"
#include "wait_until.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <future>
#include <sstream>
#include <thread>

namespace scalesim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// "send" with 1000 bytes: a log line of 3002 characters.
std::string LongSend()
{
    std::string line = "send";
    for (int i = 0; i < 1000; ++i)
        line += " 55";
    return line;
}

// Whatever waits in a non-blocking descriptor now.
std::string ReadWaiting(int fd)
{
    std::string text;
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

// What arrives in the descriptor within `timeout` (at least one read once
// anything has come), "" when nothing does.
std::string ReadWithin(int fd, std::chrono::milliseconds timeout)
{
    pollfd pfd{fd, POLLIN, 0};
    if (poll(&pfd, 1, static_cast<int>(timeout.count())) <= 0)
        return {};
    return ReadWaiting(fd);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(FrameLog, AFullOutputDropsWholeLinesAndTellsHowMany)
{
    // The log goes to a FIFO that is open but not read.
    const std::string fifo = ::testing::TempDir() + "scale-sim-log-" + std::to_string(getpid());
    ::unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    UniqueFd reader(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_GE(reader.Get(), 0);
    EngineOptions options;
    options.logPath = fifo;
    SimEngine engine(options);
    ::unlink(fifo.c_str());
    // Commands are logged and not answered: the log alone has work to do.
    ASSERT_EQ(engine.Command("rate 0"), "ok");
    ASSERT_EQ(engine.Command("silent on"), "ok");
    engine.Start();
    PtyClient client(engine.PortPath());

    // 20000 lines of 35 bytes: once sent, at most the pty's buffer (some
    // 64 kB, 8000 frames) waits unread, and the lines logged by then are
    // far more than the FIFO and the log's buffer hold.
    constexpr int kFrames = 20000;
    const CommandFrame query = BuildCommand(0xF6);
    Bytes frames;
    for (int i = 0; i < kFrames; ++i)
        frames.insert(frames.end(), query.begin(), query.end());
    auto sending = std::async(std::launch::async, [&] { client.Send(frames); });
    EXPECT_EQ(sending.wait_for(10s), std::future_status::ready)
        << "the simulator waited for its log";
    std::string log;
    while (sending.wait_for(10ms) != std::future_status::ready)
        log += ReadWaiting(reader.Get()); // let a stuck simulator go on
    // Read until the simulator has given its buffer to the FIFO and more:
    // nothing has come for a while.
    for (std::string more; !(more = ReadWithin(reader.Get(), 300ms)).empty();)
        log += more;

    // Once the output takes lines again, the next line follows the count.
    client.Send(BuildCommand(0x01));
    const std::string last = "RX " + HexBytes(BuildCommand(0x01)) + "  silent";
    for (const auto end = Clock::now() + 10s;
         log.find(last) == std::string::npos && Clock::now() < end;)
        log += ReadWithin(reader.Get(), 100ms);
    engine.Stop();
    engine.Join();

    const std::vector<std::string> lines = Lines(log);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front().rfind("# scale-sim on /dev/pts/", 0), 0u) << lines.front();
    EXPECT_EQ(lines.back(), last);
    const std::string logged = "RX " + HexBytes(query) + "  silent";
    int written = 0;
    for (std::size_t i = 1; i + 2 < lines.size(); ++i) {
        ASSERT_EQ(lines[i], logged) << "line " << i << " is not whole";
        ++written;
    }
    int dropped = 0;
    const std::string& note = lines[lines.size() - 2];
    ASSERT_EQ(std::sscanf(note.c_str(), "# %d log lines dropped", &dropped), 1) << note;
    EXPECT_GT(dropped, 0);
    EXPECT_EQ(written + dropped, kFrames);
}

// The program with its standard error on a pipe nobody reads: it goes on
// answering its input lines, and "quit" still ends it.
TEST(SimProgram, GoesOnWhileNobodyReadsItsStandardError)
{
    support::SpawnOptions options;
    options.argv = {SCALE_SIM_PATH, "--rate", "0"};
    options.pipeStdin = options.pipeStdout = options.pipeStderr = true; // errors: never read
    support::ChildProcess sim(options);
    const int input = sim.StdinFd(), output = sim.StdoutFd();

    // The next line of standard output within the time-out, else "".
    std::string pending;
    const auto nextLine = [&](std::chrono::milliseconds timeout) {
        const auto end = Clock::now() + timeout;
        while (pending.find('\n') == std::string::npos) {
            pollfd pfd{output, POLLIN, 0};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
                return std::string();
            char chunk[4096];
            const ssize_t n = ::read(output, chunk, sizeof chunk);
            if (n <= 0)
                return std::string();
            pending.append(chunk, static_cast<std::size_t>(n));
        }
        const std::string line = pending.substr(0, pending.find('\n'));
        pending.erase(0, line.size() + 1);
        return line;
    };

    EXPECT_EQ(nextLine(10s).rfind("/dev/pts/", 0), 0u);
    // 200 log lines of 3 kB: ten times what the pipe holds.
    const std::string send = LongSend() + "\n";
    int answered = 0;
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(::write(input, send.data(), send.size()), static_cast<ssize_t>(send.size()));
        if (nextLine(5s) != "ok")
            break;
        ++answered;
    }
    EXPECT_EQ(answered, 200);
    ASSERT_EQ(::write(input, "quit\n", 5), 5);
    EXPECT_EQ(nextLine(5s), "ok");

    const std::optional<int> status = sim.WaitFor(support::kGenerousLimit);
    ASSERT_TRUE(status) << "quit did not end the simulator";
    EXPECT_EQ(support::ExitCode(*status), 0);
}

} // namespace
} // namespace scalesim
