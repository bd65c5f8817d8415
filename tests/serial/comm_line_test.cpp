// TComm on a real line, the test playing the far end: each case once, run
// on every backend this system has (line_ends.h): the POSIX backend on a
// kernel pseudo-terminal, the Win32 backend on a wine COM port. What only
// one backend has is tested beside it (comm_pty_test.cpp,
// win32_port_test.cpp).
//
// A StopComm that must be prompt is only required to return here: one that
// hangs ends the test by its time-out; how soon it returns is measured in
// bench/.

#include "comm_events.h"
#include "line_ends.h"
#include "post_queue.h"
#include "serial/comm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr uint32_t kInterval = 50; // ms: the line falls quiet for this long between chunks

} // namespace

template <typename LineEnd> class CommOnLine : public ::testing::Test {
protected:
    CommOnLine() : comm(queue.Poster())
    {
        events.Attach(comm);
        comm.SetCommName(end.PortName());
        comm.SetReadIntervalTimeout(kInterval);
        comm.SetOutx_XonXoffFlow(false); // as the application: every byte value passes
    }

    void Open()
    {
        const int expected = events.empties + 1;
        ASSERT_EQ(comm.StartComm(), 1);
        ASSERT_TRUE(queue.RunUntil([&] { return events.empties == expected; }))
            << "no empty notice after the start";
    }

    // XOFF from the far end, and a marker behind it: once the marker has
    // been received the XOFF has been acted on.
    void HoldOurOutput()
    {
        const size_t received = events.ByteCount();
        end.Write({0x13, 'M'});
        ASSERT_TRUE(queue.RunUntil([&] { return events.ByteCount() > received; }));
    }

    // The port is stopped: every notification it posted is queued by now.
    void StopAndRunWhatCame()
    {
        comm.StopComm();
        queue.RunQueued();
    }

    LineEnd end;
    PostQueue queue;
    TComm comm;
    CommEvents events;
};

TYPED_TEST_SUITE(CommOnLine, LineEnds, LineEndNames);

TYPED_TEST(CommOnLine, OpensOnceClosesOnceAndOpensAgain)
{
    EXPECT_EQ(this->comm.Handle(), 0u);
    this->Open();
    EXPECT_NE(this->comm.Handle(), 0u);
    EXPECT_TRUE(this->comm.SendDataEmpty());
    EXPECT_EQ(this->comm.StartComm(), 0);

    this->comm.StopComm();
    EXPECT_EQ(this->comm.Handle(), 0u);
    this->comm.StopComm();
    EXPECT_EQ(this->comm.Handle(), 0u);

    this->Open();
    const uint8_t byte = 0x5A;
    ASSERT_TRUE(this->comm.WriteCommData(&byte, 1));
    EXPECT_EQ(this->end.Read(1), std::vector<uint8_t>{0x5A});
    ASSERT_TRUE(this->queue.RunUntil([&] { return this->events.empties == 3; }));
    this->StopAndRunWhatCame();
    EXPECT_EQ(this->events.empties, 3) << "one empty notice per start and per emptied queue";
    EXPECT_EQ(this->events.hangups, 0);
}

TYPED_TEST(CommOnLine, LineSettingsReachTheOpenPort)
{
    this->comm.SetStopBits(TStopBits::_2);
    this->Open();
    EXPECT_EQ(this->end.Settings(),
              "speed=9600 bits=8 parenb=0 cstopb=1 crtscts=0 ixon=0 ixoff=1 vstop=19");

    this->comm.SetBaudRate(19200);
    this->comm.SetOutx_XonXoffFlow(true);
    this->comm.SetXoffChar(0x14);
    EXPECT_EQ(this->end.Settings(),
              "speed=19200 bits=8 parenb=0 cstopb=1 crtscts=0 ixon=1 ixoff=1 vstop=20");
}

TYPED_TEST(CommOnLine, ChunksEndWhenTheLineFallsQuiet)
{
    this->Open();
    const std::vector<uint8_t> reply = Pattern(19, 0xAA);
    this->end.Write(reply);
    ASSERT_TRUE(this->queue.RunUntil([&] { return this->events.ByteCount() == 19; }));

    // The first part is delivered on its own once the line has been quiet;
    // the rest follows as a chunk of its own.
    this->end.Write({reply.begin(), reply.begin() + 7});
    ASSERT_TRUE(this->queue.RunUntil([&] { return this->events.ByteCount() == 26; }));
    this->end.Write({reply.begin() + 7, reply.end()});
    ASSERT_TRUE(this->queue.RunUntil([&] { return this->events.ByteCount() == 38; }));

    ASSERT_EQ(this->events.chunks.size(), 3u);
    EXPECT_EQ(this->events.chunks[0], reply);
    EXPECT_EQ(this->events.chunks[1], std::vector<uint8_t>(reply.begin(), reply.begin() + 7));
    EXPECT_EQ(this->events.chunks[2], std::vector<uint8_t>(reply.begin() + 7, reply.end()));
    EXPECT_TRUE(this->events.everyBufferZeroTerminated);
}

TYPED_TEST(CommOnLine, BurstArrivesWholeInChunksOfAtMost2048)
{
    this->Open();
    const std::vector<uint8_t> burst = Pattern(5000, 7);
    this->end.Write(burst);
    ASSERT_TRUE(this->queue.RunUntil([&] { return this->events.ByteCount() >= burst.size(); }));
    this->StopAndRunWhatCame();

    EXPECT_EQ(this->events.Bytes(), burst);
    EXPECT_GE(this->events.chunks.size(), 3u);
    for (const auto& chunk : this->events.chunks) {
        EXPECT_GE(chunk.size(), 1u);
        EXPECT_LE(chunk.size(), 2048u);
    }
    EXPECT_TRUE(this->events.everyBufferZeroTerminated);
}

// Delivering at once, as the scale line: a lone frame arrives after a quiet
// line (the reader does not end on a read that finds nothing), and a burst
// larger than a read arrives whole and in order, in blocks of at most
// 16384 bytes.
TYPED_TEST(CommOnLine, DeliveringAtOnceReadsWhatIsThereAfterQuietAndInBursts)
{
    this->comm.SetReadIntervalTimeout(serial::kMaxTimeout);
    this->comm.SetReadTotalTimeoutMultiplier(serial::kMaxTimeout);
    this->Open();

    const std::vector<uint8_t> frame = Pattern(19, 0xAA);
    this->end.Write(frame);
    ASSERT_TRUE(this->queue.RunUntil([&] { return this->events.ByteCount() == frame.size(); }));
    EXPECT_EQ(this->events.Bytes(), frame);

    const std::vector<uint8_t> burst = Pattern(60000, 3);
    this->end.Write(burst);
    ASSERT_TRUE(this->queue.RunUntil(
        [&] { return this->events.ByteCount() >= frame.size() + burst.size(); }));
    std::vector<uint8_t> expected = frame;
    expected.insert(expected.end(), burst.begin(), burst.end());
    EXPECT_EQ(this->events.Bytes(), expected);
    for (const auto& chunk : this->events.chunks)
        EXPECT_LE(chunk.size(), 16384u);
    EXPECT_TRUE(this->events.everyBufferZeroTerminated);
    EXPECT_EQ(this->events.hangups, 0);
}

TYPED_TEST(CommOnLine, BlocksQueuedBackToBackGoOutInOrderWithOneEmptyNotice)
{
    this->comm.SetOutx_XonXoffFlow(true);
    this->Open();
    this->HoldOurOutput(); // so all three are queued before the first is written
    const std::vector<uint8_t> first = Pattern(1000, 1), second = {0xEE}, third = Pattern(3000, 99);
    ASSERT_TRUE(this->comm.WriteCommData(first.data(), static_cast<uint16_t>(first.size())));
    ASSERT_TRUE(this->comm.WriteCommData(second.data(), 1));
    ASSERT_TRUE(this->comm.WriteCommData(third.data(), static_cast<uint16_t>(third.size())));
    EXPECT_FALSE(this->comm.SendDataEmpty());
    this->end.Write({0x11}); // XON

    std::vector<uint8_t> expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    expected.insert(expected.end(), third.begin(), third.end());
    EXPECT_EQ(this->end.Read(expected.size()), expected);

    ASSERT_TRUE(this->queue.RunUntil([&] { return this->events.empties == 2; }));
    EXPECT_TRUE(this->comm.SendDataEmpty());
    this->StopAndRunWhatCame();
    EXPECT_EQ(this->events.empties, 2);
}

TYPED_TEST(CommOnLine, WriteCommDataRefusesNothingToSendAndAClosedPort)
{
    const uint8_t byte = 0x55;
    EXPECT_FALSE(this->comm.WriteCommData(&byte, 1));
    this->Open();
    EXPECT_FALSE(this->comm.WriteCommData(&byte, 0));
    EXPECT_FALSE(this->comm.WriteCommData(nullptr, 1));
    EXPECT_TRUE(this->comm.SendDataEmpty());
}

TYPED_TEST(CommOnLine, SendDataSendsTheLowByteOfEachUnit)
{
    EXPECT_TRUE(this->comm.SendData(u""));
    EXPECT_FALSE(this->comm.SendData(u"AB"));
    this->Open();
    const std::u16string text = {u'A', u'\u4E2D', u'\u00FF', u'\0', u'z'};
    EXPECT_TRUE(this->comm.SendData(text));
    EXPECT_EQ(this->end.Read(5), (std::vector<uint8_t>{0x41, 0x2D, 0xFF, 0x00, 0x7A}));
}

// The reader ends with one hang-up request; the component stays open until
// StopComm. (That nothing spins on the dead line is measured in bench/.)
TYPED_TEST(CommOnLine, VanishedFarEndGivesOneHangupRequest)
{
    this->Open();
    this->end.HangUp();
    ASSERT_TRUE(this->queue.RunUntil([&] { return this->events.hangups == 1; }));
    EXPECT_NE(this->comm.Handle(), 0u);
    EXPECT_EQ(this->comm.StartComm(), 0);
    this->StopAndRunWhatCame();
    EXPECT_EQ(this->events.hangups, 1);
    EXPECT_EQ(this->comm.Handle(), 0u);
}

// The far end throws away bytes the component has not read yet, again and
// again, as scale-sim does with what a slow reader leaves unread: a read
// woken for them may find nothing (under wine that ends the read as a
// broken pipe). That is no hang-up: what comes next arrives.
TYPED_TEST(CommOnLine, BytesThrownAwayUnreadAreNoHangup)
{
    this->comm.SetReadIntervalTimeout(serial::kMaxTimeout); // as the scale line
    this->comm.SetReadTotalTimeoutMultiplier(serial::kMaxTimeout);
    this->Open();
    for (int round = 0; round < 200; ++round) {
        this->end.Write(Pattern(19, static_cast<uint8_t>(round)));
        this->end.DiscardUnread();
    }
    const std::vector<uint8_t> frame(19, 0x5A); // no pattern of the rounds
    this->end.Write(frame);
    ASSERT_TRUE(this->queue.RunUntil([&] {
        const std::vector<uint8_t> bytes = this->events.Bytes();
        return this->events.hangups > 0 ||
               (bytes.size() >= frame.size() &&
                std::equal(frame.begin(), frame.end(), bytes.end() - 19));
    })) << "the last frame did not arrive";
    EXPECT_EQ(this->events.hangups, 0);
    EXPECT_NE(this->comm.Handle(), 0u);
}

TYPED_TEST(CommOnLine, StopCommReturnsWhileDataStreamsIn)
{
    this->Open();
    this->end.Flood();
    EXPECT_TRUE(this->queue.RunUntil([&] { return this->events.ByteCount() > 200000; }));
    this->comm.StopComm();
    this->end.StopFlood();
    EXPECT_EQ(this->comm.Handle(), 0u);
    EXPECT_EQ(this->events.hangups, 0);
}

TYPED_TEST(CommOnLine, StopCommReturnsWhileAWriteIsHeldByFlowControl)
{
    this->comm.SetOutx_XonXoffFlow(true);
    this->Open();
    this->HoldOurOutput();
    const std::vector<uint8_t> block = Pattern(1000);
    ASSERT_TRUE(this->comm.WriteCommData(block.data(), static_cast<uint16_t>(block.size())));
    EXPECT_FALSE(this->comm.SendDataEmpty());

    this->StopAndRunWhatCame();
    EXPECT_TRUE(this->comm.SendDataEmpty());
    EXPECT_EQ(this->events.hangups, 0);
    // Held until the stop: the far end sees none of it.
    EXPECT_TRUE(this->end.Read(1, 0ms).empty()) << "sent despite XOFF";

    // Nothing of the port is left behind: it opens again at once.
    this->Open();
}

TYPED_TEST(CommOnLine, NotificationsPostedBeforeStopCommArriveAfterIt)
{
    this->Open();
    const std::vector<uint8_t> reply = Pattern(19, 0xAA);
    this->end.Write(reply);
    ASSERT_TRUE(this->queue.WaitQueued(1));
    this->comm.StopComm();
    ASSERT_TRUE(this->queue.RunUntil([&] { return !this->events.chunks.empty(); }));
    EXPECT_EQ(this->events.chunks[0], reply);
    EXPECT_TRUE(this->events.everyBufferZeroTerminated);
}

TYPED_TEST(CommOnLine, NotificationsQueuedPastTheComponentsLifeAreDropped)
{
    int raised = 0;
    {
        TComm shortLived(this->queue.Poster());
        shortLived.OnReceiveData = [&](TComm*, const void*, uint16_t) { ++raised; };
        shortLived.OnSendDataEmpty = [&](TComm*) { ++raised; };
        shortLived.SetCommName(this->end.PortName());
        shortLived.SetReadIntervalTimeout(kInterval);
        ASSERT_EQ(shortLived.StartComm(), 1);
        this->end.Write(Pattern(19));
        ASSERT_TRUE(this->queue.WaitQueued(2)); // the empty notice and the data
    }
    // Its threads have ended with it: all it posted is queued.
    this->queue.RunQueued();
    EXPECT_EQ(raised, 0);
}

TYPED_TEST(CommOnLine, ModemStateOfAClosedPortOrALineWithoutModemLinesIsZero)
{
    EXPECT_EQ(this->comm.GetModemState(), 0u);
    this->Open();
    // A pseudo-terminal has no modem lines (under wine the query fails,
    // which reads as 0; a real port gives its CTS/DSR/RING/RLSD bits).
    EXPECT_EQ(this->comm.GetModemState(), 0u);
}
