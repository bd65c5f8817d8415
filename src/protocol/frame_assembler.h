#pragma once

// Turns the byte blocks read from the serial line into 19-byte reply frames.
//
// The serial component delivers whatever bytes have arrived, so a block may
// hold part of a frame, several frames, or noise. The assembler keeps its
// state between blocks and hands every complete frame whose checksum is good
// to a callback, in the order the frames arrived. While the callback runs,
// frameBuffer holds the frame (header at index 0, checksum at 18); right after it
// returns, or throws, the assembler is reset, so a frame is handed on once.
//
// Past a complete frame the rest of the block is assembled on. A frame whose
// checksum fails is dropped and the 18 bytes after its header are scanned
// again, so a stray 0xAA in noise cannot swallow the real frame behind it.
//
// The scale session's receive path feeds every block to feed() and
// dispatches each frame from the callback; a command send calls reset()
// after handing its frame to the port, which discards a half-received reply.

#include "protocol/frame.h"

#include <cstddef>
#include <cstdint>
#include <functional>

class FrameAssembler {
public:
    using FrameHandler = std::function<void()>;

    // The frame being assembled: header at 0, the following bytes at 1..18.
    uint8_t frameBuffer[kLinkBufferSize] = {};
    // Index in frameBuffer of the last byte stored after the header (0 while only
    // the header, or nothing, is stored).
    uint8_t storedAfterHeader = 0;
    // A header byte has been seen for the frame being assembled.
    bool headerSeen = false;

    // Feeds one block (nullptr or count 0: nothing happens). Calls onFrame
    // once per complete, checksum-valid frame, with frameBuffer holding it (an
    // empty onFrame only counts them).
    // Returns the number of frames handed on. Never throws by itself; an
    // exception of onFrame propagates after the reset, and the rest of that
    // block is then dropped.
    size_t feed(const uint8_t* data, uint16_t count, const FrameHandler& onFrame);

    // Back to empty: frameBuffer zero-filled, storedAfterHeader 0, headerSeen false.
    void reset();

private:
    // Stores one byte; true when it completed 19 bytes.
    bool store(uint8_t byte);
    // Drops a frame whose checksum failed and rescans the bytes after its header.
    void rescanAfterFalseHeader();
};
