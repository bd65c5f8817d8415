// The Win32 backend's device control block and port list.

#include "post_queue.h"
#include "serial/comm.h"
#include "serial/win32_backend.h"
#include "serial/win32_device.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

using namespace serial;

namespace {

// The device control block's flag word, as one number.
uint32_t FlagWord(const DCB& dcb)
{
    uint32_t flags = 0;
    std::memcpy(&flags,
                reinterpret_cast<const char*>(&dcb) + offsetof(DCB, BaudRate) + sizeof(DWORD),
                sizeof flags);
    return flags;
}

} // namespace

TEST(FillDcb, TheFlagWordIsBuiltFromZero)
{
    struct Case {
        const char* what;
        void (*change)(LineSettings&);
        uint32_t mask, flags;
    } cases[] = {
        // TComm's defaults: binary, DTR on, go on after XOFF, XON/XOFF both ways, RTS on.
        {"TComm's defaults", [](LineSettings& s) { s.xonXoff.output = s.xonXoff.input = true; },
         0xFFFFFFFF, 0x1391},
        {"DTR off", [](LineSettings& s) { s.dtr = DtrMode::Off; }, 0x0030, 0},
        {"DTR on", [](LineSettings& s) { s.dtr = DtrMode::On; }, 0x0030, 0x0010},
        {"DTR handshake", [](LineSettings& s) { s.dtr = DtrMode::Handshake; }, 0x0030, 0x0020},
        {"RTS off", [](LineSettings& s) { s.rts = RtsMode::Off; }, 0x3000, 0},
        {"RTS handshake", [](LineSettings& s) { s.rts = RtsMode::Handshake; }, 0x3000, 0x2000},
        {"RTS while sending", [](LineSettings& s) { s.rts = RtsMode::WhileSending; }, 0x3000,
         0x3000},
        {"parity check", [](LineSettings& s) { s.checkParity = true; }, 0x0002, 0x0002},
        {"CTS flow", [](LineSettings& s) { s.ctsFlow = true; }, 0x0004, 0x0004},
        {"DSR flow", [](LineSettings& s) { s.dsrFlow = true; }, 0x0008, 0x0008},
        {"DSR sensitivity", [](LineSettings& s) { s.dsrSensitivity = true; }, 0x0040, 0x0040},
        {"stop after XOFF", [](LineSettings& s) { s.xonXoff.continueAfterXoff = false; }, 0x0080,
         0},
        {"replace parity errors", [](LineSettings& s) { s.replaceParityErrors = true; }, 0x0400,
         0x0400},
        {"discard zero bytes", [](LineSettings& s) { s.discardNulls = true; }, 0x0800, 0x0800},
    };
    for (const Case& c : cases) {
        DCB dcb{};
        std::memset(&dcb, 0xFF, sizeof dcb); // what the port reported: every bit set
        LineSettings line;
        c.change(line);
        FillDcb(dcb, line);
        EXPECT_EQ(FlagWord(dcb) & c.mask, c.flags) << c.what;
        EXPECT_EQ(FlagWord(dcb) & 0x0001, 0x0001u) << c.what << ": binary";
        EXPECT_EQ(FlagWord(dcb) & ~0x3FFFu, 0u) << c.what << ": abort-on-error and reserved bits";
        EXPECT_EQ(dcb.EofChar, '\xFF') << c.what << ": kept";
        EXPECT_EQ(dcb.EvtChar, '\xFF') << c.what << ": kept";
    }
}

TEST(FillDcb, SpeedFramingAndCharacters)
{
    LineSettings line;
    line.baudRate = 115200;
    line.dataBits = 7;
    line.parity = Parity::Mark;
    line.stopBits = StopBits::OneAndAHalf;
    line.errorChar = '?';
    line.xonXoff = {true, true, true, 0x21, 0x22, 100, 200};
    DCB dcb{};
    FillDcb(dcb, line);
    EXPECT_EQ(dcb.DCBlength, sizeof dcb);
    EXPECT_EQ(dcb.BaudRate, 115200u);
    EXPECT_EQ(dcb.ByteSize, 7);
    EXPECT_EQ(dcb.Parity, MARKPARITY);
    EXPECT_EQ(dcb.StopBits, ONE5STOPBITS);
    EXPECT_EQ(dcb.ErrorChar, '?');
    EXPECT_EQ(dcb.XonChar, 0x21);
    EXPECT_EQ(dcb.XoffChar, 0x22);
    EXPECT_EQ(dcb.XonLim, 100);
    EXPECT_EQ(dcb.XoffLim, 200);
}

// GetCommList reads the port names stored as the values of a registry key.
TEST(Win32PortList, ValuesOfTheKeyInNameOrder)
{
    const wchar_t* key = L"Software\\ScaleToolTests\\SERIALCOMM";
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ScaleToolTests");
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                              nullptr),
              ERROR_SUCCESS);
    const struct {
        const wchar_t* value;
        const wchar_t* port;
    } ports[] = {{L"\\Device\\Serial2", L"COM10"},
                 {L"\\Device\\Serial0", L"COM1"},
                 {L"\\Device\\VCP0", L"COM3"}};
    for (const auto& p : ports) {
        RegSetValueExW(handle, p.value, 0, REG_SZ, reinterpret_cast<const BYTE*>(p.port),
                       static_cast<DWORD>((wcslen(p.port) + 1) * sizeof(wchar_t)));
    }
    const DWORD number = 7;
    RegSetValueExW(handle, L"not text", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
    RegCloseKey(handle);

    Win32Backend backend(HKEY_CURRENT_USER, key);
    PostQueue queue;
    TComm comm(queue.Poster(), backend);
    EXPECT_EQ(comm.GetCommList(), "COM1\r\nCOM3\r\nCOM10\r\n");

    Win32Backend nothing(HKEY_CURRENT_USER, L"Software\\ScaleToolTests\\missing");
    TComm bare(queue.Poster(), nothing);
    EXPECT_EQ(bare.GetCommList(), "");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ScaleToolTests");
}
