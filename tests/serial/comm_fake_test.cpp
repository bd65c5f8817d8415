// TComm and its threads on a scripted device: the failure tables, line
// events, partial writes and the mapping of the properties onto the device.
// These run on every system. They are also where the Windows build's line
// events, error flags, modem bits and refusals of a busy port are tested:
// wine over a pseudo-terminal (tests/serial/win32_port_test.cpp) has no line
// events, no modem lines and no error flags, and opens a busy port twice.

#include "comm_events.h"
#include "fake_backend.h"
#include "post_queue.h"
#include "serial/comm.h"

#include <gtest/gtest.h>

using namespace serial;
using namespace std::chrono_literals;

class CommOnFake : public ::testing::Test {
protected:
    CommOnFake() : comm(queue.Poster(), backend) { events.Attach(comm); }

    FakeScript& script() { return backend.script; }
    bool ReaderEnded()
    {
        return script().WaitFor([&] { return script().readerEnded; });
    }
    bool WriterEnded()
    {
        return script().WaitFor([&] { return script().writerEnded; });
    }
    LineSettings LastState()
    {
        std::lock_guard lock(script().mutex);
        return script().states.back();
    }
    size_t StateCount()
    {
        std::lock_guard lock(script().mutex);
        return script().states.size();
    }
    std::vector<uint8_t> Written()
    {
        std::lock_guard lock(script().mutex);
        return script().written;
    }

    FakeBackend backend;
    PostQueue queue;
    TComm comm;
    CommEvents events;
};

TEST_F(CommOnFake, EachFailingStartStepGivesItsCodeAndReleasesWhatItTook)
{
    struct Case {
        const char* what;
        void (*arrange)(FakeScript&);
        int code;
    } cases[] = {
        {"cannot open (absent, or busy)", [](FakeScript& s) { s.openResult = -1; }, -1},
        {"not a character device", [](FakeScript& s) { s.openResult = -2; }, -2},
        {"queues refused", [](FakeScript& s) { s.setupQueuesOk = false; }, -3},
        {"no close event", [](FakeScript& s) { s.failNewEventCall = s.newEventCalls; }, -4},
        {"no writer inbox", [](FakeScript& s) { s.failNewEventCall = s.newEventCalls + 1; }, -6},
    };
    for (const Case& c : cases) {
        {
            std::lock_guard lock(script().mutex);
            c.arrange(script());
        }
        EXPECT_EQ(comm.StartComm(), c.code) << c.what;
        EXPECT_EQ(comm.Handle(), 0u) << c.what;
        {
            std::lock_guard lock(script().mutex);
            EXPECT_EQ(script().openDevices, 0) << c.what;
            script().openResult = 0;
            script().setupQueuesOk = true;
            script().failNewEventCall = -1;
        }
        EXPECT_EQ(comm.StartComm(), 1) << "after " << c.what;
        comm.StopComm();
    }
    // The writer that could not be made left a reader that was stopped again.
    EXPECT_TRUE(script().readerEnded);
}

TEST_F(CommOnFake, ReaderFailureTable)
{
    const std::vector<uint8_t> before = {1, 2, 3};
    struct Case {
        const char* what;
        ReaderStep failure;
        IoStatus clearErrors;
        bool beginFails;
        int hangups;
    } cases[] = {
        {"cannot begin", {}, IoStatus::Ok, true, 1},
        {"read or wait fails", {{ReaderEvent::Failed, 0}, {}}, IoStatus::Ok, false, 1},
        {"handle no longer valid", {{ReaderEvent::InvalidHandle, 0}, {}}, IoStatus::Ok, false, 0},
        {"read completes empty", {{ReaderEvent::ReadDone, 0}, {}}, IoStatus::Ok, false, 0},
        {"line event without any of the three",
         {{ReaderEvent::LineEvent, 0x0004}, {}},
         IoStatus::Ok,
         false,
         1},
        {"error flags unreadable",
         {{ReaderEvent::LineEvent, kEvErr}, {}},
         IoStatus::Failed,
         false,
         1},
        {"error flags, handle gone",
         {{ReaderEvent::LineEvent, kEvErr}, {}},
         IoStatus::InvalidHandle,
         false,
         0},
    };
    for (const Case& c : cases) {
        events = {};
        events.Attach(comm);
        {
            std::lock_guard lock(script().mutex);
            script().readerEnded = false;
            script().beginReaderOk = !c.beginFails;
            script().clearErrorsStatus = c.clearErrors;
        }
        if (!c.beginFails) {
            script().AddReaderStep({{ReaderEvent::ReadDone, 0}, before});
            script().AddReaderStep(c.failure);
            script().AddReaderStep({{ReaderEvent::ReadDone, 0}, {9}}); // never read
        }
        ASSERT_EQ(comm.StartComm(), 1) << c.what;
        ASSERT_TRUE(ReaderEnded()) << c.what;
        queue.RunUntil([&] { return events.empties == 1; });
        queue.RunQueued(); // the thread has ended: all it posted is queued

        EXPECT_EQ(events.hangups, c.hangups) << c.what;
        EXPECT_EQ(events.Bytes(), c.beginFails ? std::vector<uint8_t>{} : before) << c.what;
        // The component stays open and the writer still works.
        EXPECT_NE(comm.Handle(), 0u) << c.what;
        EXPECT_EQ(comm.StartComm(), 0) << c.what;
        const uint8_t byte = 7;
        EXPECT_TRUE(comm.WriteCommData(&byte, 1)) << c.what;
        comm.StopComm();
        std::lock_guard lock(script().mutex);
        script().readerSteps.clear();
    }
}

TEST_F(CommOnFake, LineErrorComesBeforeTheModemChangeOfTheSameEvent)
{
    {
        std::lock_guard lock(script().mutex);
        script().lineErrors = kCeFrame | kCeBreak;
    }
    script().AddReaderStep({{ReaderEvent::LineEvent, kEvErr | kEvRlsd}, {}});
    script().AddReaderStep({{ReaderEvent::LineEvent, kEvRlsd | kEvRing}, {}});
    script().AddReaderStep({{ReaderEvent::LineEvent, kEvRing}, {}});
    script().AddReaderStep({{ReaderEvent::ReadDone, 0}, {0x41}});
    ASSERT_EQ(comm.StartComm(), 1);
    ASSERT_TRUE(queue.RunUntil([&] { return !events.chunks.empty(); }));
    std::vector<std::string> raised;
    for (const std::string& e : events.order) {
        if (e != "empty")
            raised.push_back(e);
    }
    EXPECT_EQ(raised,
              (std::vector<std::string>{"error 24", "modem 8", "modem 12", "modem 4", "data"}));
    std::lock_guard lock(script().mutex); // the reader is still running
    EXPECT_FALSE(script().readerEnded) << "line events do not end the reader";
}

// Reads that complete before the owner takes their block join it when the
// time-outs deliver at once (one event, one wake-up); a line event in
// between still comes between the bytes before and after it. With an
// interval each read stays a block of its own.
TEST_F(CommOnFake, ReadsJoinWhileTheOwnerIsBusyOnlyWhenDeliveringAtOnce)
{
    {
        std::lock_guard lock(script().mutex);
        script().lineErrors = kCeFrame;
    }
    struct Case {
        const char* what;
        uint32_t interval, multiplier;
        std::vector<std::vector<uint8_t>> chunks;
        std::vector<std::string> order;
    } cases[] = {
        {"at once", kMaxTimeout, kMaxTimeout, {{1, 2, 3, 4}, {5}}, {"data", "error 8", "data"}},
        {"interval", 10, 0, {{1, 2}, {3, 4}, {5}}, {"data", "data", "error 8", "data"}},
    };
    for (const Case& c : cases) {
        events = {};
        events.Attach(comm);
        comm.SetReadIntervalTimeout(c.interval);
        comm.SetReadTotalTimeoutMultiplier(c.multiplier);
        ASSERT_EQ(comm.StartComm(), 1) << c.what;
        ASSERT_TRUE(queue.RunUntil([&] { return events.empties == 1; })) << c.what;
        events.order.clear();
        script().AddReaderStep({{ReaderEvent::ReadDone, 0}, {1, 2}});
        script().AddReaderStep({{ReaderEvent::ReadDone, 0}, {3, 4}});
        script().AddReaderStep({{ReaderEvent::LineEvent, kEvErr}, {}});
        script().AddReaderStep({{ReaderEvent::ReadDone, 0}, {5}});
        // Nothing is handled until every step has been posted.
        ASSERT_TRUE(queue.WaitQueued(c.order.size())) << c.what;
        ASSERT_TRUE(queue.RunUntil([&] { return events.order.size() == c.order.size(); }))
            << c.what;
        queue.RunQueued();
        EXPECT_EQ(events.chunks, c.chunks) << c.what;
        EXPECT_EQ(events.order, c.order) << c.what;
        EXPECT_TRUE(events.everyBufferZeroTerminated) << c.what;
        comm.StopComm();
    }
}

TEST_F(CommOnFake, WriterFailureTable)
{
    struct Case {
        const char* what;
        bool beginFails;
        IoStatus writeStatus;
        int hangups;
    } cases[] = {
        {"cannot begin", true, IoStatus::Ok, 1},
        {"write fails", false, IoStatus::Failed, 1},
        {"handle no longer valid", false, IoStatus::InvalidHandle, 0},
    };
    const uint8_t frame[8] = {0xAA, 1, 2, 3, 4, 5, 6, 7};
    for (const Case& c : cases) {
        events = {};
        events.Attach(comm);
        {
            std::lock_guard lock(script().mutex);
            script().writerEnded = false;
            script().beginWriterOk = !c.beginFails;
            script().writeSteps = {{c.writeStatus, UINT32_MAX}};
        }
        ASSERT_EQ(comm.StartComm(), 1) << c.what;
        if (!c.beginFails) {
            EXPECT_TRUE(comm.WriteCommData(frame, 8)) << c.what;
        }
        ASSERT_TRUE(WriterEnded()) << c.what;
        queue.RunQueued(); // the thread has ended: all it posted is queued

        EXPECT_EQ(events.hangups, c.hangups) << c.what;
        EXPECT_FALSE(comm.WriteCommData(frame, 8)) << c.what << ": accepted after the writer ended";
        EXPECT_TRUE(comm.SendDataEmpty()) << c.what;
        EXPECT_TRUE(Written().empty()) << c.what;
        comm.StopComm();
    }
}

TEST_F(CommOnFake, PartialWritesContinueFromTheFirstUnsentByte)
{
    {
        std::lock_guard lock(script().mutex);
        script().writeSteps = {{IoStatus::Ok, 3}, {IoStatus::Ok, 0}, {IoStatus::Ok, 5},
                               {IoStatus::Ok, 1}, {IoStatus::Ok, 0}, {IoStatus::Ok, 4}};
    }
    ASSERT_EQ(comm.StartComm(), 1);
    const std::vector<uint8_t> a = Pattern(20, 0x10), b = Pattern(6, 0x80);
    ASSERT_TRUE(comm.WriteCommData(a.data(), static_cast<uint16_t>(a.size())));
    ASSERT_TRUE(comm.WriteCommData(b.data(), static_cast<uint16_t>(b.size())));
    std::vector<uint8_t> expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    ASSERT_TRUE(script().WaitFor([&] { return script().written.size() >= expected.size(); }));
    EXPECT_EQ(Written(), expected);
    // (Blocks queued before the writer first looked give a single notice.)
    queue.RunUntil([&] { return comm.SendDataEmpty() && events.empties >= 1; });
    EXPECT_TRUE(comm.SendDataEmpty());
}

TEST_F(CommOnFake, BlocksStillQueuedAtStopAreDropped)
{
    {
        std::lock_guard lock(script().mutex);
        script().writesStall = true;
    }
    ASSERT_EQ(comm.StartComm(), 1);
    const uint8_t frame[8] = {};
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(comm.WriteCommData(frame, 8));
    EXPECT_FALSE(comm.SendDataEmpty());
    comm.StopComm();
    EXPECT_TRUE(comm.SendDataEmpty());
    EXPECT_TRUE(Written().empty());
    EXPECT_EQ(events.hangups, 0);
}

TEST_F(CommOnFake, FailingPostsEndBothThreadsWithoutLosingTrackOfBlocks)
{
    queue.FailPosts(true); // even the writer's first empty notice is refused
    script().AddReaderStep({{ReaderEvent::ReadDone, 0}, {1, 2, 3}});
    ASSERT_EQ(comm.StartComm(), 1);
    EXPECT_TRUE(ReaderEnded());
    EXPECT_TRUE(WriterEnded());
    const uint8_t byte = 0;
    EXPECT_FALSE(comm.WriteCommData(&byte, 1));
    comm.StopComm();
    queue.FailPosts(false);
    queue.RunQueued(); // stopped: all it posted is queued
    EXPECT_TRUE(events.order.empty());
}

TEST_F(CommOnFake, PropertiesMapOntoTheLineSettings)
{
    ASSERT_EQ(comm.StartComm(), 1);
    const LineSettings s = LastState();
    EXPECT_EQ(s.baudRate, 9600u);
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.parity, Parity::None);
    EXPECT_EQ(s.stopBits, StopBits::One);
    EXPECT_FALSE(s.checkParity || s.replaceParityErrors || s.discardNulls || s.ctsFlow ||
                 s.dsrFlow || s.dsrSensitivity);
    EXPECT_EQ(s.errorChar, 0);
    // XON/XOFF both ways, going on after XOFF, the usual characters.
    EXPECT_EQ(s.xonXoff, (XonXoff{true, true, true, 0x11, 0x13, 500, 500}));
    EXPECT_EQ(s.dtr, DtrMode::On);
    EXPECT_EQ(s.rts, RtsMode::On);

    struct Case {
        const char* what;
        void (*change)(TComm&);
        bool (*holds)(const LineSettings&);
    } cases[] = {
        {"DtrDisable", [](TComm& c) { c.SetDtrControl(TDtrControl::DtrDisable); },
         [](const LineSettings& s) { return s.dtr == DtrMode::Off; }},
        {"DtrHandshake", [](TComm& c) { c.SetDtrControl(TDtrControl::DtrHandshake); },
         [](const LineSettings& s) { return s.dtr == DtrMode::Handshake; }},
        {"DtrEnable", [](TComm& c) { c.SetDtrControl(TDtrControl::DtrEnable); },
         [](const LineSettings& s) { return s.dtr == DtrMode::On; }},
        {"RtsDisable", [](TComm& c) { c.SetRtsControl(TRtsControl::RtsDisable); },
         [](const LineSettings& s) { return s.rts == RtsMode::Off; }},
        {"RtsHandshake", [](TComm& c) { c.SetRtsControl(TRtsControl::RtsHandshake); },
         [](const LineSettings& s) { return s.rts == RtsMode::Handshake; }},
        {"RtsTransmissionAvailable",
         [](TComm& c) { c.SetRtsControl(TRtsControl::RtsTransmissionAvailable); },
         [](const LineSettings& s) { return s.rts == RtsMode::WhileSending; }},
        {"_7", [](TComm& c) { c.SetByteSize(TByteSize::_7); },
         [](const LineSettings& s) { return s.dataBits == 7; }},
        {"_5", [](TComm& c) { c.SetByteSize(TByteSize::_5); },
         [](const LineSettings& s) { return s.dataBits == 5; }},
        {"ParityCheck", [](TComm& c) { c.SetParityCheck(true); },
         [](const LineSettings& s) { return s.checkParity; }},
        {"Outx_CtsFlow", [](TComm& c) { c.SetOutx_CtsFlow(true); },
         [](const LineSettings& s) { return s.ctsFlow; }},
        {"Outx_DsrFlow", [](TComm& c) { c.SetOutx_DsrFlow(true); },
         [](const LineSettings& s) { return s.dsrFlow; }},
        {"DsrSensitivity", [](TComm& c) { c.SetDsrSensitivity(true); },
         [](const LineSettings& s) { return s.dsrSensitivity; }},
        {"TxContinueOnXoff", [](TComm& c) { c.SetTxContinueOnXoff(false); },
         [](const LineSettings& s) { return !s.xonXoff.continueAfterXoff; }},
        {"Outx_XonXoffFlow", [](TComm& c) { c.SetOutx_XonXoffFlow(false); },
         [](const LineSettings& s) { return !s.xonXoff.output && s.xonXoff.input; }},
        {"Inx_XonXoffFlow", [](TComm& c) { c.SetInx_XonXoffFlow(false); },
         [](const LineSettings& s) { return !s.xonXoff.input; }},
        {"ReplaceWhenParityError", [](TComm& c) { c.SetReplaceWhenParityError(true); },
         [](const LineSettings& s) { return s.replaceParityErrors; }},
        {"IgnoreNullChar", [](TComm& c) { c.SetIgnoreNullChar(true); },
         [](const LineSettings& s) { return s.discardNulls; }},
        {"StopBits _1_5", [](TComm& c) { c.SetStopBits(TStopBits::_1_5); },
         [](const LineSettings& s) { return s.stopBits == StopBits::OneAndAHalf; }},
        {"StopBits _2", [](TComm& c) { c.SetStopBits(TStopBits::_2); },
         [](const LineSettings& s) { return s.stopBits == StopBits::Two; }},
        {"XonLimit", [](TComm& c) { c.SetXonLimit(100); },
         [](const LineSettings& s) { return s.xonXoff.xonLimit == 100; }},
        {"XoffLimit", [](TComm& c) { c.SetXoffLimit(200); },
         [](const LineSettings& s) { return s.xonXoff.xoffLimit == 200; }},
        {"XonChar", [](TComm& c) { c.SetXonChar(0x21); },
         [](const LineSettings& s) { return s.xonXoff.xonChar == 0x21; }},
        {"XoffChar", [](TComm& c) { c.SetXoffChar(0x22); },
         [](const LineSettings& s) { return s.xonXoff.xoffChar == 0x22; }},
        {"ReplacedChar", [](TComm& c) { c.SetReplacedChar('?'); },
         [](const LineSettings& s) { return s.errorChar == '?'; }},
        {"BaudRate", [](TComm& c) { c.SetBaudRate(115200); },
         [](const LineSettings& s) { return s.baudRate == 115200; }},
    };
    for (const Case& c : cases) {
        const size_t applied = StateCount();
        c.change(comm);
        ASSERT_EQ(StateCount(), applied + 1) << c.what << " is applied at once";
        EXPECT_TRUE(c.holds(LastState())) << c.what;
        c.change(comm);
        EXPECT_EQ(StateCount(), applied + 1) << c.what << ": the same value again does nothing";
    }
}

TEST_F(CommOnFake, ParityAndCommNameWaitWhileTimeoutsApplyAtOnce)
{
    ASSERT_EQ(comm.StartComm(), 1);
    const size_t applied = StateCount();
    comm.SetParity(TParity::Mark);
    comm.SetCommName("COM7");
    EXPECT_EQ(StateCount(), applied);
    comm.SetBaudRate(4800);
    EXPECT_EQ(LastState().parity, Parity::Mark);

    comm.SetReadIntervalTimeout(10);
    comm.SetWriteTotalTimeoutConstant(250);
    {
        std::lock_guard lock(script().mutex);
        const CommTimeouts& t = script().timeouts.back();
        EXPECT_EQ(t.ReadIntervalTimeout, 10u);
        EXPECT_EQ(t.WriteTotalTimeoutConstant, 250u);
        EXPECT_EQ(script().timeouts.size(), 3u); // at the start, then one per change
    }

    comm.StopComm();
    comm.SetBaudRate(1200); // closed: stored only
    EXPECT_EQ(comm.BaudRate(), 1200u);
    EXPECT_EQ(StateCount(), applied + 1);
}

TEST_F(CommOnFake, StartDiscardsStaleBytesAndModemStateReadsTheDevice)
{
    {
        std::lock_guard lock(script().mutex);
        script().modemBits = kMsCtsOn | kMsRlsdOn;
    }
    ASSERT_EQ(comm.StartComm(), 1);
    {
        std::lock_guard lock(script().mutex);
        EXPECT_EQ(script().purges.front(),
                  kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear);
    }
    EXPECT_EQ(comm.GetModemState(), kMsCtsOn | kMsRlsdOn);
    {
        std::lock_guard lock(script().mutex);
        script().modemStatusOk = false;
    }
    EXPECT_EQ(comm.GetModemState(), 0u);
}
