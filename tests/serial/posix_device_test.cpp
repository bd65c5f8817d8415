// The POSIX device on its own: termios mapping, time-outs, the close event.

#include "pseudo_terminal.h"
#include "serial/posix_backend.h"
#include "serial/posix_device.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace serial;
using namespace std::chrono_literals;

namespace {

// 9600 bits/s, 8 data bits, no parity, one stop bit, no flow control, DTR and RTS on.
LineSettings DefaultState() { return LineSettings{}; }

} // namespace

TEST(SetTermios, FramingParityAndFlowControl)
{
    struct Case {
        const char* what;
        void (*change)(LineSettings&);
        tcflag_t cflagMask, cflag;
        tcflag_t iflagMask, iflag;
    } cases[] = {
        {"defaults", [](LineSettings&) {},
         CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD | HUPCL, CS8 | CLOCAL | CREAD,
         IXON | IXOFF | INPCK, 0},
        {"5 bits", [](LineSettings& s) { s.dataBits = 5; }, CSIZE, CS5, 0, 0},
        {"7 bits", [](LineSettings& s) { s.dataBits = 7; }, CSIZE, CS7, 0, 0},
        {"odd", [](LineSettings& s) { s.parity = Parity::Odd; }, PARENB | PARODD | CMSPAR,
         PARENB | PARODD, 0, 0},
        {"even", [](LineSettings& s) { s.parity = Parity::Even; }, PARENB | PARODD | CMSPAR, PARENB,
         0, 0},
        {"mark", [](LineSettings& s) { s.parity = Parity::Mark; }, PARENB | PARODD | CMSPAR,
         PARENB | PARODD | CMSPAR, 0, 0},
        {"space", [](LineSettings& s) { s.parity = Parity::Space; }, PARENB | PARODD | CMSPAR,
         PARENB | CMSPAR, 0, 0},
        {"parity check", [](LineSettings& s) { s.checkParity = true; }, 0, 0, INPCK, INPCK},
        {"1.5 stop bits", [](LineSettings& s) { s.stopBits = StopBits::OneAndAHalf; }, CSTOPB,
         CSTOPB, 0, 0},
        {"2 stop bits", [](LineSettings& s) { s.stopBits = StopBits::Two; }, CSTOPB, CSTOPB, 0, 0},
        {"CTS flow", [](LineSettings& s) { s.ctsFlow = true; }, CRTSCTS, CRTSCTS, 0, 0},
        {"RTS handshake", [](LineSettings& s) { s.rts = RtsMode::Handshake; }, CRTSCTS, CRTSCTS, 0,
         0},
        {"XON/XOFF both ways", [](LineSettings& s) { s.xonXoff.output = s.xonXoff.input = true; },
         0, 0, IXON | IXOFF, IXON | IXOFF},
    };
    for (const Case& c : cases) {
        termios t{};
        t.c_lflag = ICANON | ECHO | ISIG;
        t.c_oflag = OPOST | ONLCR;
        t.c_iflag = ICRNL | IXON;
        t.c_cflag = HUPCL | CS8;
        LineSettings state = DefaultState();
        c.change(state);
        EXPECT_TRUE(SetTermios(t, state)) << c.what;
        EXPECT_EQ(t.c_cflag & c.cflagMask, c.cflag) << c.what;
        EXPECT_EQ(t.c_iflag & c.iflagMask, c.iflag) << c.what;
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u) << c.what;
        EXPECT_EQ(t.c_oflag & OPOST, 0u) << c.what;
        EXPECT_EQ(t.c_cc[VMIN], 0) << c.what;
        EXPECT_EQ(t.c_cc[VTIME], 0) << c.what;
    }
}

TEST(SetTermios, UnknownSpeedKeepsTheOldOne)
{
    termios t{};
    cfsetospeed(&t, B4800);
    LineSettings state = DefaultState();
    state.baudRate = 12345;
    EXPECT_FALSE(SetTermios(t, state));
    EXPECT_EQ(cfgetospeed(&t), speed_t(B4800));
    state.baudRate = 115200;
    EXPECT_TRUE(SetTermios(t, state));
    EXPECT_EQ(cfgetospeed(&t), speed_t(B115200));
}

class PosixDeviceOnPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(backend.Open(pty.SlavePath(), device), 0);
        ASSERT_TRUE(device->SetupQueues(4096, 4096));
        device->ApplyState(DefaultState());
        close = backend.NewEvent();
        ASSERT_TRUE(close);
    }

    Pty pty;
    PosixBackend backend;
    std::unique_ptr<CommDevice> device;
    std::unique_ptr<Event> close;
    uint8_t buffer[2048] = {};
};

TEST_F(PosixDeviceOnPty, CloseEventWinsOverDataWaitingToBeRead)
{
    device->ApplyTimeouts({10, 0, 0, 0, 0});
    pty.Write({1, 2, 3});
    close->Set();
    EXPECT_EQ(device->WaitReader(*close, buffer, sizeof buffer).kind, ReaderEvent::Closed);
}

// The line never falls quiet for the ten minutes of the interval: the read
// returns because its buffer is full (one that waited for a pause would
// outlast the test's time-out).
TEST_F(PosixDeviceOnPty, ReadFillsTheBufferWithoutWaitingForAPause)
{
    device->ApplyTimeouts({600000, 0, 0, 0, 0});
    std::vector<uint8_t> bytes(3000, 0x42);
    pty.Write(bytes);
    ReaderEvent event = device->WaitReader(*close, buffer, sizeof buffer);
    EXPECT_EQ(event.kind, ReaderEvent::ReadDone);
    EXPECT_EQ(event.value, 2048u);
}

// A writer that never pauses: delivering at once, each read completes with
// what the driver holds then, however much more keeps coming; with an
// interval the same read goes on until its buffer is full. Counted in bytes:
// the pty passes on at most a few kB at a time, the buffer takes 16 kB.
TEST_F(PosixDeviceOnPty, DeliveringAtOnceCompletesWhileMoreKeepsComing)
{
    struct Case {
        const char* what;
        CommTimeouts timeouts;
        bool fillsTheBuffer;
    } cases[] = {
        {"at once", {kMaxTimeout, kMaxTimeout, 0, 0, 0}, false},
        {"interval", {1000, 0, 0, 0, 0}, true},
    };
    std::atomic<bool> stop{false}, stopped{false};
    std::thread writer([&] {
        const std::vector<uint8_t> frame(19, 0xAA);
        while (!stop)
            pty.Write(frame);
        stopped = true;
    });
    std::vector<uint8_t> large(16384);
    for (const Case& c : cases) {
        device->ApplyTimeouts(c.timeouts);
        for (int read = 0; read < 5; ++read) {
            const ReaderEvent event =
                device->WaitReader(*close, large.data(), static_cast<uint32_t>(large.size()));
            ASSERT_EQ(event.kind, ReaderEvent::ReadDone) << c.what;
            EXPECT_GT(event.value, 0u) << c.what;
            EXPECT_EQ(event.value == large.size(), c.fillsTheBuffer)
                << c.what << " " << event.value;
        }
    }
    stop = true;
    // A writer blocked on a full pty goes on once read from, and sees the stop.
    device->ApplyTimeouts({kMaxTimeout, 0, 0, 0, 0});
    while (!stopped)
        device->WaitReader(*close, large.data(), static_cast<uint32_t>(large.size()));
    writer.join();
}

TEST_F(PosixDeviceOnPty, WriteTimeoutEndsAWriteThatCannotFinish)
{
    // Nobody reads the master, so the pty fills up and the write stalls.
    device->ApplyTimeouts({0, 0, 0, 0, 100});
    std::vector<uint8_t> block(1 << 20, 0x55);
    const auto start = std::chrono::steady_clock::now();
    WriteOutcome outcome = device->Write(*close, block.data(), static_cast<uint32_t>(block.size()));
    EXPECT_EQ(outcome.status, IoStatus::Ok);
    EXPECT_GT(outcome.sent, 0u);
    EXPECT_LT(outcome.sent, block.size());
    // The write waited for its time-out (a lower bound only: a loaded
    // machine may take longer).
    EXPECT_GE(std::chrono::steady_clock::now() - start, 90ms);
}

TEST_F(PosixDeviceOnPty, LostFarEndFailsReadAndWrite)
{
    pty.CloseMaster();
    EXPECT_EQ(device->WaitReader(*close, buffer, sizeof buffer).kind, ReaderEvent::Failed);
    const uint8_t byte = 0;
    EXPECT_EQ(device->Write(*close, &byte, 1).status, IoStatus::Failed);
}
