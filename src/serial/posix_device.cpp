#include "serial/posix_device.h"

#include "serial/posix_backend.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace serial {

namespace {

using Clock = std::chrono::steady_clock;

struct BaudEntry {
    uint32_t rate;
    speed_t speed;
};

constexpr BaudEntry kBaudRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

std::optional<speed_t> SpeedFor(uint32_t rate)
{
    for (const BaudEntry& e : kBaudRates) {
        if (e.rate == rate)
            return e.speed;
    }
    return std::nullopt;
}

// A total time-out in force for one call, or none.
class Deadline {
public:
    Deadline(uint32_t multiplier, uint32_t constant, uint32_t count)
    {
        if (multiplier != 0 || constant != 0) {
            uint64_t ms = uint64_t(multiplier) * count + constant;
            end_ = Clock::now() + std::chrono::milliseconds(std::min<uint64_t>(ms, INT32_MAX));
        }
    }
    bool Active() const { return end_.has_value(); }
    // Milliseconds left for poll(), rounded up; -1 without a deadline.
    int Remaining() const
    {
        if (!end_)
            return -1;
        auto left = std::chrono::ceil<std::chrono::milliseconds>(*end_ - Clock::now()).count();
        return static_cast<int>(std::max<int64_t>(left, 0));
    }

private:
    std::optional<Clock::time_point> end_;
};

// The smaller of two poll() time-outs, -1 meaning none.
int EarlierTimeout(int a, int b)
{
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    return std::min(a, b);
}

bool DeviceGoneError(int error)
{
    return error != EAGAIN && error != EWOULDBLOCK && error != EINTR;
}

} // namespace

PosixDevice::~PosixDevice()
{
    if (hasSaved_)
        tcsetattr(fd_, TCSANOW, &saved_);
    ioctl(fd_, TIOCNXCL);
    close(fd_); // also releases the flock
}

bool PosixDevice::SetupQueues(uint32_t, uint32_t)
{
    // The kernel sizes its own queues; what matters here is that the device
    // is a terminal, and its settings are kept to be restored at close.
    hasSaved_ = tcgetattr(fd_, &saved_) == 0;
    return hasSaved_;
}

void PosixDevice::Purge(uint32_t flags)
{
    const bool input = flags & kPurgeRxClear;
    const bool output = flags & kPurgeTxClear;
    if (input && output)
        tcflush(fd_, TCIOFLUSH);
    else if (input)
        tcflush(fd_, TCIFLUSH);
    else if (output)
        tcflush(fd_, TCOFLUSH);
}

bool SetTermios(termios& t, const LineSettings& line)
{
    // Raw: every byte passes unchanged in both directions.
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                   IXANY | INPCK | IGNPAR);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;

    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[std::clamp<int>(line.dataBits, 5, 8) - 5];
    switch (line.parity) {
    case Parity::Odd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case Parity::Even:
        t.c_cflag |= PARENB;
        break;
    case Parity::Mark:
        t.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case Parity::Space:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    case Parity::None:
        break;
    }
    // A byte with a parity error then reads as 0, the default replacement.
    if (line.checkParity)
        t.c_iflag |= INPCK;
    if (line.stopBits != StopBits::One) // 1.5 stop bits is what CSTOPB gives with 5 data bits
        t.c_cflag |= CSTOPB;
    if (line.ctsFlow || line.rts == RtsMode::Handshake)
        t.c_cflag |= CRTSCTS;
    if (line.xonXoff.output)
        t.c_iflag |= IXON;
    if (line.xonXoff.input)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(line.xonXoff.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(line.xonXoff.xoffChar);

    // An unsupported speed keeps the current one; the rest still applies.
    std::optional<speed_t> speed = SpeedFor(line.baudRate);
    if (speed) {
        cfsetispeed(&t, *speed);
        cfsetospeed(&t, *speed);
    }
    return speed.has_value();
}

bool PosixDevice::ApplyState(const LineSettings& line)
{
    termios t{};
    if (tcgetattr(fd_, &t) != 0)
        return false;
    const bool speedKnown = SetTermios(t, line);
    const bool applied = tcsetattr(fd_, TCSANOW, &t) == 0 && speedKnown;

    // Modem output lines; devices without them (ptys) refuse, which is fine.
    int dtr = TIOCM_DTR;
    int rts = TIOCM_RTS;
    ioctl(fd_, line.dtr == DtrMode::Off ? TIOCMBIC : TIOCMBIS, &dtr);
    ioctl(fd_, line.rts == RtsMode::Off ? TIOCMBIC : TIOCMBIS, &rts);
    return applied;
}

bool PosixDevice::ApplyTimeouts(const CommTimeouts& timeouts)
{
    std::lock_guard lock(timeoutsMutex_);
    timeouts_ = timeouts;
    return true;
}

CommTimeouts PosixDevice::Timeouts() const
{
    std::lock_guard lock(timeoutsMutex_);
    return timeouts_;
}

bool PosixDevice::GetModemStatus(uint32_t& bits)
{
    int lines = 0;
    if (ioctl(fd_, TIOCMGET, &lines) != 0)
        return false;
    bits = ((lines & TIOCM_CTS) ? kMsCtsOn : 0) | ((lines & TIOCM_DSR) ? kMsDsrOn : 0) |
           ((lines & TIOCM_RNG) ? kMsRingOn : 0) | ((lines & TIOCM_CAR) ? kMsRlsdOn : 0);
    return true;
}

bool PosixDevice::BeginReader(uint32_t eventMask)
{
    eventMask_ = eventMask;
    countersSupported_ = ioctl(fd_, TIOCGICOUNT, &lastCounters_) == 0;
    return true;
}

// Compares the driver's interrupt counters with the last reading. Looked at
// whenever data arrives, so a line error is reported before the bytes it
// came with; a modem-line change while the line is silent shows with the
// next data.
void PosixDevice::CheckLineCounters()
{
    serial_icounter_struct now{};
    if (!countersSupported_ || ioctl(fd_, TIOCGICOUNT, &now) != 0)
        return;
    const serial_icounter_struct& was = lastCounters_;
    uint32_t errors = (now.buf_overrun != was.buf_overrun ? kCeRxOver : 0) |
                      (now.overrun != was.overrun ? kCeOverrun : 0) |
                      (now.parity != was.parity ? kCeRxParity : 0) |
                      (now.frame != was.frame ? kCeFrame : 0) | (now.brk != was.brk ? kCeBreak : 0);
    uint32_t events = (errors ? kEvErr : 0) | (now.dcd != was.dcd ? kEvRlsd : 0) |
                      (now.rng != was.rng ? kEvRing : 0);
    lastCounters_ = now;
    pendingErrors_ |= errors;
    pendingEvents_ |= events & eventMask_;
}

ReaderEvent PosixDevice::WaitReader(const Event& close, uint8_t* buffer, uint32_t capacity)
{
    const CommTimeouts t = Timeouts();
    // Delivering at once, the constant alone limits the wait for the first
    // byte, and one read() takes what is there once it is there.
    const bool atOnce = DeliversAtOnce(t);
    const Deadline total(atOnce ? 0 : t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
                         atOnce ? 0 : capacity);
    // Time-outs for the first byte and for the gap after each further byte.
    const bool returnAtOnce = !atOnce && t.ReadIntervalTimeout == kMaxTimeout && !total.Active();
    const int interval =
        t.ReadIntervalTimeout == 0 ? -1
        : t.ReadIntervalTimeout == kMaxTimeout
            ? 0
            : static_cast<int>(std::min<uint32_t>(t.ReadIntervalTimeout, INT32_MAX));
    uint32_t count = 0;
    // Raw mode with VMIN = VTIME = 0 reads 0 bytes when nothing is there; only
    // after poll() has reported a hang-up or an error does 0 mean the line is
    // gone. Plain readiness with nothing to read is bytes the far end threw
    // away in between (a flush of the input): wait again.
    bool pollSaidGone = false;
    for (;;) {
        if (close.IsSet())
            return {ReaderEvent::Closed, 0};
        if (count == 0) {
            CheckLineCounters();
            if (pendingEvents_) {
                uint32_t events = pendingEvents_;
                pendingEvents_ = 0;
                return {ReaderEvent::LineEvent, events};
            }
        }
        ssize_t n = read(fd_, buffer + count, capacity - count);
        int error = n < 0 ? errno : EAGAIN;
        if (n > 0) {
            pollSaidGone = false;
            count += static_cast<uint32_t>(n);
            if (count == capacity || atOnce)
                return {ReaderEvent::ReadDone, count};
            error = EAGAIN; // took all there was: wait for more
        }
        if (error == EAGAIN && pollSaidGone)
            error = EIO; // hung up and nothing to read: never wait again on a dead line
        if (error == EINTR)
            continue;
        if (error == EBADF)
            return {ReaderEvent::InvalidHandle, 0};
        if (DeviceGoneError(error)) {
            if (close.IsSet()) // the input purge of a closing port, not a lost line
                return {ReaderEvent::Closed, 0};
            // The bytes before the loss still go out; the next call fails.
            return count ? ReaderEvent{ReaderEvent::ReadDone, count}
                         : ReaderEvent{ReaderEvent::Failed, 0};
        }

        int timeout = count == 0 ? (returnAtOnce ? 0 : total.Remaining())
                                 : EarlierTimeout(interval, total.Remaining());
        if (timeout == 0)
            return {ReaderEvent::ReadDone, count};
        short revents = 0;
        switch (PollWithClose(close, fd_, POLLIN, timeout, revents)) {
        case PollResult::Closed:
            return {ReaderEvent::Closed, 0};
        case PollResult::TimedOut:
            return {ReaderEvent::ReadDone, count};
        case PollResult::InvalidHandle:
            return {ReaderEvent::InvalidHandle, 0};
        case PollResult::Failed:
            return count ? ReaderEvent{ReaderEvent::ReadDone, count}
                         : ReaderEvent{ReaderEvent::Failed, 0};
        case PollResult::Ready:
            pollSaidGone = (revents & (POLLHUP | POLLERR)) != 0;
            break;
        }
    }
}

IoStatus PosixDevice::ClearErrors(uint32_t& errors)
{
    errors = pendingErrors_;
    pendingErrors_ = 0;
    return IoStatus::Ok;
}

WriteOutcome PosixDevice::Write(const Event& close, const uint8_t* data, uint32_t count)
{
    const CommTimeouts t = Timeouts();
    const Deadline total(t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant, count);
    uint32_t sent = 0;
    while (sent < count) {
        if (close.IsSet())
            return {IoStatus::Closed, sent};
        ssize_t n = write(fd_, data + sent, count - sent);
        if (n > 0) {
            sent += static_cast<uint32_t>(n);
            continue;
        }
        const int error = n == 0 ? EAGAIN : errno;
        if (error == EINTR)
            continue;
        if (error == EBADF)
            return {IoStatus::InvalidHandle, sent};
        if (DeviceGoneError(error))
            return {IoStatus::Failed, sent};

        int timeout = total.Remaining();
        if (timeout == 0)
            break;
        short revents = 0;
        switch (PollWithClose(close, fd_, POLLOUT, timeout, revents)) {
        case PollResult::Closed:
            return {IoStatus::Closed, sent};
        case PollResult::TimedOut:
            return {IoStatus::Ok, sent};
        case PollResult::InvalidHandle:
            return {IoStatus::InvalidHandle, sent};
        case PollResult::Failed:
            return {IoStatus::Failed, sent};
        case PollResult::Ready:
            if (!(revents & POLLOUT))
                return {IoStatus::Failed, sent}; // POLLHUP/POLLERR: the device has gone
            break;
        }
    }
    return {IoStatus::Ok, sent};
}

} // namespace serial
