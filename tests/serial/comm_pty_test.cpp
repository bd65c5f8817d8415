// TComm against kernel pseudo-terminals: the test plays the far end.

#include "comm_events.h"
#include "post_queue.h"
#include "pseudo_terminal.h"
#include "serial/comm.h"
#include "serial/read_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr uint32_t kInterval = 50; // ms; pauses in the tests are several times longer

std::chrono::milliseconds TimeToStop(TComm& comm)
{
    const auto start = std::chrono::steady_clock::now();
    comm.StopComm();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

double ProcessCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

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

TEST_F(CommOnPty, OpensOnceClosesOnceAndOpensAgain)
{
    EXPECT_EQ(comm.Handle(), 0u);
    Open();
    EXPECT_NE(comm.Handle(), 0u);
    EXPECT_TRUE(comm.SendDataEmpty());
    EXPECT_EQ(comm.StartComm(), 0);

    comm.StopComm();
    EXPECT_EQ(comm.Handle(), 0u);
    comm.StopComm();
    EXPECT_EQ(comm.Handle(), 0u);

    ASSERT_EQ(comm.StartComm(), 1);
    EXPECT_TRUE(queue.RunUntil([&] { return events.empties == 2; }))
        << "each start gives one empty notice";
    queue.RunFor(100ms);
    EXPECT_EQ(events.empties, 2);
    EXPECT_EQ(events.hangups, 0);
}

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
    EXPECT_EQ(comm.Handle(), 0u);
    other.StopComm();

    // Another program that locks the device the usual way.
    int fd = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(comm.StartComm(), -1);
    close(fd);

    Open();
}

TEST_F(CommOnPty, ChunksEndWhenTheLineFallsQuiet)
{
    Open();
    const std::vector<uint8_t> reply = Pattern(19, 0xAA);
    pty.Write(reply);
    ASSERT_TRUE(queue.RunUntil([&] { return events.ByteCount() == 19; }));

    pty.Write({reply.begin(), reply.begin() + 7});
    std::this_thread::sleep_for(std::chrono::milliseconds(kInterval * 5));
    pty.Write({reply.begin() + 7, reply.end()});
    ASSERT_TRUE(queue.RunUntil([&] { return events.ByteCount() == 38; }));

    ASSERT_EQ(events.chunks.size(), 3u);
    EXPECT_EQ(events.chunks[0], reply);
    EXPECT_EQ(events.chunks[1], std::vector<uint8_t>(reply.begin(), reply.begin() + 7));
    EXPECT_EQ(events.chunks[2], std::vector<uint8_t>(reply.begin() + 7, reply.end()));
    EXPECT_TRUE(events.everyBufferZeroTerminated);
}

TEST_F(CommOnPty, BurstArrivesWholeInChunksOfAtMost2048)
{
    Open();
    const std::vector<uint8_t> burst = Pattern(5000, 7);
    pty.Write(burst);
    ASSERT_TRUE(queue.RunUntil([&] { return events.ByteCount() >= burst.size(); }));
    queue.RunFor(std::chrono::milliseconds(kInterval * 3));

    EXPECT_EQ(events.Bytes(), burst);
    EXPECT_GE(events.chunks.size(), 3u);
    for (const auto& chunk : events.chunks) {
        EXPECT_GE(chunk.size(), 1u);
        EXPECT_LE(chunk.size(), 2048u);
    }
    EXPECT_TRUE(events.everyBufferZeroTerminated);
}

TEST_F(CommOnPty, BlocksQueuedBackToBackGoOutInOrderWithOneEmptyNotice)
{
    comm.SetOutx_XonXoffFlow(true);
    Open();
    HoldOurOutput(); // so all three are queued before the first is written
    const std::vector<uint8_t> first = Pattern(1000, 1), second = {0xEE}, third = Pattern(3000, 99);
    ASSERT_TRUE(comm.WriteCommData(first.data(), static_cast<uint16_t>(first.size())));
    ASSERT_TRUE(comm.WriteCommData(second.data(), 1));
    ASSERT_TRUE(comm.WriteCommData(third.data(), static_cast<uint16_t>(third.size())));
    EXPECT_FALSE(comm.SendDataEmpty());
    pty.Write({0x11}); // XON

    std::vector<uint8_t> expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    expected.insert(expected.end(), third.begin(), third.end());
    EXPECT_EQ(pty.Read(expected.size()), expected);

    ASSERT_TRUE(queue.RunUntil([&] { return events.empties == 2; }));
    queue.RunFor(100ms);
    EXPECT_EQ(events.empties, 2);
    EXPECT_TRUE(comm.SendDataEmpty());
}

TEST_F(CommOnPty, WriteCommDataRefusesNothingToSendAndAClosedPort)
{
    const uint8_t byte = 0x55;
    EXPECT_FALSE(comm.WriteCommData(&byte, 1));
    Open();
    EXPECT_FALSE(comm.WriteCommData(&byte, 0));
    EXPECT_FALSE(comm.WriteCommData(nullptr, 1));
    EXPECT_TRUE(comm.SendDataEmpty());
}

TEST_F(CommOnPty, SendDataSendsTheLowByteOfEachUnit)
{
    EXPECT_TRUE(comm.SendData(u""));
    EXPECT_FALSE(comm.SendData(u"AB"));
    Open();
    const std::u16string text = {u'A', u'\u4E2D', u'\u00FF', u'\0', u'z'};
    EXPECT_TRUE(comm.SendData(text));
    EXPECT_EQ(pty.Read(5), (std::vector<uint8_t>{0x41, 0x2D, 0xFF, 0x00, 0x7A}));
}

TEST_F(CommOnPty, VanishedFarEndEndsTheReaderWithOneHangupRequest)
{
    Open();
    pty.CloseMaster();
    ASSERT_TRUE(queue.RunUntil([&] { return events.hangups == 1; }));
    const double cpuBefore = ProcessCpuMs();
    queue.RunFor(300ms);
    EXPECT_LT(ProcessCpuMs() - cpuBefore, 100.0) << "something spins on the dead line";
    EXPECT_EQ(events.hangups, 1);

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

TEST_F(CommOnPty, StopCommIsPromptWhileDataStreamsIn)
{
    Open();
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
    EXPECT_TRUE(queue.RunUntil([&] { return events.ByteCount() > 1000000; }));
    EXPECT_LT(TimeToStop(comm), 1000ms);
    stop = true;
    flood.join();
    EXPECT_EQ(events.hangups, 0);
}

// A flood while the owner is busy: the reader stops once about 64 kB wait
// for the owner, and what follows waits in the pty (its writer blocks);
// once the owner catches up, every byte arrives, in order.
TEST_F(CommOnPty, DataWaitingForABusyOwnerStaysBoundedAndNothingIsLost)
{
    comm.SetReadIntervalTimeout(10); // as the scale session
    Open();
    // 4 MB of 32-bit counters: any byte lost, doubled or moved shows.
    std::vector<uint8_t> flood(4u << 20);
    for (uint32_t i = 0; i < flood.size() / 4; ++i)
        std::memcpy(&flood[4 * i], &i, 4);
    std::atomic<bool> written{false};
    std::thread writer([&] {
        pty.Write(flood);
        written = true;
    });
    // The owner handles nothing for half a second.
    std::this_thread::sleep_for(500ms);
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
    queue.RunFor(50ms);
    EXPECT_TRUE(events.Bytes() == flood) << "received " << events.ByteCount() << " bytes";
    EXPECT_EQ(events.hangups, 0);
}

TEST_F(CommOnPty, StopCommIsPromptWhileTheReaderWaitsForTheOwner)
{
    Open();
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
    std::this_thread::sleep_for(300ms);
    EXPECT_LT(TimeToStop(comm), 100ms);
    stop = true;
    flood.join();
    // The blocks posted before the stop still arrive.
    queue.RunFor(50ms);
    EXPECT_GE(events.ByteCount(), serial::ReceiveBacklog::kLimit);
}

TEST_F(CommOnPty, StopCommIsPromptWhileAWriteIsHeldByFlowControl)
{
    comm.SetOutx_XonXoffFlow(true);
    Open();
    HoldOurOutput();
    const std::vector<uint8_t> block = Pattern(1000);
    ASSERT_TRUE(comm.WriteCommData(block.data(), static_cast<uint16_t>(block.size())));
    EXPECT_TRUE(pty.Read(1, 200ms).empty()) << "sent despite XOFF";
    EXPECT_FALSE(comm.SendDataEmpty());

    EXPECT_LT(TimeToStop(comm), 1000ms);
    EXPECT_TRUE(comm.SendDataEmpty());
}

TEST_F(CommOnPty, NotificationsPostedBeforeStopCommArriveAfterIt)
{
    Open();
    const std::vector<uint8_t> reply = Pattern(19, 0xAA);
    pty.Write(reply);
    ASSERT_TRUE(queue.WaitQueued(1));
    comm.StopComm();
    ASSERT_TRUE(queue.RunUntil([&] { return !events.chunks.empty(); }));
    EXPECT_EQ(events.chunks[0], reply);
    EXPECT_TRUE(events.everyBufferZeroTerminated);
}

TEST_F(CommOnPty, NotificationsQueuedPastTheComponentsLifeAreDropped)
{
    int raised = 0;
    {
        TComm shortLived(queue.Poster());
        shortLived.OnReceiveData = [&](TComm*, const void*, uint16_t) { ++raised; };
        shortLived.OnSendDataEmpty = [&](TComm*) { ++raised; };
        shortLived.SetCommName(pty.SlavePath());
        shortLived.SetReadIntervalTimeout(kInterval);
        ASSERT_EQ(shortLived.StartComm(), 1);
        pty.Write(Pattern(19));
        ASSERT_TRUE(queue.WaitQueued(2)); // the empty notice and the data
    }
    queue.RunFor(100ms);
    EXPECT_EQ(raised, 0);
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
    for (const Case& c : cases) {
        comm.SetReadIntervalTimeout(c.interval);
        comm.SetReadTotalTimeoutConstant(c.totalConstant);
        ASSERT_EQ(comm.StartComm(), 1);
        queue.RunFor(200ms);
        pty.Write(Pattern(10));
        queue.RunFor(200ms);
        EXPECT_TRUE(events.chunks.empty()) << c.interval;
        EXPECT_EQ(events.hangups, 0) << c.interval;
        EXPECT_NE(comm.Handle(), 0u);
        comm.StopComm();
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
    queue.RunFor(50ms);
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

TEST_F(CommOnPty, ModemStateOfAClosedPortOrAPtyIsZero)
{
    EXPECT_EQ(comm.GetModemState(), 0u);
    Open();
    EXPECT_EQ(comm.GetModemState(), 0u); // a pty has no modem lines
}
