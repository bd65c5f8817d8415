// The switchable ways in which the simulator misbehaves on the line, and
// what it does with frames it must not answer.

#include "sim_fixture.h"

#include "protocol/checksum.h"

#include <algorithm>

namespace scalesim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kReport = "AA F6 00 00 0F 00 66 7E 01 00 66 7E 01 00 00 00 00 00 7A";

class Behaviour : public SimulatorTest { };

TEST_F(Behaviour, ReplyDelay)
{
    Set("delay 300");
    const auto sent = Clock::now();
    EXPECT_EQ(Ask(0xF6, 0, 2000ms), kReport);
    EXPECT_GE(Clock::now() - sent, 290ms);
}

TEST_F(Behaviour, DelayedRepliesKeepTheirOrder)
{
    Set("delay 200");
    client_->Send(BuildCommand(0x01));
    Set("delay 0"); // the second reply may not overtake the first
    client_->Send(BuildCommand(0xF6));
    const Bytes both = client_->Read(2 * kReplyLength, 2000ms);
    ASSERT_EQ(both.size(), 2 * kReplyLength);
    EXPECT_EQ(both[1], 0x01);
    EXPECT_EQ(both[kReplyLength + 1], 0xF6);
}

TEST_F(Behaviour, SilenceToAllOrSomeCommands)
{
    Set("silent on");
    EXPECT_EQ(Ask(0xF6, 0, 300ms), "");
    EXPECT_EQ(Ask(0xF3, 97950, 300ms), "");
    Set("silent off");
    // Ignored, not only unanswered: the gravity did not change.
    EXPECT_EQ(Ask(0xF6), kReport);
    EXPECT_NE(LogText().find("RX AA 01 F6 00 00 00 00 A2  silent\n"), std::string::npos);
}

TEST_F(Behaviour, ControllerThatAnswersOnlyTheVersionText)
{
    Set("silent 01");
    Set("version-text V2.07-2023");
    EXPECT_EQ(Ask(0x01, 0, 300ms), "");
    EXPECT_EQ(Ask(0xF2), "AA F2 56 32 2E 30 37 2D 32 30 32 33 00 00 00 00 00 00 AE");
    // Sixteen characters fill the payload with no terminating zero.
    Set("version-text ABCDEFGHIJKLMNOP");
    EXPECT_EQ(Ask(0xF2), "AA F2 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 25");
}

TEST_F(Behaviour, ReplySplitOverTwoWritesWithAPause)
{
    Set("split 7");
    Set("split-pause 200");
    client_->Send(BuildCommand(0xF6));
    const Bytes first = client_->ReadChunk(1000ms);
    const auto firstAt = Clock::now();
    const Bytes rest = client_->Read(12, 1000ms);
    EXPECT_EQ(HexBytes(first), "AA F6 00 00 0F 00 66");
    EXPECT_EQ(HexBytes(rest), "7E 01 00 66 7E 01 00 00 00 00 00 7A");
    EXPECT_GE(Clock::now() - firstAt, 150ms);
}

TEST_F(Behaviour, StreamWaitsWhileASplitReplyIsHalfWritten)
{
    Set("split 7");
    Set("split-pause 300");
    Set("rate max");
    client_->Discard();
    client_->Send(BuildCommand(0x01));
    // Read frames until the reply is found; it must be whole, not broken by
    // a measurement frame between its parts.
    Bytes received = client_->Read(40 * kReplyLength, 1500ms);
    const Bytes reply = {0xAA, 0x01, 0x12, 0x00, 0x00, 0x00, 0x00};
    const auto at = std::search(received.begin(), received.end(), reply.begin(), reply.end());
    ASSERT_NE(at, received.end());
    ASSERT_GE(received.end() - at, static_cast<std::ptrdiff_t>(kReplyLength));
    EXPECT_TRUE(ChecksumMatches(&*at, 18, at[18]));
}

TEST_F(Behaviour, ReplyAndMeasurementFrameInOneWrite)
{
    Set("pair on");
    Set("load 12.5");
    client_->Send(BuildCommand(0xF6));
    const Bytes chunk = client_->ReadChunk(1000ms);
    ASSERT_EQ(chunk.size(), 2 * kReplyLength);
    EXPECT_EQ(HexBytes(chunk.data(), kReplyLength), kReport);
    const uint8_t* measurement = chunk.data() + kReplyLength;
    EXPECT_EQ(measurement[1], 0x10);
    EXPECT_EQ(GetLE32(measurement + 6), 175000); // 12.5 kg
    EXPECT_TRUE(ChecksumMatches(measurement, 18, measurement[18]));
}

TEST_F(Behaviour, NoiseBytesBeforeTheHeader)
{
    Set("garbage 3");
    client_->Send(BuildCommand(0xF6));
    EXPECT_EQ(HexBytes(client_->Read(22, 1000ms)), std::string("00 55 FF ") + kReport);
}

TEST_F(Behaviour, RefusingAllOrSomeCommands)
{
    Set("refuse on");
    EXPECT_EQ(Ask(0xF3, 97950), "AA 11 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 BC");
    EXPECT_EQ(Ask(0xF9, 0, 300ms), ""); // no answer of its own: stays silent, switch stays closed
    Set("refuse F3,F9");
    EXPECT_EQ(Ask(0xF6), kReport); // unchanged gravity, and F6 answered normally
    EXPECT_EQ(Ask(0x02), "AA 44 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 EF");
    EXPECT_NE(LogText().find("RX AA 01 F3 9E 7E 01 00 BC  refused\n"), std::string::npos);
}

TEST_F(Behaviour, ArbitraryRepliesAndBytesFromTheInput)
{
    Set("reply 22 01 02 03");
    EXPECT_EQ(HexBytes(client_->Read(kReplyLength, 1000ms)),
              "AA 22 01 02 03 00 00 00 00 00 00 00 00 00 00 00 00 00 D3");
    Set("send AA 01 02");
    EXPECT_EQ(HexBytes(client_->Read(3, 1000ms)), "AA 01 02");
    EXPECT_NE(LogText().find("TX AA 01 02\n"), std::string::npos);
    EXPECT_EQ(engine_->Command("reply 22 " + std::string(17 * 3, '0')).rfind("error:", 0), 0u);
}

TEST_F(Behaviour, BadFramesGetNoAnswerAndAreLogged)
{
    const Bytes wrongChecksum = {0xAA, 0x01, 0xF6, 0, 0, 0, 0, 0xA3};
    const Bytes wrongMarker = {0xAA, 0x02, 0xF6, 0, 0, 0, 0, 0xA3};
    client_->Send(wrongChecksum);
    ExpectSilence();
    client_->Send(wrongMarker);
    ExpectSilence();
    const std::string log = LogText();
    EXPECT_NE(log.find("RX-BAD AA 01 F6 00 00 00 00 A3  wrong checksum\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("RX-BAD AA 02 F6 00 00 00 00 A3  byte 1 is not 01\n"), std::string::npos)
        << log;
    EXPECT_EQ(log.find("TX"), std::string::npos) << log;
}

TEST_F(Behaviour, GoodFrameAfterNoiseOrABadFrameIsAnswered)
{
    Bytes block = {0x13, 0x37, 0xAA, 0x01, 0xF6, 0, 0, 0, 0, 0xA3};
    const auto good = BuildCommand(0xF6);
    block.insert(block.end(), good.begin(), good.end());
    client_->Send(block);
    EXPECT_EQ(HexBytes(client_->Read(kReplyLength, 1000ms)), kReport);
    ExpectSilence(); // exactly one answer
    EXPECT_NE(LogText().find("RX-NOISE 13 37\n"), std::string::npos);
}

TEST_F(Behaviour, CommandSplitAcrossWritesIsAnsweredOnce)
{
    const auto frame = BuildCommand(0xF6);
    client_->Send(frame.data(), 3);
    ExpectSilence(100ms);
    client_->Send(frame.data() + 3, 5);
    EXPECT_EQ(HexBytes(client_->Read(kReplyLength, 1000ms)), kReport);
    ExpectSilence();
}

TEST_F(Behaviour, UnknownCommandIsLoggedAndNotAnswered)
{
    EXPECT_EQ(Ask(0x42, 0, 300ms), "");
    EXPECT_NE(LogText().find("RX AA 01 42 00 00 00 00 EE  unknown command\n"), std::string::npos);
}

} // namespace
} // namespace scalesim
