#include "protocol/frame_assembler.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

ReplyFrame frameWithPayload(uint8_t code, uint8_t fill)
{
    uint8_t payload[16];
    for (int i = 0; i < 16; ++i)
        payload[i] = static_cast<uint8_t>(fill + i);
    return BuildReplyFrame(code, payload);
}

Bytes bytesOf(const ReplyFrame& f) { return Bytes(f.begin(), f.end()); }

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Records every frame handed on, as frameBuffer held it during the callback.
struct Link {
    FrameAssembler assembler;
    std::vector<Bytes> frames;

    size_t feed(const Bytes& block)
    {
        return assembler.feed(block.data(), static_cast<uint16_t>(block.size()), [this] {
            frames.emplace_back(assembler.frameBuffer, assembler.frameBuffer + kReplyFrameSize);
        });
    }

    bool isEmpty() const
    {
        for (uint8_t b : assembler.frameBuffer)
            if (b != 0)
                return false;
        return !assembler.headerSeen && assembler.storedAfterHeader == 0;
    }
};

} // namespace

TEST(FrameAssembler, FrameSplitOverBlocksIsHandedOnOnce)
{
    const Bytes frame = bytesOf(frameWithPayload(0x30, 1));
    Link link;
    EXPECT_EQ(link.feed(Bytes(frame.begin(), frame.begin() + 7)), 0u);
    EXPECT_TRUE(link.assembler.headerSeen);
    EXPECT_EQ(link.assembler.storedAfterHeader, 6);
    EXPECT_EQ(link.feed(Bytes(frame.begin() + 7, frame.end())), 1u);
    ASSERT_EQ(link.frames.size(), 1u);
    EXPECT_EQ(link.frames[0], frame);
    EXPECT_TRUE(link.isEmpty()); // reset right after the frame was handed on

    // Byte by byte works the same.
    for (uint8_t b : frame)
        link.feed({b});
    EXPECT_EQ(link.frames.size(), 2u);
}

TEST(FrameAssembler, NoiseBeforeHeaderIsIgnored)
{
    const Bytes frame = bytesOf(frameWithPayload(0x00, 0));
    Link link;
    link.feed(concat({{0x01, 0x02, 0xFF, 0x55}, frame}));
    ASSERT_EQ(link.frames.size(), 1u);
    EXPECT_EQ(link.frames[0], frame);
}

TEST(FrameAssembler, HeaderByteInsidePayloadIsData)
{
    uint8_t payload[16] = {0xAA, 0xAA, 0x01, 0xAA};
    const Bytes frame = bytesOf(BuildReplyFrame(0xAA, payload));
    Link link;
    link.feed(frame);
    ASSERT_EQ(link.frames.size(), 1u);
    EXPECT_EQ(link.frames[0], frame);
}

// An acknowledgement read together with a measurement frame must not be lost:
// nothing after the first frame of a block is dropped.
TEST(FrameAssembler, EveryFrameOfABlockIsHandedOnInOrder)
{
    const Bytes weight = bytesOf(frameWithPayload(0x30, 10));
    const Bytes ack = bytesOf(BuildReplyFrame(0x00));
    const Bytes next = bytesOf(frameWithPayload(0x31, 20));

    Link link;
    EXPECT_EQ(link.feed(concat({weight, ack, {0x00, 0x13}, next})), 3u);
    ASSERT_EQ(link.frames.size(), 3u);
    EXPECT_EQ(link.frames[0], weight);
    EXPECT_EQ(link.frames[1], ack);
    EXPECT_EQ(link.frames[2], next);

    // The end of one frame and the start of the next: the start is kept.
    link.frames.clear();
    const Bytes block1 = concat({Bytes(weight.begin(), weight.begin() + 5)});
    const Bytes block2 =
        concat({Bytes(weight.begin() + 5, weight.end()), Bytes(ack.begin(), ack.begin() + 9)});
    const Bytes block3 = Bytes(ack.begin() + 9, ack.end());
    EXPECT_EQ(link.feed(block1), 0u);
    EXPECT_EQ(link.feed(block2), 1u);
    EXPECT_EQ(link.assembler.storedAfterHeader, 8);
    EXPECT_EQ(link.feed(block3), 1u);
    ASSERT_EQ(link.frames.size(), 2u);
    EXPECT_EQ(link.frames[0], weight);
    EXPECT_EQ(link.frames[1], ack);
}

// A stray 0xAA used to start a frame that swallowed the real header;
// the false frame fails its checksum, and the bytes after it are scanned again.
TEST(FrameAssembler, BadChecksumFrameIsDroppedAndRescanned)
{
    const Bytes frame = bytesOf(frameWithPayload(0x30, 3));

    Bytes corrupt = frame;
    corrupt[18] ^= 0x01;
    Link link;
    EXPECT_EQ(link.feed(corrupt), 0u);
    EXPECT_TRUE(link.frames.empty());
    EXPECT_TRUE(link.isEmpty()); // no 0xAA after its header: nothing left

    // A false header in noise, with the real frame split over two blocks:
    // the bytes to rescan came partly from the earlier block.
    const Bytes noisy = concat({{0xAA, 0x05}, frame});
    EXPECT_EQ(link.feed(Bytes(noisy.begin(), noisy.begin() + 8)), 0u);
    EXPECT_EQ(link.feed(Bytes(noisy.begin() + 8, noisy.end())), 1u);
    ASSERT_EQ(link.frames.size(), 1u);
    EXPECT_EQ(link.frames[0], frame);

    // Several false headers in a row before the real one.
    link.frames.clear();
    link.feed(concat({{0xAA, 0xAA, 0x00, 0xAA, 0x07}, frame, frame}));
    ASSERT_EQ(link.frames.size(), 2u);
    EXPECT_EQ(link.frames[1], frame);
}

TEST(FrameAssembler, EmptyBlockChangesNothing)
{
    const Bytes frame = bytesOf(frameWithPayload(0x30, 0));
    Link link;
    link.feed(Bytes(frame.begin(), frame.begin() + 10));
    const FrameAssembler before = link.assembler;

    EXPECT_EQ(link.feed({}), 0u);
    EXPECT_EQ(link.assembler.feed(nullptr, 5, nullptr), 0u);
    EXPECT_EQ(link.assembler.storedAfterHeader, before.storedAfterHeader);
    EXPECT_EQ(link.assembler.headerSeen, before.headerSeen);
    EXPECT_TRUE(std::equal(std::begin(before.frameBuffer), std::end(before.frameBuffer),
                           link.assembler.frameBuffer));

    link.feed(Bytes(frame.begin() + 10, frame.end()));
    EXPECT_EQ(link.frames.size(), 1u);
}

TEST(FrameAssembler, ResetDiscardsAHalfReceivedReply)
{
    // A command send in the middle of a reply: its remaining bytes are noise,
    // and a 0xAA among them starts a new frame.
    uint8_t payload[16] = {1, 2, 3, 0xAA, 5};
    const Bytes reply = bytesOf(BuildReplyFrame(0x01, payload));
    const Bytes next = bytesOf(frameWithPayload(0x30, 7));
    Link link;
    link.feed(Bytes(reply.begin(), reply.begin() + 4));
    link.assembler.reset();
    EXPECT_TRUE(link.isEmpty());

    link.feed(Bytes(reply.begin() + 4, reply.end()));
    EXPECT_TRUE(link.frames.empty());
    EXPECT_TRUE(link.assembler.headerSeen); // the 0xAA of the payload
    // The false frame started inside the old reply fails its checksum and the
    // real header of the next frame is found on the rescan.
    link.feed(next);
    ASSERT_EQ(link.frames.size(), 1u);
    EXPECT_EQ(link.frames[0], next);
}

// The reset follows every hand-on, even when the handler throws (the
// error log could not be written), so a frame is never handed on twice.
TEST(FrameAssembler, ThrowingHandlerStillResets)
{
    const Bytes frame = bytesOf(frameWithPayload(0x30, 5));
    FrameAssembler assembler;
    int calls = 0;
    auto throwing = [&] {
        ++calls;
        throw std::runtime_error("log not writable");
    };
    const Bytes two = concat({frame, frame});
    EXPECT_THROW(assembler.feed(two.data(), static_cast<uint16_t>(two.size()), throwing),
                 std::runtime_error);
    EXPECT_EQ(calls, 1); // the rest of that block is dropped
    EXPECT_FALSE(assembler.headerSeen);
    EXPECT_EQ(assembler.storedAfterHeader, 0);

    // The first byte of the next block does not complete the old frame again.
    int later = 0;
    assembler.feed(frame.data(), 1, [&] { ++later; });
    EXPECT_EQ(later, 0);
    assembler.feed(frame.data() + 1, 18, [&] { ++later; });
    EXPECT_EQ(later, 1);
}

TEST(FrameAssembler, RandomStreamInRandomBlocks)
{
    std::mt19937 rng(2024);
    Bytes stream;
    std::vector<Bytes> sent;
    for (int i = 0; i < 500; ++i) {
        uint8_t payload[16];
        for (uint8_t& b : payload)
            b = static_cast<uint8_t>(rng() % 4 == 0 ? 0xAA : rng()); // many header bytes inside
        const Bytes frame = bytesOf(BuildReplyFrame(static_cast<uint8_t>(rng()), payload));
        sent.push_back(frame);
        stream.insert(stream.end(), frame.begin(), frame.end());
        for (unsigned n = rng() % 3; n > 0; --n)
            stream.push_back(static_cast<uint8_t>(rng() % 0xAA)); // noise without a header
    }
    Link link;
    for (size_t pos = 0; pos < stream.size();) {
        const size_t len = std::min<size_t>(rng() % 64, stream.size() - pos);
        link.feed(Bytes(stream.begin() + static_cast<long>(pos),
                        stream.begin() + static_cast<long>(pos + len)));
        pos += len;
    }
    EXPECT_EQ(link.frames, sent);
}
