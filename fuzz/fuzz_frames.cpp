// Feeds arbitrary byte blocks to the frame assembler, and every frame it
// hands on to the reply decoders, the drift monitor and the weight
// computation, as the main window would.
//
// Input: the byte stream from the front, block sizes and the weighing state
// from the back (FuzzedDataProvider), so a plain recording of the serial line
// is a useful seed.

#include "protocol/ad_monitor.h"
#include "protocol/checksum.h"
#include "protocol/frame_assembler.h"
#include "protocol/replies.h"
#include "protocol/set_log.h"
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

void handle(const uint8_t* frame, const TWeighingState& state, TADMonitorTexts& monitor,
            TSetLogList& setLogList)
{
    check(frame[0] == kFrameHeader && CheckSumOK(frame, 18, frame[18]));
    const std::span<const uint8_t, kReplyFrameSize> view(frame, kReplyFrameSize);
    if (state.bSampling)
        ComputeADMonitor(view, monitor, EncodeDateTime(2026, 12, 10, 12));

    for (const ReplyStep& step : DescribeReply(frame)) {
        switch (step.kind) {
        case ReplyStepKind::ApplyParameters:
            DecodeParameterReport(frame);
            break;
        case ReplyStepKind::AppendLogRecord:
            setLogList.push_back(DecodeSetLogRecord(frame));
            check(!setLogList.back().dtOpLog.empty());
            break;
        case ReplyStepKind::ShowWeight:
            try {
                ComputeWeightDisplay(view, state);
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
    TWeighingState state;
    state.iMaxRange = input.PickValueInArray({0, 3, 15, 30, 750, input.ConsumeIntegral<int32_t>()});
    state.dTare = input.ConsumeFloatingPointInRange(-1000.0, 1000.0);
    state.dBaseValue = input.ConsumeFloatingPointInRange(-1000.0, 1000.0);
    state.bSampling = input.ConsumeBool();

    TADMonitorTexts monitor;
    monitor.edtBaseADTag = 1;
    monitor.edtStartDt = "2026-12-10 11:00:00";
    TSetLogList setLogList;
    TFrameAssembler link;

    size_t frames = 0;
    while (input.remaining_bytes() > 0) {
        if (input.ConsumeProbability<float>() < 0.05f)
            link.ResetRecvBuffer(); // a command sent between two reads
        const auto length = input.ConsumeIntegralInRange<uint16_t>(0, 96);
        const std::vector<uint8_t> block = input.ConsumeBytes<uint8_t>(length);
        frames += link.DataToRecBuffer(block.data(), static_cast<uint16_t>(block.size()), [&] {
            handle(link.RecvBuf, state, monitor, setLogList);
        });
        check(link.iRecvLen < 18);
    }
    check(setLogList.size() <= frames);
    return 0;
}
