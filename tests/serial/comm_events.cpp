#include "comm_events.h"

void CommEvents::Attach(TComm& comm)
{
    comm.OnReceiveData = [this](TComm*, const void* buffer, uint16_t length) {
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        chunks.emplace_back(bytes, bytes + length);
        if (bytes[length] != 0)
            everyBufferZeroTerminated = false;
        order.push_back("data");
    };
    comm.OnReceiveError = [this](TComm*, uint32_t mask) {
        order.push_back("error " + std::to_string(mask));
    };
    comm.OnModemStateChange = [this](TComm*, uint32_t code) {
        order.push_back("modem " + std::to_string(code));
    };
    comm.OnRequestHangup = [this](TComm*) {
        ++hangups;
        order.push_back("hangup");
    };
    comm.OnSendDataEmpty = [this](TComm*) {
        ++empties;
        order.push_back("empty");
    };
}

std::vector<uint8_t> CommEvents::Bytes() const
{
    std::vector<uint8_t> all;
    for (const auto& chunk : chunks)
        all.insert(all.end(), chunk.begin(), chunk.end());
    return all;
}

size_t CommEvents::ByteCount() const
{
    size_t n = 0;
    for (const auto& chunk : chunks)
        n += chunk.size();
    return n;
}

std::vector<uint8_t> Pattern(size_t count, uint8_t start)
{
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(start + i);
    return bytes;
}
