// A flood of measurement frames while the window is busy: what waits for
// dispatch stays bounded (the rest waits in the line), nothing is lost, and
// the last value written is the one shown once the flood ends (how soon
// after it: bench/flood_memory.sh).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <pty.h>
#include <set>
#include <thread>
#include <unistd.h>

#include "protocol/frame.h"
#include "recording_listener.h"
#include "scripted_host.h"
#include "serial/read_thread.h"
#include "serial/receive_backlog.h"
#include "session/scale_session.h"
#include "thread_waits.h"
#include "wait_until.h"

using namespace std::chrono_literals;

namespace {

// A measurement frame whose live AD is `ad` (2.5 kg on a 10 kg calibration).
ReplyFrame Measurement(int32_t ad)
{
    uint8_t payload[16] = {};
    WriteU32LE(payload, 100000);
    WriteU32LE(payload + 4, static_cast<uint32_t>(ad));
    WriteU16LE(payload + 8, 10);
    return BuildReplyFrame(0x10, payload);
}

} // namespace

TEST(IntakeFlood, BoundedWhileTheWindowIsBusyAndEveryFrameShownAfterwards)
{
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    close(slave);

    ScriptedHost host;
    host.resultLogSwitchedOn = false;
    RecordingListener listener;
    ScaleSession session(host, listener);
    session.setRemembersPort(false);
    const std::set<pid_t> before = support::ThreadIds();
    ASSERT_EQ(session.openPort(name, 115200).code, 1);

    // 60000 frames (1.1 MB) as fast as the line takes them, each live AD its number.
    constexpr int32_t kFrames = 60000;
    const std::set<pid_t> portThreads = support::ThreadsSince(before);
    std::atomic<bool> written{false};
    std::thread writer([&] {
        std::vector<uint8_t> block;
        for (int32_t i = 0; i < kFrames; ++i) {
            const ReplyFrame frame = Measurement(i);
            block.insert(block.end(), frame.begin(), frame.end());
            if (block.size() >= 19000 || i + 1 == kFrames) {
                for (size_t done = 0; done < block.size();) {
                    const ssize_t n = write(master, block.data() + done, block.size() - done);
                    if (n <= 0)
                        return;
                    done += static_cast<size_t>(n);
                }
                block.clear();
            }
        }
        written = true;
    });

    // The window is busy and dispatches nothing: the port's reader takes in
    // up to its bound and waits.
    ASSERT_TRUE(support::WaitUntil([&] { return support::OneWaitsOnAFutex(portThreads); }))
        << "the reader never waited for the window";
    EXPECT_FALSE(written) << "the whole flood was taken in";
    // Dispatching exactly what waits shows how much that is.
    const size_t waiting = host.loop.pending();
    size_t ran = 0;
    host.runFor(5000, [&] { return ran++ == waiting; });
    const size_t framesWaiting = listener.readings.size();
    constexpr size_t kMostBytes = serial::ReceiveBacklog::kLimit + ReadThread::kBufferSize;
    EXPECT_LE(framesWaiting, kMostBytes / kReplyFrameSize + 1);
    EXPECT_GE(framesWaiting, serial::ReceiveBacklog::kLimit / kReplyFrameSize - 1);

    // Caught up, the last value written is shown.
    ASSERT_TRUE(host.runFor(30000, [&] {
        return !listener.readings.empty() && listener.readings.back().liveAD == kFrames - 1;
    }));
    writer.join();
    // Nothing lost, nothing doubled, in order.
    ASSERT_EQ(listener.readings.size(), static_cast<size_t>(kFrames));
    for (int32_t i = 0; i < kFrames; ++i)
        ASSERT_EQ(listener.readings[static_cast<size_t>(i)].liveAD, i);
    session.shutDown();
    close(master);
}
