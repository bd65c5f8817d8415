// Feeds arbitrary byte blocks to the frame assembler, and every frame it
// hands on to the reply decoders, the drift monitor and the weight
// computation, as the scale session does.
//
// Input: the byte stream from the front, block sizes and the weighing state
// from the back (FuzzedDataProvider), so a plain recording of the serial line
// is a useful seed.

#include "protocol/checksum.h"
#include "protocol/drift_monitor.h"
#include "protocol/frame_assembler.h"
#include "protocol/log_record.h"
#include "protocol/replies.h"
#include "protocol/weight.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void handle(const uint8_t* frame, const WeighingState& state, bool sampling, DriftMonitor& monitor,
            CalibrationLogRecords& records)
{
    check(frame[0] == kFrameHeader && ChecksumMatches(frame, 18, frame[18]));
    const std::span<const uint8_t, kReplyFrameSize> view(frame, kReplyFrameSize);
    if (sampling && IsMeasurementCode(frame[1]))
        monitor.update(ReadI32LE(&frame[6]), EncodeDateTime(2026, 12, 10, 12));

    for (const ReplyStep& step : DescribeReply(frame)) {
        switch (step.kind) {
        case ReplyStepKind::ApplyParameters:
            DecodeParameterReport(frame);
            break;
        case ReplyStepKind::AppendLogRecord:
            records.push_back(DecodeCalibrationLogRecord(frame));
            check(!records.back().time.empty());
            break;
        case ReplyStepKind::ShowWeight:
            try {
                const WeightReading reading = ComputeWeight(view, state);
                check(!ResultLogLine(reading).empty());
            } catch (const std::out_of_range&) {
                // a base value far beyond any weight: refused, as documented
            }
            break;
        default:
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    WeighingState state;
    state.rangeKg = input.PickValueInArray({0, 3, 15, 30, 750, input.ConsumeIntegral<int32_t>()});
    state.tare = input.ConsumeFloatingPointInRange(-1000.0, 1000.0);
    state.baseValue = input.ConsumeFloatingPointInRange(-1000.0, 1000.0);
    const bool sampling = input.ConsumeBool();

    DriftMonitor monitor;
    monitor.start(EncodeDateTime(2026, 12, 10, 11));
    CalibrationLogRecords records;
    FrameAssembler link;

    size_t frames = 0;
    while (input.remaining_bytes() > 0) {
        if (input.ConsumeProbability<float>() < 0.05f)
            link.reset(); // a command sent between two reads
        const auto length = input.ConsumeIntegralInRange<uint16_t>(0, 96);
        const std::vector<uint8_t> block = input.ConsumeBytes<uint8_t>(length);
        frames += link.feed(block.data(), static_cast<uint16_t>(block.size()),
                            [&] { handle(link.frameBuffer, state, sampling, monitor, records); });
        check(link.storedAfterHeader < 18);
    }
    check(records.size() <= frames);
    return 0;
}
