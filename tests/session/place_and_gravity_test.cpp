// The gravity of the place of use and of the calibration place against
// scale-sim: a row of the table or a typed value, the frame sent, the wait
// for the acknowledgement, the place reported or the failure told.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <optional>

#include "recording_listener.h"
#include "scripted_host.h"
#include "session/scale_session.h"
#include "session_on_sim.h"

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const char* const kGravityNotSet = "设置重力加速度错误！请重试！";
const char* const kTypedGravityQuestion =
    "设置使用地重力加速度值、对称重示值有一定的影响！请确保输入的加速度值是否正确？";

} // namespace

// The place of use is shown after its acknowledgement, and the controller
// then gets a second; the calibration place waits 300 ms and no more. An
// unanswered setting keeps the place and says so.
TEST(PlaceFromTheTable, SendsWaitsAndShowsThePlaceOrTheFailure)
{
    struct Case {
        const char* name;
        GravityPlace place;
        int row;
        bool answered;
        const char* frame;
        const char* logLine;
        std::vector<uint32_t> waits;
        std::optional<RecordingListener::Place> shown; // nullopt: the failure box instead
    };
    const Case cases[] = {
        {"use, acknowledged",
         GravityPlace::Use,
         8,
         true,
         "AA 01 F3 6C 7E 01 00 8A", // 97900
         "设置加速度值,加速度值：9.79",
         {500, 1000},
         RecordingListener::Place{GravityPlace::Use, "台湾", 97900}},
        {"use, unanswered",
         GravityPlace::Use,
         3,
         false,
         "AA 01 F3 47 7E 01 00 65", // 97863
         "设置加速度值,加速度值：9.7863",
         {500},
         std::nullopt},
        {"calibration, acknowledged",
         GravityPlace::Calibration,
         0,
         true,
         "AA 01 F3 66 7E 01 00 84", // 97894
         "设置加速度值,加速度值：9.7894",
         {300},
         RecordingListener::Place{GravityPlace::Calibration, "广东-韶关", 97894}},
        {"calibration, unanswered",
         GravityPlace::Calibration,
         1,
         false,
         "AA 01 F3 07 7E 01 00 25", // 97799
         "设置加速度值,加速度值：9.7799",
         {300},
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SessionOnSim rig;
        const size_t mark = rig.Start({"--rate", "0", "--gravity-cal", "97799"});
        if (!c.answered)
            rig.Set("silent on");
        rig.listener.places.clear();
        rig.session.setGravityFromTable(c.place, c.row);
        // The wait for the acknowledgement ends with it; the settling pause
        // after it is waited out whole.
        EXPECT_EQ(rig.host.waits, c.waits);
        ASSERT_FALSE(rig.host.waitsAnswered.empty());
        EXPECT_EQ(rig.host.waitsAnswered.front(), c.answered);
        rig.SyncWithSim();
        EXPECT_THAT(rig.FramesSince(mark), ElementsAre(c.frame));
        EXPECT_THAT(rig.host.operationLog, ElementsAre(c.logLine));
        if (c.shown) {
            ASSERT_EQ(rig.listener.places.size(), 1u);
            EXPECT_EQ(rig.listener.places[0].place, c.shown->place);
            EXPECT_EQ(rig.listener.places[0].name, c.shown->name);
            EXPECT_EQ(rig.listener.places[0].gravity, c.shown->gravity);
            EXPECT_THAT(rig.host.boxes, IsEmpty());
            EXPECT_THAT(rig.listener.statuses, ElementsAre("设置加速度值！", "设置成功！"));
        } else {
            EXPECT_THAT(rig.listener.places, IsEmpty());
            EXPECT_THAT(rig.host.boxTexts(), ElementsAre(kGravityNotSet));
            EXPECT_THAT(rig.listener.statuses, ElementsAre("设置加速度值！"));
        }
    }
}

// The calibration place as the controller reports it at the start.
TEST_F(OnSim, ReportedPlacesAreNamedFromTheTable)
{
    Start({"--rate", "0", "--gravity-cal", "97799", "--gravity-use", "97900"});
    ASSERT_EQ(listener.places.size(), 2u);
    EXPECT_EQ(listener.places[0].place, GravityPlace::Calibration);
    EXPECT_EQ(listener.places[0].name, "西藏");
    EXPECT_EQ(listener.places[0].gravity, 97799);
    EXPECT_EQ(listener.places[1].place, GravityPlace::Use);
    EXPECT_EQ(listener.places[1].name, "台湾");
}

// A row outside the table (the place dialog left without a choice) sends
// nothing, waits for nothing and says nothing.
TEST_F(OnSim, RowsOutsideTheTableSendNothing)
{
    const size_t mark = Start({"--rate", "0"});
    listener.places.clear();
    for (GravityPlace place : {GravityPlace::Use, GravityPlace::Calibration})
        for (int row : {-1, 33})
            session.setGravityFromTable(place, row);
    SyncWithSim();
    EXPECT_THAT(FramesSince(mark), IsEmpty());
    EXPECT_THAT(host.waits, IsEmpty());
    EXPECT_THAT(host.boxes, IsEmpty());
    EXPECT_THAT(host.operationLog, IsEmpty());
    EXPECT_THAT(listener.statuses, IsEmpty());
    EXPECT_THAT(listener.places, IsEmpty());
}

// A typed gravity of the place of use: asked first; sent when it lies
// strictly between 9.6 and 10, then the result is told after 500 ms. Once
// the controller took it, the place shown is what was set: the table's
// names for the value, or "自定义". One controller for all cases, silent last.
TEST_F(OnSim, TypedGravityOfThePlaceOfUse)
{
    struct Case {
        const char* typed;
        bool confirmed;
        bool silent;
        const char* frame; // empty: nothing sent
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {"9.60001",
         true,
         false,
         "AA 01 F3 00 77 01 00 17",
         {kTypedGravityQuestion, "设置重力加速度成功！"}},
        {"9.99999",
         true,
         false,
         "AA 01 F3 A0 86 01 00 C6",
         {kTypedGravityQuestion, "设置重力加速度成功！"}},
        {"9.7894",
         true,
         false,
         "AA 01 F3 66 7E 01 00 84",
         {kTypedGravityQuestion, "设置重力加速度成功！"}},
        {"9.7894", false, false, "", {kTypedGravityQuestion}},
        {"9.6", true, false, "", {kTypedGravityQuestion, "加速度值输入错误！"}},
        {"10", true, false, "", {kTypedGravityQuestion, "加速度值输入错误！"}},
        {"", true, false, "", {kTypedGravityQuestion, "加速度值输入错误！"}},
        {"9.7.8", true, false, "", {kTypedGravityQuestion, "加速度值输入错误！"}},
        {"9.7894", true, true, "AA 01 F3 66 7E 01 00 84", {kTypedGravityQuestion, kGravityNotSet}},
    };
    size_t mark = Start({"--rate", "0"});
    listener.places.clear();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + (c.confirmed ? "" : ", not confirmed") +
                     (c.silent ? ", silent" : ""));
        if (c.silent)
            Set("silent on");
        host.boxes.clear();
        host.waits.clear();
        host.answers = {c.confirmed};
        session.setUseGravity(c.typed);
        EXPECT_EQ(host.boxTexts(), c.boxes);
        EXPECT_EQ(host.boxes[0].kind, ScriptedHost::Box::Kind::Question);
        EXPECT_EQ(host.boxes[0].question, Question::YesNo);
        SyncWithSim();
        const std::string frame = c.frame;
        EXPECT_EQ(FramesSince(mark),
                  frame.empty() ? std::vector<std::string>{} : std::vector<std::string>{frame});
        EXPECT_EQ(host.waits, frame.empty() ? std::vector<uint32_t>{} : std::vector<uint32_t>{500});
        mark = Mark();
    }
    std::vector<std::string> places;
    for (const RecordingListener::Place& p : listener.places)
        places.push_back((p.place == GravityPlace::Use ? "use " : "calibration ") + p.name + " " +
                         std::to_string(p.gravity));
    EXPECT_THAT(places,
                ElementsAre("use 自定义 96000", "use 自定义 100000", "use 广东-韶关 97894"));
}
