// Replies fed straight to the session's receive path: what it reports, the
// boxes, the logs, and the guard while a reply's box is open.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "protocol/frame.h"
#include "recording_listener.h"
#include "scripted_host.h"
#include "session/scale_session.h"

using ::testing::ElementsAre;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Reply(uint8_t code, std::initializer_list<uint8_t> payloadStart = {}) {
  uint8_t payload[16] = {};
  std::copy(payloadStart.begin(), payloadStart.end(), payload);
  const ReplyFrame frame = BuildReplyFrame(code, payload);
  return Bytes(frame.begin(), frame.end());
}

// A measurement frame: raw weight = calibration weight x live AD / span AD.
Bytes Measurement(int32_t spanAD, int32_t liveAD, uint16_t calibrationKg, uint8_t code = 0x10) {
  uint8_t payload[16] = {};
  WriteU32LE(payload, static_cast<uint32_t>(spanAD));
  WriteU32LE(payload + 4, static_cast<uint32_t>(liveAD));
  WriteU16LE(payload + 8, calibrationKg);
  const ReplyFrame frame = BuildReplyFrame(code, payload);
  return Bytes(frame.begin(), frame.end());
}

class Dispatch : public ::testing::Test {
 protected:
  void Feed(const Bytes& bytes) { session.receive(bytes.data(), static_cast<uint16_t>(bytes.size())); }

  ScriptedHost host;
  RecordingListener listener;
  ScaleSession session{host, listener};
};

}  // namespace

TEST_F(Dispatch, MeasurementIsReportedAsNumbersAndLoggedAsText) {
  Feed(Measurement(100000, 15000, 10));
  ASSERT_EQ(listener.readings.size(), 1u);
  EXPECT_DOUBLE_EQ(listener.readings[0].displayed, 1.5);
  EXPECT_EQ(listener.readings[0].calibrationWeight, 10);
  EXPECT_THAT(host.resultLog, ElementsAre("实际值：1.5,"));
  host.resultLogSwitchedOn = false;
  Feed(Measurement(100000, 25000, 10));
  EXPECT_EQ(host.resultLog.size(), 1u);
  EXPECT_DOUBLE_EQ(session.lastReading()->displayed, 2.5);
}

// When neither the result log nor the error log can be written, the failure
// is shown once; blocks arriving while its box is open are dropped; the
// next block afterwards is handled normally.
TEST_F(Dispatch, FailingLogsOpenOneErrorBoxAndTheGuardStaysClosed) {
  host.resultLogFails = true;
  host.errorLogFails = true;
  int fedWhileOpen = 0;
  host.whileOpen = [&](const ScriptedHost::Box&) {
    EXPECT_FALSE(session.receiving());
    for (int i = 0; i < 5; ++i, ++fedWhileOpen) Feed(Measurement(100000, 15000, 10));
  };
  Feed(Measurement(100000, 15000, 10));
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].kind, ScriptedHost::Box::Kind::Error);
  EXPECT_THAT(host.boxes[0].text, ::testing::HasSubstr("ResultErr.txt"));
  EXPECT_EQ(fedWhileOpen, 5);
  EXPECT_EQ(listener.readings.size(), 1u);  // the frames fed while it was open were dropped
  EXPECT_TRUE(session.receiving());

  host.whileOpen = {};
  host.resultLogFails = false;
  host.errorLogFails = false;
  Feed(Measurement(100000, 25000, 10));
  EXPECT_EQ(listener.readings.size(), 2u);
  EXPECT_THAT(host.resultLog, ElementsAre("实际值：2.5,"));
}

// Only measurement frames feed the drift monitor: a log record carries
// other bytes where a measurement has its AD value.
TEST_F(Dispatch, OnlyMeasurementsFeedTheDriftMonitor) {
  session.toggleSampling();
  Feed(Measurement(100000, 15000, 10));
  EXPECT_EQ(session.driftMonitor().baseAD, 15000);
  Feed(Reply(0xF8, {1, 0, 0, 0, 0xFF, 0xFF, 0x00, 0x00}));
  Feed(Reply(0x00, {0, 0, 0, 0, 0x00, 0x00, 0x10, 0x00}));
  EXPECT_EQ(session.driftMonitor().liveAD, 15000);
  EXPECT_FALSE(session.driftMonitor().alarmAt);
  EXPECT_EQ(listener.drifts.size(), 2u);  // the start and the one measurement
}

TEST_F(Dispatch, ParameterReportSetsTheRangeAndReportsBothPlaces) {
  // division 1, range 750, calibration 97894, use 98066
  Feed(Reply(0xF6, {1, 0, 0xEE, 0x02, 0x66, 0x7E, 0x01, 0x00, 0x12, 0x7F, 0x01, 0x00}));
  EXPECT_EQ(session.weighing().rangeKg, 750);
  ASSERT_EQ(listener.reports.size(), 1u);
  EXPECT_EQ(listener.reports[0].division, 1);
  ASSERT_EQ(listener.places.size(), 2u);
  EXPECT_EQ(listener.places[0].place, GravityPlace::Calibration);
  EXPECT_EQ(listener.places[0].name, "广东-韶关");
  EXPECT_EQ(listener.places[1].place, GravityPlace::Use);
  EXPECT_EQ(listener.places[1].gravity, 98066);
}
