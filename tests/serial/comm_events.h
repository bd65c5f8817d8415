#pragma once

// Records every event a TComm raises, in order, on the test thread.

#include "serial/comm.h"

#include <cstdint>
#include <string>
#include <vector>

struct CommEvents {
    std::vector<std::vector<uint8_t>> chunks; // one per OnReceiveData
    std::vector<std::string> order;           // "data", "error 8", "modem 12", "hangup", "empty"
    int empties = 0;
    int hangups = 0;
    bool everyBufferZeroTerminated = true;

    void Attach(TComm& comm);
    std::vector<uint8_t> Bytes() const; // all chunks joined
    size_t ByteCount() const;
};

// 0, 1, 2, ... 255, 0, 1, ...: every byte value, order visible.
std::vector<uint8_t> Pattern(size_t count, uint8_t start = 0);
