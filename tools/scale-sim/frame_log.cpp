#include "frame_log.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace scalesim {

namespace {

bool Writable(int fd, int timeoutMs)
{
    pollfd pfd{fd, POLLOUT, 0};
    return poll(&pfd, 1, timeoutMs) > 0;
}

} // namespace

FrameLog::FrameLog(int fd) : fd_(fd)
{
    const int flags = fcntl(fd, F_GETFL);
    nonBlocking_ = flags >= 0 && (flags & O_NONBLOCK);
    struct stat info { };
    // A pipe or terminal shared with other programs (standard error) is
    // opened anew, so that its non-blocking mode stays ours alone.
    if (!nonBlocking_ && fstat(fd, &info) == 0 &&
        (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode))) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        own_.Reset(open(self.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (own_.Get() >= 0) {
            fd_ = own_.Get();
            nonBlocking_ = true;
        }
    }
}

FrameLog::~FrameLog()
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    while (Waiting()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !Writable(fd_, static_cast<int>(left.count())))
            break;
        Flush();
    }
}

void FrameLog::Line(const std::string& line)
{
    if (pending_.size() + line.size() >= kBufferLimit) {
        ++dropped_;
        return;
    }
    if (dropped_ > 0) {
        pending_ += "# " + std::to_string(dropped_) + " log lines dropped\n";
        dropped_ = 0;
    }
    pending_ += line;
    pending_ += '\n';
    Flush();
}

void FrameLog::Flush()
{
    while (!pending_.empty()) {
        // Where the output cannot be made non-blocking (a socket, say), a
        // write of at most PIPE_BUF bytes once it polls writable.
        if (!nonBlocking_ && !Writable(fd_, 0))
            return;
        const std::size_t chunk =
            nonBlocking_ ? pending_.size() : std::min<std::size_t>(pending_.size(), PIPE_BUF);
        const ssize_t n = ::write(fd_, pending_.data(), chunk);
        if (n > 0) {
            pending_.erase(0, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            return;
        } else {
            pending_.clear(); // nobody reads the log any more
            return;
        }
    }
}

} // namespace scalesim
