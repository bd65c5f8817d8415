// Receive path throughput of the scale session: frame assembly, reply
// dispatch, the weight computation and the result-log line of every frame
// (the line is made but not written to disk), over a stream of measurement
// frames cut into blocks of random size. A 115200-baud line carries at most
// 606 such frames per second (19 bytes of 10 bits each); "x_line" is the
// ratio to that.

#include "protocol/frame_assembler.h"
#include "protocol/replies.h"
#include "protocol/weight.h"
#include "session/scale_session.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

constexpr double kLineFramesPerSecond = 115200.0 / 10.0 / kReplyFrameSize; // 606

struct Block {
    size_t offset;
    uint16_t length;
};

struct Stream {
    std::vector<uint8_t> bytes;
    std::vector<Block> blocks;
    int64_t frames = 0;
};

// Measurement frames (range 15, calibration weight 15 kg, live AD spread
// over the whole range) cut into blocks of 1..maxBlock bytes.
Stream makeStream(unsigned maxBlock)
{
    std::mt19937 rng(42);
    Stream s;
    s.frames = 4096;
    for (int64_t i = 0; i < s.frames; ++i) {
        uint8_t payload[16] = {};
        WriteU32LE(payload, 100000);                                     // span AD
        WriteU32LE(payload + 4, static_cast<uint32_t>(rng() % 1500000)); // live AD
        WriteU16LE(payload + 8, 15);                                     // calibration weight
        const ReplyFrame frame = BuildReplyFrame(0x30, payload);
        s.bytes.insert(s.bytes.end(), frame.begin(), frame.end());
    }
    for (size_t pos = 0; pos < s.bytes.size();) {
        const size_t left = s.bytes.size() - pos;
        const auto length = static_cast<uint16_t>(std::min<size_t>(1 + rng() % maxBlock, left));
        s.blocks.push_back({pos, length});
        pos += length;
    }
    return s;
}

// A host whose result log only counts its lines, and a listener that
// keeps nothing: the cost measured is the session's own.
class CountingHost : public SessionHost {
public:
    void post(std::function<void()>) override { }
    bool wait(uint32_t, const std::function<bool()>&) override { return false; }
    void wakeWaiters() override { }
    bool ending() const override { return false; }
    void showMessage(const std::string&) override { }
    bool ask(const std::string&, Question) override { return false; }
    void showError(const std::exception&) override { }
    void writeOperationLog(std::string_view) noexcept override { }
    bool resultLogOn() const override { return true; }
    void writeResultLog(std::string_view text) override
    {
        benchmark::DoNotOptimize(text.data());
        ++lines;
    }
    void writeErrorLog(std::string_view) override { }

    int64_t lines = 0;
};

void countFrames(benchmark::State& state, int64_t frames, int64_t expected)
{
    if (frames != expected)
        state.SkipWithError("frames were lost");
    state.counters["frames_per_s"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["x_line"] = benchmark::Counter(
        static_cast<double>(frames) / kLineFramesPerSecond, benchmark::Counter::kIsRate);
}

void BM_SessionReceivePath(benchmark::State& state)
{
    const Stream stream = makeStream(static_cast<unsigned>(state.range(0)));
    CountingHost host;
    SessionListener listener;
    ScaleSession session(host, listener);
    for (auto _ : state) {
        for (const Block& b : stream.blocks)
            session.receive(stream.bytes.data() + b.offset, b.length);
    }
    countFrames(state, host.lines, static_cast<int64_t>(state.iterations()) * stream.frames);
}

// Assembly and the dispatch table only, to see what the rest costs on top.
void BM_AssemblyAndDispatchOnly(benchmark::State& state)
{
    const Stream stream = makeStream(static_cast<unsigned>(state.range(0)));
    FrameAssembler link;
    int64_t frames = 0;
    auto dispatch = [&] {
        for (const ReplyStep& step : DescribeReply(link.frameBuffer))
            benchmark::DoNotOptimize(step.kind);
    };
    for (auto _ : state) {
        for (const Block& b : stream.blocks)
            frames +=
                static_cast<int64_t>(link.feed(stream.bytes.data() + b.offset, b.length, dispatch));
    }
    countFrames(state, frames, static_cast<int64_t>(state.iterations()) * stream.frames);
}

} // namespace

// Largest block: 64 bytes (a few frames per read) and 2048 (a full read).
BENCHMARK(BM_SessionReceivePath)->Arg(64)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AssemblyAndDispatchOnly)->Arg(64)->Arg(2048)->Unit(benchmark::kMillisecond);
