// Calibration and the controller's settings against scale-sim: the switch
// and the day's code, refused inputs, the settings' frames and answers, the
// range's rounding and the version query.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>

#include "app_core/log_files.h"
#include "protocol/daily_code.h"
#include "recording_listener.h"
#include "scripted_host.h"
#include "session/scale_session.h"
#include "session_on_sim.h"

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// Calibration needs the switch, which today's code opens; a wrong code
// sends nothing. The operation log holds the tool's lines and the
// answers' lines.
TEST_F(OnSim, CalibrationNeedsTheSwitchAndTheDayCodeOpensIt)
{
    const size_t mark = Start({"--switch", "closed", "--rate", "0"});
    session.calibrateZero();
    EXPECT_THAT(listener.statuses, ElementsAre("标定零点开始！"));
    EXPECT_TRUE(RunUntil([&] { return !host.boxes.empty(); }));
    EXPECT_THAT(host.boxTexts(), ElementsAre("请打开标定开关！"));
    EXPECT_THAT(host.operationLog, ElementsAre("零点标定"));

    EXPECT_TRUE(session.unlock(DailyCode()));
    ASSERT_TRUE(sim->WaitForLog("RX AA 01 F9 00 00 00 00 A5", 5s));
    EXPECT_EQ(host.boxes.size(), 1u);

    session.calibrateZero();
    EXPECT_TRUE(RunUntil([&] { return listener.lastStatus() == "零点标定成功！"; }));
    Set("load 10");
    EXPECT_EQ(session.calibrateWithWeight("10"), InputCheck::Accepted);
    EXPECT_EQ(listener.lastStatus(), "标定任一点开始！");
    EXPECT_TRUE(RunUntil([&] { return listener.lastStatus() == "任意点标定成功！"; }));
    EXPECT_THAT(FramesSince(mark),
                ElementsAre("AA 01 02 00 00 00 00 AE", "AA 01 F9 00 00 00 00 A5",
                            "AA 01 02 00 00 00 00 AE", "AA 01 03 0A 00 00 00 B9"));
    EXPECT_THAT(host.operationLog, ElementsAre("零点标定", "零点标定", "零点标定成功",
                                               "标定任一点:10", "任意点标定成功"));
    EXPECT_THAT(host.boxTexts(),
                ElementsAre("请打开标定开关！", "零点标定成功！", "任意点标定成功！"));

    // Wrong codes, also today's code with anything around it, send nothing.
    for (const std::string& code :
         {std::string("x"), "0" + DailyCode(), " " + DailyCode(), DailyCode() + " "}) {
        SCOPED_TRACE(code);
        host.boxes.clear();
        EXPECT_FALSE(session.unlock(code));
        EXPECT_THAT(host.boxTexts(), ElementsAre("错误！"));
    }
    SyncWithSim();
    EXPECT_EQ(FramesSince(mark).size(), 4u);
    EXPECT_THAT(host.waits, IsEmpty());
}

// With the port closed, today's code has nothing to say.
TEST(Unlock, TodaysCodeWithThePortClosedSaysNothing)
{
    ScriptedHost host;
    RecordingListener listener;
    ScaleSession session(host, listener);
    EXPECT_TRUE(session.unlock(DailyCode()));
    EXPECT_THAT(host.boxes, IsEmpty());
    EXPECT_THAT(listener.statuses, IsEmpty());
}

// Inputs that are refused send nothing and log nothing; the operator is
// told why. An any-point weight beyond 16 bits is refused after its status
// text, as the calibration has begun for the operator.
TEST_F(OnSim, RefusedInputsSendNothing)
{
    struct Case {
        const char* name;
        std::function<InputCheck(ScaleSession&)> action;
        const char* box;
        std::vector<std::string> statuses;
    };
    const Case cases[] = {
        {"no range",
         [](ScaleSession& s) { return s.setRange(std::nullopt); },
         "请选择相应量程",
         {}},
        {"no division",
         [](ScaleSession& s) { return s.setDivision(-1); },
         "请选择相应在分度值",
         {}},
        {"division not listed",
         [](ScaleSession& s) { return s.setDivision(2); },
         "请选择相应在分度值",
         {}},
        {"empty weight",
         [](ScaleSession& s) { return s.calibrateWithWeight(""); },
         "请输入任意点重量值",
         {}},
        {"blank weight",
         [](ScaleSession& s) { return s.calibrateWithWeight("   "); },
         "请输入任意点重量值",
         {}},
        {"weight 70000",
         [](ScaleSession& s) { return s.calibrateWithWeight("70000"); },
         "任意点重量值超出范围！",
         {"标定任一点开始！"}},
        {"weight 65536",
         [](ScaleSession& s) { return s.calibrateWithWeight("65536"); },
         "任意点重量值超出范围！",
         {"标定任一点开始！"}},
        {"weight -1",
         [](ScaleSession& s) { return s.calibrateWithWeight("-1"); },
         "任意点重量值超出范围！",
         {"标定任一点开始！"}},
    };
    const size_t mark = Start({"--switch", "open", "--rate", "0", "--range", "15"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.boxes.clear();
        listener.statuses.clear();
        EXPECT_EQ(c.action(session), InputCheck::Refused);
        EXPECT_THAT(host.boxTexts(), ElementsAre(c.box));
        EXPECT_EQ(listener.statuses, c.statuses);
    }
    EXPECT_EQ(session.weighing().rangeKg, 15);
    // Text that is no integer ends the action in the general error display
    // (which adds the full stop).
    listener.statuses.clear();
    try {
        session.calibrateWithWeight("12a");
        ADD_FAILURE() << "accepted";
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "'12a' is not a valid integer value");
    }
    EXPECT_THAT(listener.statuses, ElementsAre("标定任一点开始！"));
    SyncWithSim();
    EXPECT_THAT(FramesSince(mark), IsEmpty());
    EXPECT_THAT(host.operationLog, IsEmpty());

    // The largest weight the command carries goes out.
    EXPECT_EQ(session.calibrateWithWeight("65535"), InputCheck::Accepted);
    ASSERT_TRUE(sim->WaitForLog("RX AA 01 03 FF FF 00 00", 5s));
    EXPECT_THAT(FramesSince(mark), ElementsAre("AA 01 03 FF FF 00 00 AD"));
    EXPECT_THAT(host.operationLog, ElementsAre("标定任一点:65535"));
}

// Each setting: its status text at once, its log line, its frame, and the
// controller's answer in the status line. One controller for all cases:
// each query comes before the change, so it answers the simulator's
// default (tracking off, beeper on).
TEST_F(OnSim, SettingsSendTheirCommands)
{
    struct Case {
        const char* name;
        std::function<void(ScaleSession&)> action;
        const char* status;
        const char* logLine; // empty: none
        const char* frame;
        const char* answer;
    };
    const Case cases[] = {
        {"tracking query", [](ScaleSession& s) { s.queryZeroTracking(); }, "查询零点跟踪状态开始！",
         "", "AA 01 A3 00 00 00 00 4F", "零位跟踪状态关！"},
        {"tracking on", [](ScaleSession& s) { s.zeroTrackingOn(); }, "设置零点跟踪开始！",
         "设置零点跟踪开始", "AA 01 A1 00 00 00 00 4D", "零位跟踪配置成功！"},
        {"tracking off", [](ScaleSession& s) { s.zeroTrackingOff(); }, "关闭零点跟踪开始！",
         "关闭零点跟踪开始", "AA 01 A0 00 00 00 00 4C", "零位跟踪配置成功！"},
        {"beeper query", [](ScaleSession& s) { s.queryBeeper(); }, "查询峰鸣器状态开始！", "",
         "AA 01 FB FF 00 00 00 A6", "峰鸣器打开！"},
        {"beeper on", [](ScaleSession& s) { s.beeperOn(); }, "设置峰鸣器打开开始！",
         "设置峰鸣器开启", "AA 01 FB 01 00 00 00 A8", "峰鸣器打开！"},
        {"beeper off", [](ScaleSession& s) { s.beeperOff(); }, "关闭峰鸣器开始！", "关闭峰鸣器开始",
         "AA 01 FB 00 00 00 00 A7", "峰鸣器关闭！"},
        {"division 5g", [](ScaleSession& s) { EXPECT_EQ(s.setDivision(1), InputCheck::Accepted); },
         "设置分度值开始！", "设置分度值:5g", "AA 01 F4 01 00 00 00 A1", "设置成功！"},
        {"division default",
         [](ScaleSession& s) { EXPECT_EQ(s.setDivision(0), InputCheck::Accepted); },
         "设置分度值开始！", "设置分度值:默认", "AA 01 F4 00 00 00 00 A0", "设置成功！"},
    };
    Start({"--rate", "0"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t mark = Mark();
        listener.statuses.clear();
        host.operationLog.clear();
        c.action(session);
        EXPECT_THAT(listener.statuses, ElementsAre(c.status));
        ASSERT_TRUE(sim->WaitForLog(std::string("RX ") + c.frame, 5s));
        EXPECT_THAT(FramesSince(mark), ElementsAre(c.frame));
        EXPECT_EQ(host.operationLog, std::string(c.logLine).empty()
                                         ? std::vector<std::string>{}
                                         : std::vector<std::string>{c.logLine});
        EXPECT_TRUE(RunUntil([&] { return listener.statuses.size() == 2; }));
        EXPECT_EQ(listener.lastStatus(), c.answer);
    }
    EXPECT_THAT(host.waits, IsEmpty());
}

// The new range rounds the next measurement at once, before the controller
// has answered.
TEST_F(OnSim, RangeChangesTheRoundingAtOnce)
{
    const size_t mark = Start({"--load", "1.234", "--range", "3", "--rate", "0"});
    EXPECT_DOUBLE_EQ(Measure().displayed, 1.234);
    EXPECT_EQ(session.setRange(750), InputCheck::Accepted);
    EXPECT_EQ(session.weighing().rangeKg, 750);
    EXPECT_THAT(listener.statuses, ElementsAre("设置量程开始！"));
    ASSERT_TRUE(sim->WaitForLog("RX AA 01 F5 EE 02 00 00 91", 5s));
    EXPECT_TRUE(RunUntil([&] { return !host.boxes.empty(); }));
    EXPECT_THAT(host.boxTexts(), ElementsAre("设置量程成功！"));
    EXPECT_THAT(FramesSince(mark), ElementsAre("AA 01 F5 EE 02 00 00 91"));
    EXPECT_THAT(host.operationLog, ElementsAre("设置量程:750", "设置量程成功"));
    EXPECT_DOUBLE_EQ(Measure().displayed, 1.25); // 50 g divisions
}

// The version number, asked first, answers within the 200 ms; without it
// the version text is asked for.
TEST(Version, NumberFirstTextWhenTheNumberIsNotAnswered)
{
    struct Case {
        const char* name;
        std::vector<std::string> options;
        const char* silent; // codes the controller ignores; empty: none
        std::vector<std::string> frames;
        std::vector<bool> waitsAnswered; // each wait 200 ms, ended by its answer or not
        const char* box;                 // empty: none
        const char* status;
    };
    const Case cases[] = {
        {"prompt",
         {"--version", "18"},
         "",
         {"AA 01 01 00 00 00 00 AD"},
         {true},
         "版本号:18",
         "版本号:18"},
        {"number not answered",
         {"--version-text", "SCALE V2"},
         "01",
         {"AA 01 01 00 00 00 00 AD", "AA 01 F2 00 00 00 00 9E"},
         {false, true},
         "版本号:SCALE V2",
         "版本号:SCALE V2"},
        {"nothing answered",
         {},
         "01 F2",
         {"AA 01 01 00 00 00 00 AD", "AA 01 F2 00 00 00 00 9E"},
         {false, false},
         "",
         "无应答"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SessionOnSim rig;
        std::vector<std::string> options = c.options;
        options.insert(options.end(), {"--rate", "0"});
        const size_t mark = rig.Start(options);
        if (*c.silent)
            rig.Set(std::string("silent ") + c.silent);
        rig.session.readVersion();
        // Up to 200 ms for each request, ended by its answer where it comes.
        EXPECT_THAT(rig.host.waits,
                    ElementsAreArray(std::vector<uint32_t>(c.waitsAnswered.size(), 200u)));
        EXPECT_THAT(rig.host.waitsAnswered, ElementsAreArray(c.waitsAnswered));
        EXPECT_EQ(rig.listener.statuses.front(), "读版本开始！");
        if (*c.box) {
            EXPECT_TRUE(rig.RunUntil([&] { return !rig.host.boxes.empty(); }));
            EXPECT_THAT(rig.host.boxTexts(), ElementsAre(c.box));
        } else {
            EXPECT_THAT(rig.host.boxes, IsEmpty());
        }
        EXPECT_EQ(rig.listener.lastStatus(), c.status);
        rig.SyncWithSim();
        EXPECT_EQ(rig.FramesSince(mark), c.frames);
    }
}
