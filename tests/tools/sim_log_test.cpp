// The frame log never holds up the simulator: while its output takes
// nothing, whole lines are dropped and counted; the simulation goes on.

#include "pty_client.h"
#include "sim_engine.h"
#include "unique_fd.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
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
    // Read until the simulator has given its buffer to the FIFO and more.
    for (auto quiet = Clock::now(); Clock::now() - quiet < 300ms;) {
        const std::string more = ReadWaiting(reader.Get());
        if (!more.empty())
            quiet = Clock::now();
        log += more;
        std::this_thread::sleep_for(5ms);
    }

    // Once the output takes lines again, the next line follows the count.
    client.Send(BuildCommand(0x01));
    const std::string last = "RX " + HexBytes(BuildCommand(0x01)) + "  silent";
    for (const auto end = Clock::now() + 5s;
         log.find(last) == std::string::npos && Clock::now() < end;) {
        log += ReadWaiting(reader.Get());
        std::this_thread::sleep_for(5ms);
    }
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
    int in[2], out[2], err[2];
    ASSERT_EQ(pipe2(in, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(err, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    char program[] = SCALE_SIM_PATH;
    char rate[] = "--rate";
    char zero[] = "0";
    char* argv[] = {program, rate, zero, nullptr};
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, program, &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    UniqueFd input(in[1]), output(out[0]), errors(err[0]); // errors: never read

    // The next line of standard output within the time-out, else "".
    std::string pending;
    const auto nextLine = [&](std::chrono::milliseconds timeout) {
        const auto end = Clock::now() + timeout;
        while (pending.find('\n') == std::string::npos) {
            pollfd pfd{output.Get(), POLLIN, 0};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
            if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
                return std::string();
            char chunk[4096];
            const ssize_t n = ::read(output.Get(), chunk, sizeof chunk);
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
        ASSERT_EQ(::write(input.Get(), send.data(), send.size()),
                  static_cast<ssize_t>(send.size()));
        if (nextLine(5s) != "ok")
            break;
        ++answered;
    }
    EXPECT_EQ(answered, 200);
    ASSERT_EQ(::write(input.Get(), "quit\n", 5), 5);
    EXPECT_EQ(nextLine(5s), "ok");

    int status = 0;
    const auto end = Clock::now() + 5s;
    while (waitpid(pid, &status, WNOHANG) == 0 && Clock::now() < end)
        std::this_thread::sleep_for(10ms);
    if (kill(pid, 0) == 0 && waitpid(pid, &status, WNOHANG) == 0) {
        ADD_FAILURE() << "quit did not end the simulator";
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

} // namespace
} // namespace scalesim
