// TComm with the Win32 backend on a wine COM port whose far end is a Linux
// pseudo-terminal played by the pty peer (tests/wine/pty_peer.cpp): what
// only this backend has (its name forms, its DCB and time-outs). The cases
// every backend shares are in comm_line_test.cpp.
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

constexpr uint32_t kInterval = 50; // ms
constexpr int kPort = 23;          // COM23: a number of two digits, as "//./" is there for

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

// (What the far end sees of the settings: comm_line_test.cpp.)
TEST_F(CommOnWinePort, DcbAndTimeoutsReachThePort)
{
    comm.SetStopBits(TStopBits::_2);
    Open();
    comm.SetBaudRate(19200);

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

    // Delivering at once: the port holds the time-outs that read what is there.
    comm.SetReadIntervalTimeout(serial::kMaxTimeout);
    comm.SetReadTotalTimeoutMultiplier(serial::kMaxTimeout);
    ASSERT_TRUE(GetCommTimeouts(PortHandle(comm), &timeouts));
    EXPECT_EQ(timeouts.ReadIntervalTimeout, MAXDWORD);
}
