#include "sim_engine.h"

#include "sim_arguments.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace scalesim {

namespace {

constexpr char kWakeCommand = 'c';
constexpr char kWakeStop = 'q';
// Bytes left unread on the tool's side beyond which nobody is reading: they
// are thrown away, as a real line loses what nobody listens to.
constexpr int kUnreadLimit = 2048;
// How far the measurement stream catches up after a late wake-up.
constexpr auto kCatchUp = std::chrono::milliseconds(20);
// How often a stale exclusive use of the terminal is looked for.
constexpr auto kExclusiveCheck = std::chrono::milliseconds(200);

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Noise bytes that can never be taken for a header.
uint8_t GarbageByte(int index)
{
    static constexpr uint8_t kBytes[] = {0x00, 0x55, 0xFF, 0x13, 0xA5, 0x7E};
    return kBytes[index % sizeof kBytes];
}

void WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // the reader is gone; nothing to tell it
        done += static_cast<std::size_t>(n);
    }
}

// The log file of --log; none (standard error) for an empty path. A FIFO
// without a reader is refused rather than waited for.
UniqueFd OpenLogFile(const std::string& path)
{
    if (path.empty())
        return UniqueFd();
    UniqueFd file(::open(path.c_str(),
                         O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0644));
    if (file.Get() < 0)
        throw std::system_error(errno, std::generic_category(), "cannot write the log " + path);
    return file;
}

} // namespace

SimEngine::SimEngine(const EngineOptions& options)
    : options_(options), pty_(OpenRawPty()), logFile_(OpenLogFile(options.logPath)),
      log_(logFile_.Get() >= 0 ? logFile_.Get() : 2), state_(options.seed), start_(Clock::now())
{
    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe");
    wakeRead_.Reset(wake[0]);
    wakeWrite_.Reset(wake[1]);

    if (!options_.linkPath.empty()) {
        // Replace an old link of ours, never a file.
        struct stat st { };
        if (lstat(options_.linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            ::unlink(options_.linkPath.c_str());
        if (symlink(pty_.path.c_str(), options_.linkPath.c_str()) != 0)
            throw std::system_error(errno, std::generic_category(),
                                    "cannot make the link " + options_.linkPath);
        linkMade_ = true;
    }
    ReschedulePeriod();
    Log("# scale-sim on " + pty_.path);
}

SimEngine::~SimEngine()
{
    Stop();
    Join();
    if (linkMade_) {
        char target[256] = {};
        const ssize_t n = readlink(options_.linkPath.c_str(), target, sizeof target - 1);
        if (n > 0 && pty_.path == std::string(target, static_cast<std::size_t>(n)))
            ::unlink(options_.linkPath.c_str());
    }
}

int64_t SimEngine::NowMs() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
}

void SimEngine::Log(const std::string& line) { log_.Line(line); }

std::string SimEngine::Command(const std::string& line)
{
    std::future<std::string> answer;
    {
        std::lock_guard lock(mutex_);
        if (!running_)
            return Execute(line);
        inbox_.push_back({line, {}});
        answer = inbox_.back().answer.get_future();
    }
    const char wake = kWakeCommand;
    [[maybe_unused]] ssize_t n = ::write(wakeWrite_.Get(), &wake, 1);
    return answer.get();
}

void SimEngine::DrainInbox()
{
    std::lock_guard lock(mutex_);
    while (!inbox_.empty()) {
        QueuedLine queued = std::move(inbox_.front());
        inbox_.pop_front();
        queued.answer.set_value(Execute(queued.line));
    }
}

void SimEngine::Start()
{
    thread_ = std::thread([this] { Run(); });
}

void SimEngine::Join()
{
    if (thread_.joinable())
        thread_.join();
}

void SimEngine::Stop()
{
    const char wake = kWakeStop;
    [[maybe_unused]] ssize_t n = ::write(wakeWrite_.Get(), &wake, 1);
}

std::string SimEngine::Execute(const std::string& rawLine)
{
    const std::string line = Trim(rawLine);
    const auto space = line.find_first_of(" \t");
    const std::string name = line.substr(0, space);
    const std::string argument = space == std::string::npos ? "" : Trim(line.substr(space));

    if (name.empty())
        return "error: empty line";
    if (name == "quit") {
        quit_ = true;
        return "ok";
    }
    if (name == "help")
        return HelpText() + "ok";
    if (name == "status")
        return "ok " + StatusLine(state_, NowMs());
    if (name == "measure") {
        const ReplyFrame frame = state_.controller.Measurement(NowMs());
        WriteToLine(Bytes(frame.begin(), frame.end()), false);
        return "ok";
    }
    if (name == "reply" || name == "send")
        return SendCommandLine(argument, name == "reply");
    const std::string error = ApplySetting(state_, name, argument);
    ReschedulePeriod();
    return error.empty() ? "ok" : "error: " + error;
}

std::string SimEngine::SendCommandLine(const std::string& argument, bool asReply)
{
    Bytes bytes;
    if (!ParseHexBytes(argument, bytes) || bytes.empty())
        return "error: expected bytes in hex";
    if (!asReply) {
        WriteToLine(bytes, true);
        return "ok";
    }
    if (bytes.size() > 1 + kPayloadLength)
        return "error: a reply has a code and at most 16 payload bytes";
    Payload payload{};
    std::copy(bytes.begin() + 1, bytes.end(), payload.begin());
    QueueReply(BuildReply(bytes[0], payload));
    FlushDueWrites();
    return "ok";
}

void SimEngine::HandleCommand(const CommandFrame& frame, std::string& note)
{
    const uint8_t code = frame[2];
    if (state_.link.silent.Has(code)) {
        note = "silent";
        return;
    }
    if (state_.link.refuse.Has(code)) {
        note = "refused";
        if (ScaleController::HasAnswer(code))
            QueueReply(BuildReply(kRefused));
        return;
    }
    if (!ScaleController::IsCommand(code)) {
        note = "unknown command";
        return;
    }
    for (const ReplyFrame& reply : state_.controller.Answer(frame, NowMs()))
        QueueReply(reply);
}

void SimEngine::QueueReply(const ReplyFrame& reply)
{
    const LinkBehaviour& link = state_.link;
    Bytes out;
    for (int i = 0; i < link.garbage; ++i)
        out.push_back(GarbageByte(i));
    out.insert(out.end(), reply.begin(), reply.end());
    if (link.pair) {
        const ReplyFrame measurement = state_.controller.Measurement(NowMs());
        out.insert(out.end(), measurement.begin(), measurement.end());
    }
    // Replies leave in order: none overtakes one that waits.
    Clock::time_point due = Clock::now() + std::chrono::milliseconds(link.replyDelayMs);
    if (!writes_.empty())
        due = std::max(due, writes_.back().due);
    const auto split = static_cast<std::size_t>(link.splitAt);
    if (split > 0 && split < out.size()) {
        writes_.push_back({due, Bytes(out.begin(), out.begin() + link.splitAt), true});
        writes_.push_back({due + std::chrono::milliseconds(link.splitPauseMs),
                           Bytes(out.begin() + link.splitAt, out.end()), false});
    } else {
        writes_.push_back({due, std::move(out), false});
    }
}

void SimEngine::FlushDueWrites()
{
    const auto now = Clock::now();
    while (!writes_.empty() && writes_.front().due <= now) {
        WriteToLine(writes_.front().bytes, true);
        midFrame_ = writes_.front().opensFrame;
        writes_.pop_front();
    }
}

void SimEngine::WriteToLine(const Bytes& bytes, bool log)
{
    int unread = 0;
    if (ioctl(pty_.slave.Get(), FIONREAD, &unread) == 0 && unread > kUnreadLimit)
        tcflush(pty_.slave.Get(), TCIFLUSH);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(pty_.master.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    if (log)
        Log("TX " + HexBytes(bytes));
    if (done < bytes.size())
        Log("# line full: " + std::to_string(bytes.size() - done) + " bytes lost");
}

void SimEngine::StreamTick()
{
    if (period_.count() == 0)
        return;
    const auto now = Clock::now();
    if (now < nextTick_)
        return;
    // Every frame due since the last wake-up goes out in one write: poll()
    // counts in milliseconds, and a fast line carries several frames a
    // millisecond (one every 0.2 ms at 921600 baud). After a longer stall
    // the stream carries on at its rate without a burst.
    if (now - nextTick_ > kCatchUp)
        nextTick_ = now;
    Bytes frames;
    for (; nextTick_ <= now; nextTick_ += period_) {
        // Never inside a split reply: its bytes would land in the middle of it.
        if (!midFrame_) {
            const ReplyFrame frame = state_.controller.Measurement(NowMs());
            frames.insert(frames.end(), frame.begin(), frame.end());
        }
    }
    if (!frames.empty())
        WriteToLine(frames, false);
}

void SimEngine::ReschedulePeriod()
{
    const auto period = state_.stream.Period();
    if (period == period_)
        return;
    period_ = period;
    nextTick_ = Clock::now() + period_;
}

void SimEngine::ClearStaleExclusiveUse()
{
    const auto now = Clock::now();
    if (now < nextExclusiveCheck_)
        return;
    nextExclusiveCheck_ = now + kExclusiveCheck;
#ifdef TIOCGEXCL
    const int slave = pty_.slave.Get();
    int exclusive = 0;
    if (ioctl(slave, TIOCGEXCL, &exclusive) != 0 || exclusive == 0)
        return;
    // The tool holds a lock on the port for as long as it has it open.
    if (flock(slave, LOCK_EX | LOCK_NB) != 0)
        return;
    ioctl(slave, TIOCNXCL);
    flock(slave, LOCK_UN);
    Log("# exclusive use left by a tool that has gone: cleared");
#endif
}

int SimEngine::PollTimeoutMs() const
{
    std::optional<Clock::time_point> deadline = nextExclusiveCheck_;
    if (period_.count() > 0)
        deadline = std::min(*deadline, nextTick_);
    if (!writes_.empty())
        deadline = deadline ? std::min(*deadline, writes_.front().due) : writes_.front().due;
    if (!deadline)
        return -1;
    const auto wait = *deadline - Clock::now();
    if (wait <= Clock::duration::zero())
        return 0;
    // Round up: waking early would only mean another round of poll().
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count());
}

void SimEngine::ReadTool()
{
    uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pty_.master.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        for (const CommandAssembler::Item& item :
             assembler_.Feed(buffer, static_cast<std::size_t>(n))) {
            switch (item.kind) {
            case CommandAssembler::Kind::Frame: {
                CommandFrame frame;
                std::copy(item.bytes.begin(), item.bytes.end(), frame.begin());
                std::string note;
                HandleCommand(frame, note);
                Log("RX " + HexBytes(item.bytes) + (note.empty() ? "" : "  " + note));
                break;
            }
            case CommandAssembler::Kind::BadFrame:
                Log("RX-BAD " + HexBytes(item.bytes) + "  " + item.fault);
                break;
            case CommandAssembler::Kind::Noise:
                Log("RX-NOISE " + HexBytes(item.bytes));
                break;
            }
        }
    }
}

void SimEngine::AnswerLines(std::string& pending, int outputFd)
{
    std::size_t newline;
    while ((newline = pending.find('\n')) != std::string::npos) {
        const std::string line = Trim(pending.substr(0, newline));
        pending.erase(0, newline + 1);
        if (line.empty())
            continue;
        const std::string answer = Execute(line);
        if (outputFd >= 0)
            WriteAll(outputFd, answer + "\n");
    }
}

void SimEngine::Run(int inputFd, int outputFd)
{
    {
        std::lock_guard lock(mutex_);
        running_ = true;
    }
    quit_ = false;
    std::string pending;
    while (!quit_) {
        // poll() passes over the entries of descriptor -1.
        pollfd fds[4] = {{wakeRead_.Get(), POLLIN, 0},
                         {pty_.master.Get(), POLLIN, 0},
                         {inputFd, POLLIN, 0},
                         {log_.Waiting() ? log_.Fd() : -1, POLLOUT, 0}};
        const int ready = poll(fds, 4, PollTimeoutMs());
        if (ready < 0 && errno != EINTR)
            throw std::system_error(errno, std::generic_category(), "poll");
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            char wake[64];
            ssize_t n;
            while ((n = ::read(wakeRead_.Get(), wake, sizeof wake)) > 0)
                quit_ =
                    quit_ || std::memchr(wake, kWakeStop, static_cast<std::size_t>(n)) != nullptr;
            DrainInbox();
        }
        if (ready > 0 && (fds[1].revents & POLLIN))
            ReadTool();
        if (ready > 0 && (fds[1].revents & (POLLHUP | POLLERR)) && !(fds[1].revents & POLLIN)) {
            Log("# the pseudo-terminal failed");
            break; // cannot happen while we hold the slave; never spin on it
        }
        if (ready > 0 && inputFd >= 0 && (fds[2].revents & (POLLIN | POLLHUP))) {
            char chunk[1024];
            const ssize_t n = ::read(inputFd, chunk, sizeof chunk);
            if (n > 0) {
                pending.append(chunk, static_cast<std::size_t>(n));
                AnswerLines(pending, outputFd);
            } else if (n == 0 || errno != EINTR) {
                inputFd = -1; // end of input: keep simulating
            }
        }
        if (ready > 0 && fds[3].revents != 0)
            log_.Flush();
        FlushDueWrites();
        StreamTick();
        ClearStaleExclusiveUse();
    }
    std::lock_guard lock(mutex_);
    running_ = false;
    while (!inbox_.empty()) {
        inbox_.front().answer.set_value(Execute(inbox_.front().line));
        inbox_.pop_front();
    }
}

} // namespace scalesim
