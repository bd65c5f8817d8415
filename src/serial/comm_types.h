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

// How the DTR and RTS outputs are driven.
enum class DtrMode : uint8_t { Off, On, Handshake }; // Handshake: input flow control
enum class RtsMode : uint8_t {
    Off,
    On,
    Handshake,
    WhileSending
}; // WhileSending: on only while bytes go out

enum class Parity : uint8_t { None, Odd, Even, Mark, Space };
enum class StopBits : uint8_t { One, OneAndAHalf, Two };

// Software flow control, its characters and its limits.
struct XonXoff {
    bool output = false; // stop sending on a received XOFF, go on at XON
    bool input = false;  // send XOFF when fewer than xoffLimit bytes of the input queue are
                         // free, XON when fewer than xonLimit bytes are queued
    bool continueAfterXoff = true; // keep sending after we sent XOFF
    uint8_t xonChar = 0x11;
    uint8_t xoffChar = 0x13;
    uint16_t xonLimit = 500;
    uint16_t xoffLimit = 500;

    bool operator==(const XonXoff&) const = default;
};

// Everything a backend needs to program the line: speed, framing, what
// happens to received bytes, flow control and the two modem outputs.
struct LineSettings {
    uint32_t baudRate = 9600;
    uint8_t dataBits = 8; // 5..8
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;

    bool checkParity = false;         // check parity and report errors
    bool replaceParityErrors = false; // a byte received with a parity error becomes errorChar
    uint8_t errorChar = 0;
    bool discardNulls = false; // received zero bytes are dropped

    bool ctsFlow = false;        // send only while CTS is on
    bool dsrFlow = false;        // send only while DSR is on
    bool dsrSensitivity = false; // ignore input while DSR is off
    XonXoff xonXoff;

    DtrMode dtr = DtrMode::On;
    RtsMode rts = RtsMode::On;

    bool operator==(const LineSettings&) const = default;
};

// Read and write time-outs in milliseconds. A read completes when, after at
// least one byte, the line stays quiet longer than ReadIntervalTimeout, when
// the buffer is full, or when the total (multiplier x bytes + constant) runs
// out; a zero interval and zero totals mean "no such limit". An interval of
// kMaxTimeout with both totals 0 returns at once with what has arrived.
// An interval and a multiplier of kMaxTimeout deliver at once (DeliversAtOnce).
struct CommTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};
constexpr uint32_t kMaxTimeout = 0xFFFFFFFF;

// "Deliver at once": a read waits for the first byte, then completes with
// everything the driver holds at that moment, without waiting for the line
// to fall quiet. ReadTotalTimeoutConstant limits the wait for the first byte
// (0: no limit); an empty completion ends it as any other read.
constexpr bool DeliversAtOnce(const CommTimeouts& t)
{
    return t.ReadIntervalTimeout == kMaxTimeout && t.ReadTotalTimeoutMultiplier == kMaxTimeout;
}

} // namespace serial
