#pragma once

// Types and numbers shared by TComm, its threads and the device backends.

#include <cstdint>

enum class TParity : uint8_t { None, Odd, Even, Mark, Space };
enum class TStopBits : uint8_t { _1, _1_5, _2 };
enum class TByteSize : uint8_t { _5, _6, _7, _8 };
// Enabling value first: the device's own line-control codes are the other
// way round (disable 0, enable 1), so ApplyCommState translates them.
enum class TDtrControl : uint8_t { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl : uint8_t { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };

// Notifications from the threads to the component, and the writer's request.
constexpr uint32_t COMM_MSG_DATA = 1025;
constexpr uint32_t COMM_MSG_ERROR = 1026;
constexpr uint32_t COMM_MSG_HANGUP = 1027;
constexpr uint32_t COMM_MSG_MODEM = 1028;
constexpr uint32_t COMM_MSG_EMPTY = 1029;
constexpr uint32_t COMM_MSG_WRITE = 1025;

// Codes of OnModemStateChange; both together give 12.
constexpr uint32_t MODEM_EV_RLSD = 8;
constexpr uint32_t MODEM_EV_RING = 4;

namespace serial {

// Line events the reader waits for (the device's event mask).
constexpr uint32_t kEvRlsd = 0x0020; // carrier detect changed
constexpr uint32_t kEvErr = 0x0080;  // a line error occurred
constexpr uint32_t kEvRing = 0x0100; // ring indicator came on
constexpr uint32_t kReaderEventMask = kEvRlsd | kEvErr | kEvRing;

// Line-error flags of OnReceiveError.
constexpr uint32_t kCeRxOver = 0x0001;
constexpr uint32_t kCeOverrun = 0x0002;
constexpr uint32_t kCeRxParity = 0x0004;
constexpr uint32_t kCeFrame = 0x0008;
constexpr uint32_t kCeBreak = 0x0010;

// Modem status bits of GetModemState.
constexpr uint32_t kMsCtsOn = 0x0010;
constexpr uint32_t kMsDsrOn = 0x0020;
constexpr uint32_t kMsRingOn = 0x0040;
constexpr uint32_t kMsRlsdOn = 0x0080;

// Purge flags.
constexpr uint32_t kPurgeTxAbort = 0x0001;
constexpr uint32_t kPurgeRxAbort = 0x0002;
constexpr uint32_t kPurgeTxClear = 0x0004;
constexpr uint32_t kPurgeRxClear = 0x0008;

// Flag word of the line settings (the device control block).
constexpr uint32_t kDcbBinary = 0x0001;
constexpr uint32_t kDcbParity = 0x0002;
constexpr uint32_t kDcbOutxCtsFlow = 0x0004;
constexpr uint32_t kDcbOutxDsrFlow = 0x0008;
constexpr uint32_t kDcbDtrControlMask = 0x0030; // two bits, shift 4
constexpr uint32_t kDcbDsrSensitivity = 0x0040;
constexpr uint32_t kDcbTxContinueOnXoff = 0x0080;
constexpr uint32_t kDcbOutX = 0x0100;
constexpr uint32_t kDcbInX = 0x0200;
constexpr uint32_t kDcbErrorChar = 0x0400;
constexpr uint32_t kDcbNull = 0x0800;
constexpr uint32_t kDcbRtsControlMask = 0x3000; // two bits, shift 12
constexpr uint32_t kDcbAbortOnError = 0x4000;

// Line-control codes inside the flag word.
constexpr uint32_t kDtrControlDisable = 0;
constexpr uint32_t kDtrControlEnable = 1;
constexpr uint32_t kDtrControlHandshake = 2;
constexpr uint32_t kRtsControlDisable = 0;
constexpr uint32_t kRtsControlEnable = 1;
constexpr uint32_t kRtsControlHandshake = 2;
constexpr uint32_t kRtsControlToggle = 3;

// Line settings as the device takes them.
struct CommState {
    uint32_t BaudRate = 0;
    uint32_t Flags = 0;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 8; // data bits, 5..8
    uint8_t Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t StopBits = 0; // 0 one, 1 one and a half, 2 two
    uint8_t XonChar = 0;
    uint8_t XoffChar = 0;
    uint8_t ErrorChar = 0;

    uint32_t DtrControl() const { return (Flags & kDcbDtrControlMask) >> 4; }
    uint32_t RtsControl() const { return (Flags & kDcbRtsControlMask) >> 12; }
};

// Read and write time-outs in milliseconds. A read completes when, after at
// least one byte, the line stays quiet longer than ReadIntervalTimeout, when
// the buffer is full, or when the total (multiplier x bytes + constant) runs
// out; a zero interval and zero totals mean "no such limit". An interval of
// kMaxTimeout with both totals 0 returns at once with what has arrived.
struct CommTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};
constexpr uint32_t kMaxTimeout = 0xFFFFFFFF;

} // namespace serial
