// TComm against kernel pseudo-terminals, the test playing the far end:
// what only the POSIX backend has. The cases every backend shares are in
// comm_line_test.cpp.

#include "comm_events.h"
#include "post_queue.h"
#include "pseudo_terminal.h"
#include "serial/comm.h"
#include "serial/read_thread.h"
#include "thread_waits.h"
#include "wait_until.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <set>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr uint32_t kInterval = 50; // ms: the line falls quiet this long between chunks

size_t OpenFileCount()
{
    size_t n = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

} // namespace

class CommOnPty : public ::testing::Test {
protected:
    CommOnPty() : comm(queue.Poster())
    {
        events.Attach(comm);
        comm.SetCommName(pty.SlavePath());
        comm.SetReadIntervalTimeout(kInterval);
        comm.SetOutx_XonXoffFlow(false); // as the application: every byte value passes
    }

    // XOFF from the far end, and a marker behind it: once the marker has been
    // received the XOFF has been acted on.
    void HoldOurOutput()
    {
        const size_t received = events.ByteCount();
        pty.Write({0x13, 'M'});
        ASSERT_TRUE(queue.RunUntil([&] { return events.ByteCount() > received; }));
    }

    void Open()
    {
        ASSERT_EQ(comm.StartComm(), 1);
        ASSERT_TRUE(queue.RunUntil([&] { return events.empties == 1; }))
            << "no empty notice after the start";
    }

    PostQueue queue;
    Pty pty;
    TComm comm;
    CommEvents events;
};

TEST_F(CommOnPty, RefusedOpensLeaveItClosedAndReleased)
{
    const std::string regularFile = testing::TempDir() + "serial_not_a_port";
    std::fclose(std::fopen(regularFile.c_str(), "w"));
    struct Case {
        std::string name;
        int code;
    } cases[] = {
        {"/dev/serial-port-that-is-not-there", -1},
        {"COM0", -1},
        {"", -1},
        {regularFile, -2},
        {testing::TempDir(), -2}, // a directory
        {"/dev/null", -3},        // a character device, but no serial port
    };
    const size_t filesBefore = OpenFileCount();
    for (const Case& c : cases) {
        comm.SetCommName(c.name);
        EXPECT_EQ(comm.StartComm(), c.code) << c.name;
        EXPECT_EQ(comm.Handle(), 0u) << c.name;
        EXPECT_EQ(OpenFileCount(), filesBefore) << c.name << " left open";
    }
    comm.SetCommName(pty.SlavePath());
    Open();
    std::remove(regularFile.c_str());
}

TEST_F(CommOnPty, DeviceInUseByAnotherOpenerGivesMinusOne)
{
    PostQueue otherQueue;
    TComm other(otherQueue.Poster());
    other.SetCommName(pty.SlavePath());
    ASSERT_EQ(other.StartComm(), 1);
    EXPECT_EQ(comm.StartComm(), -1);
    EXPECT_EQ(comm.LastOpenRefusal(), serial::OpenRefusal::Busy);
    EXPECT_EQ(comm.Handle(), 0u);
    other.StopComm();

    // Another program that locks the device the usual way.
    int fd = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(comm.StartComm(), -1);
    EXPECT_EQ(comm.LastOpenRefusal(), serial::OpenRefusal::Busy);
    close(fd);

    Open();
}

TEST_F(CommOnPty, VanishedFarEndEndsTheReaderWithOneHangupRequest)
{
    Open();
    pty.CloseMaster();
    ASSERT_TRUE(queue.RunUntil([&] { return events.hangups == 1; }));

    // The component stays open until StopComm; the writer fails on its next
    // block and ends, after which nothing more is accepted.
    EXPECT_NE(comm.Handle(), 0u);
    EXPECT_EQ(comm.StartComm(), 0);
    const uint8_t byte = 1;
    EXPECT_TRUE(comm.WriteCommData(&byte, 1));
    ASSERT_TRUE(queue.RunUntil([&] { return events.hangups == 2; }));
    EXPECT_FALSE(comm.WriteCommData(&byte, 1));
    EXPECT_TRUE(comm.SendDataEmpty());
    comm.StopComm();
    EXPECT_EQ(comm.Handle(), 0u);
}

// A flood while the owner is busy: the reader stops once about 64 kB wait
// for the owner, and what follows waits in the pty (its writer blocks);
// once the owner catches up, every byte arrives, in order.
TEST_F(CommOnPty, DataWaitingForABusyOwnerStaysBoundedAndNothingIsLost)
{
    comm.SetReadIntervalTimeout(10); // as the scale session
    const std::set<pid_t> before = support::ThreadIds();
    Open();
    const std::set<pid_t> portThreads = support::ThreadsSince(before);
    // 4 MB of 32-bit counters: any byte lost, doubled or moved shows.
    std::vector<uint8_t> flood(4u << 20);
    for (uint32_t i = 0; i < flood.size() / 4; ++i)
        std::memcpy(&flood[4 * i], &i, 4);
    std::atomic<bool> written{false};
    std::thread writer([&] {
        pty.Write(flood);
        written = true;
    });
    // The owner handles nothing: the reader reads up to the bound and waits.
    ASSERT_TRUE(support::WaitUntil([&] { return support::OneWaitsOnAFutex(portThreads); }))
        << "the reader never waited for its owner";
    EXPECT_FALSE(written) << "the reader took the whole flood";
    const size_t queued = queue.Queued();
    // What waits for the owner is what those queued blocks hold.
    ASSERT_TRUE(queue.RunUntil([&] { return events.chunks.size() >= queued; }));
    ASSERT_EQ(events.chunks.size(), queued);
    const size_t waiting = events.ByteCount();
    EXPECT_GE(waiting, serial::ReceiveBacklog::kLimit) << "the bound is what stopped the reader";
    EXPECT_LE(waiting, serial::ReceiveBacklog::kLimit + ReadThread::kBufferSize);

    ASSERT_TRUE(queue.RunUntil([&] { return events.ByteCount() >= flood.size(); }, 30s));
    writer.join();
    comm.StopComm();
    queue.RunQueued();
    EXPECT_TRUE(events.Bytes() == flood) << "received " << events.ByteCount() << " bytes";
    EXPECT_EQ(events.hangups, 0);
}

TEST_F(CommOnPty, StopCommReturnsWhileTheReaderWaitsForTheOwner)
{
    const std::set<pid_t> before = support::ThreadIds();
    Open();
    const std::set<pid_t> portThreads = support::ThreadsSince(before);
    std::atomic<bool> stop{false};
    fcntl(pty.Master(), F_SETFL, O_NONBLOCK);
    std::thread flood([&] {
        const std::vector<uint8_t> block = Pattern(4096);
        while (!stop) {
            if (write(pty.Master(), block.data(), block.size()) < 0) {
                pollfd p{pty.Master(), POLLOUT, 0};
                poll(&p, 1, 10);
            }
        }
    });
    // Nothing handled: the reader fills the backlog and waits.
    ASSERT_TRUE(support::WaitUntil([&] { return support::OneWaitsOnAFutex(portThreads); }));
    comm.StopComm(); // returns (how soon: bench/)
    stop = true;
    flood.join();
    // The blocks posted before the stop still arrive.
    queue.RunQueued();
    EXPECT_GE(events.ByteCount(), serial::ReceiveBacklog::kLimit);
}

TEST_F(CommOnPty, LineSettingsReachTheOpenPortAndAreRestoredAtClose)
{
    const termios before = pty.SlaveSettings();
    Open();
    termios t = pty.SlaveSettings();
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | IXON | ISTRIP), 0u);
    EXPECT_NE(t.c_iflag & IXOFF, 0u); // Inx_XonXoffFlow
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD | HUPCL | CSIZE | PARENB),
              tcflag_t(CLOCAL | CREAD | CS8));
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);

    comm.SetBaudRate(19200);
    t = pty.SlaveSettings();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B19200));

    // (A pty keeps 8 data bits and no parity whatever it is told; framing is
    // checked on the settings themselves, in posix_device_test.)
    comm.SetStopBits(TStopBits::_2);
    comm.SetOutx_CtsFlow(true);
    comm.SetXoffChar(0x14);
    t = pty.SlaveSettings();
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_cc[VSTOP], 0x14);

    comm.StopComm();
    const termios after = pty.SlaveSettings();
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
}

TEST_F(CommOnPty, ReadTimeoutsThatCompleteEmptyEndTheReaderQuietly)
{
    struct Case {
        uint32_t interval, totalConstant;
    } cases[] = {{serial::kMaxTimeout, 0}, {0, 30}};
    // A sanitizer may start a thread of its own with the process's first
    // thread: let that happen before the threads are counted.
    std::thread([] {}).join();
    for (const Case& c : cases) {
        comm.SetReadIntervalTimeout(c.interval);
        comm.SetReadTotalTimeoutConstant(c.totalConstant);
        const size_t threads = support::ThreadIds().size(); // a port adds a reader and a writer
        ASSERT_EQ(comm.StartComm(), 1);
        // The reader ends on the empty read; the writer stays.
        ASSERT_TRUE(support::WaitUntil([&] { return support::ThreadIds().size() == threads + 1; }))
            << c.interval;
        pty.Write(Pattern(10));
        EXPECT_NE(comm.Handle(), 0u);
        comm.StopComm();
        queue.RunQueued();
        EXPECT_TRUE(events.chunks.empty()) << c.interval;
        EXPECT_EQ(events.hangups, 0) << c.interval;
    }
}

// Delivering at once while the owner is busy: reads join into blocks of at
// most 16384 bytes, every byte arrives once and in order, and each block is
// one post to the owner.
TEST_F(CommOnPty, DeliveringAtOnceToABusyOwnerJoinsReadsIntoBoundedBlocks)
{
    std::atomic<size_t> posts{0};
    const PostFunction post = queue.Poster();
    TComm counted([&](std::function<void()> fn) {
        ++posts;
        post(std::move(fn));
    });
    CommEvents seen;
    seen.Attach(counted);
    counted.SetCommName(pty.SlavePath());
    counted.SetOutx_XonXoffFlow(false);
    counted.SetReadIntervalTimeout(serial::kMaxTimeout);
    counted.SetReadTotalTimeoutMultiplier(serial::kMaxTimeout);
    ASSERT_EQ(counted.StartComm(), 1);
    ASSERT_TRUE(queue.RunUntil([&] { return seen.empties == 1; }));
    std::vector<uint8_t> flood(1u << 20);
    for (uint32_t i = 0; i < flood.size() / 4; ++i)
        std::memcpy(&flood[4 * i], &i, 4);
    std::thread writer([&] { pty.Write(flood); });
    ASSERT_TRUE(queue.WaitQueued(4)) << "several blocks filled before the owner takes any";
    ASSERT_TRUE(queue.RunUntil([&] { return seen.ByteCount() >= flood.size(); }, 30s));
    writer.join();
    counted.StopComm();
    queue.RunQueued();
    EXPECT_TRUE(seen.Bytes() == flood);
    EXPECT_EQ(seen.chunks.size(), posts - 1) << "one post per block, besides the empty notice";
    size_t largest = 0;
    for (const auto& chunk : seen.chunks)
        largest = std::max(largest, chunk.size());
    EXPECT_LE(largest, serial::ReceiveQueue::kMostBlockBytes);
    EXPECT_GT(largest, 4096u) << "a pty read gives at most 4096 bytes: reads were joined";
    EXPECT_TRUE(seen.everyBufferZeroTerminated);
    EXPECT_EQ(seen.hangups, 0);
}
