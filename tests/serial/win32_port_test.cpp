// TComm with the Win32 backend on a wine COM port whose far end is a Linux
// pseudo-terminal played by the pty peer (tests/wine/pty_peer.cpp).
//
// Wine over a bare pseudo-terminal has no line events (the line-event wait
// fails with ERROR_NOT_SUPPORTED), no modem lines and no error flags, lets a
// second program open a port that is in use, and its purge does not abort a
// pending read. Those cases are covered on the fake device in
// comm_fake_test.cpp; here is everything a byte on a real line goes through.

#include "comm_events.h"
#include "post_queue.h"
#include "pty_peer_client.h"
#include "serial/comm.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <fstream>

using namespace std::chrono_literals;

namespace {

constexpr uint32_t kInterval = 50; // ms; pauses in the tests are several times longer
constexpr int kPort = 23;          // COM23: a number of two digits, as "//./" is there for

std::chrono::milliseconds TimeToStop(TComm& comm)
{
    const auto start = std::chrono::steady_clock::now();
    comm.StopComm();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
}

double ProcessCpuMs()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ms = [](const FILETIME& t) {
        return ((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

HANDLE PortHandle(const TComm& comm)
{
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(comm.Handle()));
}

} // namespace

class CommOnWinePort : public ::testing::Test {
protected:
    CommOnWinePort() : comm(queue.Poster())
    {
        events.Attach(comm);
        peer.Open(kPort);
        comm.SetCommName("//./COM" + std::to_string(kPort));
        comm.SetReadIntervalTimeout(kInterval);
        comm.SetOutx_XonXoffFlow(false); // as the application: every byte value passes
    }

    void Open()
    {
        ASSERT_EQ(comm.StartComm(), 1);
        ASSERT_TRUE(queue.RunUntil([&] { return events.empties == 1; }))
            << "no empty notice after the start";
    }

    // XOFF from the far end, and a marker behind it: once the marker has
    // been received the XOFF has been acted on.
    void HoldOurOutput()
    {
        const size_t received = events.ByteCount();
        peer.Write(kPort, {0x13, 'M'});
        ASSERT_TRUE(queue.RunUntil([&] { return events.ByteCount() > received; }));
    }

    PtyPeer peer;
    PostQueue queue;
    TComm comm;
    CommEvents events;
};

TEST_F(CommOnWinePort, OpensByEveryNameFormAndRefusesWhatIsNoPort)
{
    const std::string number = std::to_string(kPort);
    for (const std::string& name :
         {"COM" + number, "com" + number, "//./COM" + number, "\\\\.\\COM" + number}) {
        comm.SetCommName(name);
        ASSERT_EQ(comm.StartComm(), 1) << name;
        EXPECT_NE(comm.Handle(), 0u) << name;
        EXPECT_EQ(comm.StartComm(), 0) << name;
        const uint8_t byte = 0x5A;
        ASSERT_TRUE(comm.WriteCommData(&byte, 1)) << name;
        EXPECT_EQ(peer.Read(kPort, 1), std::vector<uint8_t>{0x5A}) << name;
        comm.StopComm();
        EXPECT_EQ(comm.Handle(), 0u) << name;
    }

    char file[MAX_PATH];
    GetTempPathA(MAX_PATH, file);
    const std::string diskFile = std::string(file) + "serial_not_a_port.txt";
    std::ofstream(diskFile) << "x";
    struct Case {
        std::string name;
        int code;
    } cases[] = {
        {"COM" + std::to_string(kPort + 1), -1}, // no such port
        {"", -1},
        {diskFile, -2},
        {"NUL", -3}, // a character device, but no serial port
    };
    for (const Case& c : cases) {
        comm.SetCommName(c.name);
        EXPECT_EQ(comm.StartComm(), c.code) << c.name;
        EXPECT_EQ(comm.Handle(), 0u) << c.name;
    }
    DeleteFileA(diskFile.c_str());
    comm.SetCommName("COM" + number);
    Open();
}

TEST_F(CommOnWinePort, LineSettingsAndTimeoutsReachThePort)
{
    comm.SetStopBits(TStopBits::_2);
    Open();
    EXPECT_EQ(peer.Settings(kPort),
              "speed=9600 bits=8 parenb=0 cstopb=1 crtscts=0 ixon=0 ixoff=1 vstop=19");

    comm.SetBaudRate(19200);
    comm.SetOutx_XonXoffFlow(true);
    comm.SetXoffChar(0x14);
    EXPECT_EQ(peer.Settings(kPort),
              "speed=19200 bits=8 parenb=0 cstopb=1 crtscts=0 ixon=1 ixoff=1 vstop=20");

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(PortHandle(comm), &dcb));
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(PortHandle(comm), &timeouts));
    EXPECT_EQ(timeouts.ReadIntervalTimeout, kInterval);
    comm.SetReadIntervalTimeout(10);
    ASSERT_TRUE(GetCommTimeouts(PortHandle(comm), &timeouts));
    EXPECT_EQ(timeouts.ReadIntervalTimeout, 10u);
}

TEST_F(CommOnWinePort, ChunksEndWhenTheLineFallsQuiet)
{
    Open();
    const std::vector<uint8_t> reply = Pattern(19, 0xAA);
    peer.Write(kPort, reply);
    ASSERT_TRUE(queue.RunUntil([&] { return events.ByteCount() == 19; }));

    peer.Write(kPort, {reply.begin(), reply.begin() + 7});
    Sleep(kInterval * 5);
    peer.Write(kPort, {reply.begin() + 7, reply.end()});
    ASSERT_TRUE(queue.RunUntil([&] { return events.ByteCount() == 38; }));

    ASSERT_EQ(events.chunks.size(), 3u);
    EXPECT_EQ(events.chunks[0], reply);
    EXPECT_EQ(events.chunks[1], std::vector<uint8_t>(reply.begin(), reply.begin() + 7));
    EXPECT_EQ(events.chunks[2], std::vector<uint8_t>(reply.begin() + 7, reply.end()));
    EXPECT_TRUE(events.everyBufferZeroTerminated);
}

TEST_F(CommOnWinePort, BurstArrivesWholeInChunksOfAtMost2048)
{
    Open();
    const std::vector<uint8_t> burst = Pattern(5000, 7);
    peer.Write(kPort, burst);
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

// Delivering at once, as the scale line: a lone frame arrives after a quiet
// line (the reader does not end on a read that finds nothing), and a burst
// larger than a read arrives whole and in order in blocks of at most 16384
// bytes, each block one post. The time-outs the port holds are the ones
// that read what is there.
TEST_F(CommOnWinePort, DeliveringAtOnceReadsWhatIsThereAfterQuietAndInBursts)
{
    comm.SetReadIntervalTimeout(serial::kMaxTimeout);
    comm.SetReadTotalTimeoutMultiplier(serial::kMaxTimeout);
    Open();
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(PortHandle(comm), &timeouts));
    EXPECT_EQ(timeouts.ReadIntervalTimeout, MAXDWORD);

    const std::vector<uint8_t> frame = Pattern(19, 0xAA);
    peer.Write(kPort, frame);
    ASSERT_TRUE(queue.RunUntil([&] { return events.ByteCount() == frame.size(); }));
    EXPECT_EQ(events.Bytes(), frame);

    const std::vector<uint8_t> burst = Pattern(60000, 3);
    peer.Write(kPort, burst);
    ASSERT_TRUE(queue.RunUntil([&] { return events.ByteCount() >= frame.size() + burst.size(); }));
    std::vector<uint8_t> expected = frame;
    expected.insert(expected.end(), burst.begin(), burst.end());
    EXPECT_EQ(events.Bytes(), expected);
    for (const auto& chunk : events.chunks)
        EXPECT_LE(chunk.size(), 16384u);
    EXPECT_TRUE(events.everyBufferZeroTerminated);
    EXPECT_EQ(events.hangups, 0);
}

TEST_F(CommOnWinePort, BlocksQueuedBackToBackGoOutInOrderWithOneEmptyNotice)
{
    comm.SetOutx_XonXoffFlow(true);
    Open();
    EXPECT_TRUE(comm.SendDataEmpty());
    HoldOurOutput(); // so all three are queued before the first is written
    const std::vector<uint8_t> first = Pattern(1000, 1), second = {0xEE}, third = Pattern(3000, 99);
    ASSERT_TRUE(comm.WriteCommData(first.data(), static_cast<uint16_t>(first.size())));
    ASSERT_TRUE(comm.WriteCommData(second.data(), 1));
    ASSERT_TRUE(comm.WriteCommData(third.data(), static_cast<uint16_t>(third.size())));
    EXPECT_FALSE(comm.SendDataEmpty());
    peer.Write(kPort, {0x11}); // XON

    std::vector<uint8_t> expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    expected.insert(expected.end(), third.begin(), third.end());
    EXPECT_EQ(peer.Read(kPort, expected.size()), expected);

    ASSERT_TRUE(queue.RunUntil([&] { return events.empties == 2; }));
    queue.RunFor(100ms);
    EXPECT_EQ(events.empties, 2);
    EXPECT_TRUE(comm.SendDataEmpty());

    const std::u16string text = {u'A', u'\u4E2D', u'\u00FF', u'\0', u'z'};
    EXPECT_TRUE(comm.SendData(text));
    EXPECT_EQ(peer.Read(kPort, 5), (std::vector<uint8_t>{0x41, 0x2D, 0xFF, 0x00, 0x7A}));
}

TEST_F(CommOnWinePort, StopCommWakesABlockedReaderAndWriterWithin100ms)
{
    comm.SetOutx_XonXoffFlow(true);
    Open();
    queue.RunFor(100ms); // the reader sleeps in its wait; nothing arrives
    HoldOurOutput();
    const std::vector<uint8_t> block = Pattern(1000);
    ASSERT_TRUE(comm.WriteCommData(block.data(), static_cast<uint16_t>(block.size())));
    EXPECT_TRUE(peer.Read(kPort, 1, 200ms).empty()) << "sent despite XOFF";
    EXPECT_FALSE(comm.SendDataEmpty());

    EXPECT_LT(TimeToStop(comm), 100ms);
    EXPECT_TRUE(comm.SendDataEmpty());
    EXPECT_EQ(events.hangups, 0);

    // Nothing of the port is left behind: it opens again at once.
    Open();
}

TEST_F(CommOnWinePort, StopCommIsPromptWhileDataStreamsIn)
{
    Open();
    peer.Flood(kPort, 0);
    EXPECT_TRUE(queue.RunUntil([&] { return events.ByteCount() > 200000; }));
    EXPECT_LT(TimeToStop(comm), 100ms);
    peer.StopFlood(kPort);
    EXPECT_EQ(events.hangups, 0);
}

TEST_F(CommOnWinePort, VanishedFarEndGivesOneHangupRequestAndNoSpinning)
{
    Open();
    peer.HangUp(kPort);
    ASSERT_TRUE(queue.RunUntil([&] { return events.hangups == 1; }));
    const double cpuBefore = ProcessCpuMs();
    const double serverBefore = peer.WineServerCpuMs();
    queue.RunFor(500ms);
    EXPECT_LT(ProcessCpuMs() - cpuBefore, 100.0) << "something spins on the dead line";
    EXPECT_LT(peer.WineServerCpuMs() - serverBefore, 100.0)
        << "the wine server spins on the dead line";
    EXPECT_EQ(events.hangups, 1);

    // The component stays open until StopComm.
    EXPECT_NE(comm.Handle(), 0u);
    EXPECT_EQ(comm.StartComm(), 0);
    EXPECT_LT(TimeToStop(comm), 100ms);
    EXPECT_EQ(comm.Handle(), 0u);
}

TEST_F(CommOnWinePort, ModemStateUnderWineIsZero)
{
    EXPECT_EQ(comm.GetModemState(), 0u);
    Open();
    // Wine has no modem lines on a pseudo-terminal: the query fails, which
    // reads as 0 (a real port gives its CTS/DSR/RING/RLSD bits).
    EXPECT_EQ(comm.GetModemState(), 0u);
}
