#include "sim_frame.h"

#include <gtest/gtest.h>

namespace scalesim {
namespace {

std::vector<std::string> Feed(CommandAssembler& assembler, const std::string& hex)
{
    Bytes bytes;
    EXPECT_TRUE(ParseHexBytes(hex, bytes)) << hex;
    std::vector<std::string> items;
    for (const auto& item : assembler.Feed(bytes.data(), bytes.size())) {
        const char* kind = item.kind == CommandAssembler::Kind::Frame      ? "frame "
                           : item.kind == CommandAssembler::Kind::BadFrame ? "bad "
                                                                           : "noise ";
        items.push_back(kind + HexBytes(item.bytes) +
                        (item.fault.empty() ? "" : " / " + item.fault));
    }
    return items;
}

TEST(SimFrame, CommandsMatchTheDocumentedExamples)
{
    EXPECT_EQ(HexBytes(BuildCommand(0xF6)), "AA 01 F6 00 00 00 00 A2");
    EXPECT_EQ(HexBytes(BuildCommand(0xF3, 97894)), "AA 01 F3 66 7E 01 00 84");
    EXPECT_EQ(HexBytes(BuildCommand(0xF5, 750)), "AA 01 F5 EE 02 00 00 91");
    EXPECT_EQ(HexBytes(BuildCommand(0x03, 10)), "AA 01 03 0A 00 00 00 B9");
    EXPECT_EQ(HexBytes(BuildCommand(0xF7, 86400)), "AA 01 F7 80 51 01 00 75");
    EXPECT_EQ(HexBytes(BuildCommand(0xFB, 0xFF)), "AA 01 FB FF 00 00 00 A6");
}

TEST(SimFrame, ReplyChecksumCoversHeaderCodeAndPayload)
{
    Payload payload{};
    payload[0] = 1;
    payload[1] = 2;
    payload[2] = 3;
    EXPECT_EQ(HexBytes(BuildReply(0x22, payload)),
              "AA 22 01 02 03 00 00 00 00 00 00 00 00 00 00 00 00 00 D3");
    Payload ff;
    ff.fill(0xFF); // the sum wraps past 16 bits' low byte many times
    EXPECT_EQ(HexBytes(BuildReply(0xF8, ff)),
              "AA F8 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF 93");
}

TEST(SimFrame, LittleEndianFields)
{
    uint8_t bytes[4];
    PutLE32(bytes, -2);
    EXPECT_EQ(HexBytes(bytes, 4), "FE FF FF FF");
    EXPECT_EQ(GetLE32(bytes), -2);
    PutLE16(bytes, 750);
    EXPECT_EQ(HexBytes(bytes, 2), "EE 02");
    EXPECT_EQ(GetLE16(bytes), 750);
}

TEST(SimFrame, ParsesHexInTheFormsPeopleType)
{
    const struct {
        const char* text;
        bool ok;
        const char* bytes;
    } cases[] = {
        {"AA 01 f6", true, "AA 01 F6"},
        {"0xAA,0x1", true, "AA 01"},
        {"  7e\t00 ", true, "7E 00"},
        {"", true, ""},
        {"AAA", false, ""},
        {"GG", false, ""},
        {"0x", false, ""},
        {"12-34", false, ""},
    };
    for (const auto& c : cases) {
        Bytes out;
        EXPECT_EQ(ParseHexBytes(c.text, out), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(HexBytes(out), c.bytes) << c.text;
        }
    }
}

TEST(CommandAssembler, FrameSplitOverWritesIsAssembledOnce)
{
    CommandAssembler assembler;
    EXPECT_TRUE(Feed(assembler, "AA 01 F6").empty());
    EXPECT_TRUE(Feed(assembler, "00 00 00").empty());
    EXPECT_EQ(Feed(assembler, "00 A2"), std::vector<std::string>{"frame AA 01 F6 00 00 00 00 A2"});
}

TEST(CommandAssembler, BadFramesAreReportedAndTheScanResumes)
{
    CommandAssembler assembler;
    // Noise, a wrong checksum, a wrong byte 1, then a good frame, in one block.
    const auto items = Feed(
        assembler, "13 37 AA 01 F6 00 00 00 00 A3 AA 02 F6 00 00 00 00 A3 AA 01 01 00 00 00 00 AD");
    const std::vector<std::string> expected = {
        "noise 13 37",
        "bad AA 01 F6 00 00 00 00 A3 / wrong checksum",
        "noise 01 F6 00 00 00 00 A3",
        "bad AA 02 F6 00 00 00 00 A3 / byte 1 is not 01",
        "noise 02 F6 00 00 00 00 A3",
        "frame AA 01 01 00 00 00 00 AD",
    };
    EXPECT_EQ(items, expected);
}

TEST(CommandAssembler, GoodFrameBehindATruncatedOneIsFound)
{
    CommandAssembler assembler;
    // A frame cut short after four bytes, then a whole one: the false
    // candidate fails and the scan finds the real header inside it.
    const auto items = Feed(assembler, "AA 01 F3 66 AA 01 F6 00 00 00 00 A2");
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.back(), "frame AA 01 F6 00 00 00 00 A2");
}

} // namespace
} // namespace scalesim
