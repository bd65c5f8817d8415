// Feeds an arbitrary server stream to the client of the COM port option in
// reads of arbitrary sizes, as the network port does: the data it passes on
// never exceeds what came in, and the replies it asks for stay bounded.
//
// Input: the stream from the front, read sizes from the back
// (FuzzedDataProvider), so a recording of a server's stream is a useful seed.

#include "serial/com_port_client.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <vector>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    FuzzedDataProvider input(bytes, size);
    std::vector<size_t> reads;
    for (size_t left = size / 2; left > 0 && input.remaining_bytes() > 0;) {
        const size_t n = input.ConsumeIntegralInRange<size_t>(1, left);
        reads.push_back(n);
        left -= n;
    }
    const std::vector<uint8_t> stream = input.ConsumeRemainingBytes<uint8_t>();

    serial::ComPortClient client;
    serial::LineSettings line;
    client.SettingsRequest(line);
    std::vector<uint8_t> replies;
    size_t from = 0;
    auto feed = [&](size_t n) {
        std::vector<uint8_t> data(n);
        const size_t got = client.Receive(stream.data() + from, n, data.data(), replies);
        check(got <= n);
        from += n;
    };
    for (size_t n : reads) {
        if (from + n > stream.size())
            break;
        feed(n);
    }
    feed(stream.size() - from);
    // At most one refusal per option and direction, three bytes each.
    check(replies.size() <= 2 * 256 * 3);
    uint32_t bits = client.ModemState();
    check((bits & ~0xF0u) == 0);
    client.TakeEvents();
    client.TakeErrors();
    return 0;
}
