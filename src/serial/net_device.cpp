#include "serial/net_device.h"

#include "serial/net_connect.h"
#include "serial/net_port_name.h"
#include "serial/telnet_parser.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>

namespace serial {

namespace {

using Clock = std::chrono::steady_clock;

int MilliLeft(Clock::time_point end)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
    return static_cast<int>(std::max<int64_t>(left, 0));
}

// The end of a total time-out, or none.
std::optional<Clock::time_point> TotalEnd(uint32_t multiplier, uint32_t constant, uint32_t count)
{
    if (multiplier == 0 && constant == 0)
        return std::nullopt;
    const uint64_t ms = std::min<uint64_t>(uint64_t(multiplier) * count + constant, INT32_MAX);
    return Clock::now() + std::chrono::milliseconds(ms);
}

int Remaining(const std::optional<Clock::time_point>& end) { return end ? MilliLeft(*end) : -1; }

int EarlierTimeout(int a, int b)
{
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    return std::min(a, b);
}

} // namespace

NetDevice::NetDevice(std::unique_ptr<NetSocket> socket, bool telnet)
    : socket_(std::move(socket)), telnet_(telnet), readBuffer_(16384)
{
    if (telnet_) {
        std::lock_guard lock(mutex_);
        QueueLocked(ComPortClient::Greeting());
    }
}

void NetDevice::QueueLocked(const std::vector<uint8_t>& bytes)
{
    output_.insert(output_.end(), bytes.begin(), bytes.end());
    FlushLocked();
}

bool NetDevice::FlushLocked()
{
    size_t sent = 0;
    while (!sendFailed_ && sent < output_.size()) {
        const long n = socket_->Send(output_.data() + sent, output_.size() - sent);
        if (n > 0)
            sent += static_cast<size_t>(n);
        else if (n == NetSocket::kWouldBlock)
            break;
        else
            sendFailed_ = true;
    }
    output_.erase(output_.begin(), output_.begin() + static_cast<ptrdiff_t>(sent));
    return !sendFailed_;
}

bool NetDevice::OutputPending()
{
    std::lock_guard lock(mutex_);
    return !output_.empty();
}

void NetDevice::Purge(uint32_t flags)
{
    std::lock_guard lock(mutex_);
    if (flags & kPurgeRxClear)
        early_.clear();
    if (!telnet_)
        return;
    if (!client_.ComPortAccepted()) { // sent once the server has agreed to the option
        purgeDue_ = true;
        purgeFlags_ |= flags;
        return;
    }
    QueueLocked(ComPortClient::PurgeRequest(flags));
}

bool NetDevice::FailOpen(OpenRefusal refusal, std::string reason)
{
    refusal_ = refusal;
    refusalReason_ = std::move(reason);
    return false;
}

bool NetDevice::ApplyState(const LineSettings& line)
{
    if (!telnet_)
        return true; // the server keeps its own line settings
    std::unique_lock lock(mutex_);
    if (opened_) { // a change while open: the reader takes the answers
        QueueLocked(client_.SettingsRequest(line));
        return !sendFailed_;
    }
    opened_ = true;
    lock.unlock();

    int leftMs = kNetAnswerLimitMs;
    if (!AwaitServer(leftMs,
                     [this] { return client_.ComPortAccepted() || client_.ComPortRefused(); }))
        return FailOpen(OpenRefusal::TimedOut,
                        "the server did not answer the offer of the COM port option (RFC 2217)");
    lock.lock();
    if (client_.ComPortRefused())
        return FailOpen(OpenRefusal::LineSettingsRefused,
                        "the server refused the COM port option (RFC 2217)");
    if (purgeDue_) {
        QueueLocked(ComPortClient::PurgeRequest(purgeFlags_));
        purgeDue_ = false;
    }
    QueueLocked(client_.SettingsRequest(line));
    lock.unlock();
    if (!AwaitServer(leftMs, [this] { return client_.SettingsAnswered(); }))
        return FailOpen(OpenRefusal::TimedOut, "the server did not answer the line settings");
    lock.lock();
    if (!client_.SettingsRefusal().empty())
        return FailOpen(OpenRefusal::LineSettingsRefused, client_.SettingsRefusal());
    return true;
}

template <typename Done> bool NetDevice::AwaitServer(int& leftMs, Done done)
{
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(leftMs);
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (done())
                return true;
        }
        leftMs = MilliLeft(end);
        if (leftMs == 0)
            return false;
        const bool pending = OutputPending();
        const NetSocket::Wake wake = socket_->Wait(nullptr, pending, leftMs);
        if (wake == NetSocket::Wake::Failed || wake == NetSocket::Wake::Closed)
            return false;
        if (wake != NetSocket::Wake::Ready)
            continue;
        if (pending) {
            std::lock_guard lock(mutex_);
            if (!FlushLocked())
                return false;
        }
        {
            uint8_t data[512];
            const int got = ReceiveSome(data, sizeof data);
            if (got == kGone)
                return false;
            if (got > 0) {
                std::lock_guard lock(mutex_);
                early_.insert(early_.end(), data, data + got);
            }
        }
    }
}

OpenRefusal NetDevice::LineRefusal(std::string& reason) const
{
    reason = refusalReason_;
    return refusal_;
}

bool NetDevice::ApplyTimeouts(const CommTimeouts& timeouts)
{
    std::lock_guard lock(timeoutsMutex_);
    timeouts_ = timeouts;
    return true;
}

bool NetDevice::GetModemStatus(uint32_t& bits)
{
    if (!telnet_)
        return false; // a raw connection carries no modem lines
    std::lock_guard lock(mutex_);
    bits = client_.ModemState();
    return true;
}

bool NetDevice::BeginReader(uint32_t eventMask)
{
    std::lock_guard lock(mutex_);
    eventMask_ = eventMask;
    readerStarted_ = true;
    return true;
}

int NetDevice::ReceiveSome(uint8_t* data, uint32_t capacity)
{
    const size_t room = std::min<size_t>(capacity, readBuffer_.size());
    uint8_t* raw = telnet_ ? readBuffer_.data() : data;
    const long n = socket_->Receive(raw, room);
    if (n == NetSocket::kWouldBlock)
        return kNothing;
    if (n <= 0) // the server closed the connection, or it broke
        return kGone;
    if (!telnet_)
        return static_cast<int>(n);
    std::lock_guard lock(mutex_);
    std::vector<uint8_t> replies;
    const size_t got = client_.Receive(raw, static_cast<size_t>(n), data, replies);
    if (!replies.empty())
        QueueLocked(replies);
    return static_cast<int>(got);
}

uint32_t NetDevice::PendingEvents()
{
    if (!telnet_)
        return 0;
    std::lock_guard lock(mutex_);
    pendingErrors_ |= client_.TakeErrors();
    return client_.TakeEvents() & eventMask_;
}

ReaderEvent NetDevice::WaitReader(const Event& close, uint8_t* buffer, uint32_t capacity)
{
    CommTimeouts t;
    {
        std::lock_guard lock(timeoutsMutex_);
        t = timeouts_;
    }
    // The same time-outs as a local port (posix_device.cpp).
    const bool atOnce = DeliversAtOnce(t);
    const auto total = TotalEnd(atOnce ? 0 : t.ReadTotalTimeoutMultiplier,
                                t.ReadTotalTimeoutConstant, atOnce ? 0 : capacity);
    const bool returnAtOnce = !atOnce && t.ReadIntervalTimeout == kMaxTimeout && !total;
    const int interval =
        t.ReadIntervalTimeout == 0 ? -1
        : t.ReadIntervalTimeout == kMaxTimeout
            ? 0
            : static_cast<int>(std::min<uint32_t>(t.ReadIntervalTimeout, INT32_MAX));
    uint32_t count = 0;
    {
        std::lock_guard lock(mutex_);
        if (!early_.empty()) {
            count = static_cast<uint32_t>(std::min<size_t>(early_.size(), capacity));
            std::copy_n(early_.begin(), count, buffer);
            early_.erase(early_.begin(), early_.begin() + count);
        }
    }
    for (;;) {
        if (close.IsSet())
            return {ReaderEvent::Closed, 0};
        if (count == 0) {
            if (const uint32_t events = PendingEvents())
                return {ReaderEvent::LineEvent, events};
        } else if (count == capacity || atOnce) {
            return {ReaderEvent::ReadDone, count};
        }
        const int got = ReceiveSome(buffer + count, capacity - count);
        if (got == kGone) {
            if (close.IsSet())
                return {ReaderEvent::Closed, 0};
            // The bytes before the loss still go out; the next call fails.
            return count ? ReaderEvent{ReaderEvent::ReadDone, count}
                         : ReaderEvent{ReaderEvent::Failed, 0};
        }
        if (got >= 0) { // read something: data, or commands that may be events
            count += static_cast<uint32_t>(got);
            continue;
        }
        const int timeout = count == 0 ? (returnAtOnce ? 0 : Remaining(total))
                                       : EarlierTimeout(interval, Remaining(total));
        if (timeout == 0)
            return {ReaderEvent::ReadDone, count};
        const bool pending = OutputPending();
        switch (socket_->Wait(&close, pending, timeout)) {
        case NetSocket::Wake::Closed:
            return {ReaderEvent::Closed, 0};
        case NetSocket::Wake::TimedOut:
            return {ReaderEvent::ReadDone, count};
        case NetSocket::Wake::Failed:
            return count ? ReaderEvent{ReaderEvent::ReadDone, count}
                         : ReaderEvent{ReaderEvent::Failed, 0};
        case NetSocket::Wake::Ready:
            if (pending) {
                std::lock_guard lock(mutex_);
                FlushLocked(); // a failure shows in the next read
            }
            break;
        }
    }
}

IoStatus NetDevice::ClearErrors(uint32_t& errors)
{
    errors = pendingErrors_;
    pendingErrors_ = 0;
    return IoStatus::Ok;
}

WriteOutcome NetDevice::Write(const Event& close, const uint8_t* data, uint32_t count)
{
    std::vector<uint8_t> piece;
    piece.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        piece.push_back(data[i]);
        if (telnet_ && data[i] == telnet::kIac)
            piece.push_back(telnet::kIac); // a data byte, not a command
    }
    {
        std::lock_guard lock(mutex_);
        QueueLocked(piece);
    }
    // Done once everything queued has left (the write time-outs do not apply:
    // the queue is never cut inside an escape or a command).
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (!FlushLocked())
                return {IoStatus::Failed, 0};
            if (output_.empty())
                return {IoStatus::Ok, count};
        }
        switch (socket_->Wait(&close, true, -1)) {
        case NetSocket::Wake::Closed:
            return {IoStatus::Closed, 0};
        case NetSocket::Wake::Failed:
            return {IoStatus::Failed, 0};
        case NetSocket::Wake::TimedOut:
        case NetSocket::Wake::Ready:
            break;
        }
    }
}

NetOpening OpenNetworkPort(const std::string& name)
{
    const std::optional<NetPortAddress> address = ParseNetPortName(name);
    if (!address)
        return {nullptr, OpenRefusal::Absent,
                "not an address of the form rfc2217://HOST:PORT or socket://HOST:PORT"};
    NetConnection connection = ConnectToServer(*address);
    if (!connection.socket)
        return {nullptr, connection.refusal, std::move(connection.reason)};
    return {std::make_unique<NetDevice>(std::move(connection.socket),
                                        address->kind == NetPortAddress::Kind::Rfc2217),
            OpenRefusal::None,
            {}};
}

} // namespace serial
