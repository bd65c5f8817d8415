// When the program begins to end during an operation's wait, the wait ends
// at once and the operation stops there: no further frame, box or wait.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "recording_listener.h"
#include "scripted_host.h"
#include "session/scale_session.h"
#include "session_on_sim.h"

using ::testing::IsEmpty;

namespace {

const char* const kTypedGravityQuestion =
    "设置使用地重力加速度值、对称重示值有一定的影响！请确保输入的加速度值是否正确？";

// The command part ("AA 01 F3") of each frame.
std::vector<std::string> Commands(const std::vector<std::string>& frames)
{
    std::vector<std::string> commands;
    for (const std::string& frame : frames)
        commands.push_back(frame.substr(0, 8));
    return commands;
}

// Ends the program at the start of the wait with this index (0: the first).
void EndAtWait(SessionOnSim& rig, size_t index)
{
    rig.host.whileWaiting = [&rig, index, waits = size_t{0}](uint32_t) mutable {
        if (waits++ == index)
            rig.host.loop.stop();
    };
}

} // namespace

// The opening stops before the clock, or before the parameter request.
TEST(ProgramEnding, DuringTheOpening)
{
    struct Case {
        size_t endAtWait;
        std::vector<std::string> commands;
        std::vector<uint32_t> waits;
    };
    const Case cases[] = {
        {0, {}, {100}},
        {1, {"AA 01 F7"}, {100, 100}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.endAtWait);
        SessionOnSim rig;
        rig.sim = std::make_unique<e2e::SimProcess>(std::vector<std::string>{"--rate", "0"});
        rig.session.setRemembersPort(false);
        EndAtWait(rig, c.endAtWait);
        EXPECT_EQ(rig.session.openPort(rig.sim->PortPath(), 115200).code, 1);
        // No wait after the one the ending cut short.
        EXPECT_EQ(rig.host.waits, c.waits);
        rig.SyncWithSim();
        EXPECT_EQ(Commands(rig.sim->ReceivedFrames()), c.commands);
    }
}

TEST(ProgramEnding, DuringAnOperationsWait)
{
    struct Case {
        const char* name;
        const char* silent; // codes the controller ignores; empty: none
        std::function<void(ScaleSession&)> action;
        size_t endAtWait;
        std::vector<std::string> commands;
        std::vector<uint32_t> waits;
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {"place of use, unanswered",
         "on",
         [](ScaleSession& s) { s.setGravityFromTable(GravityPlace::Use, 8); },
         0,
         {"AA 01 F3"},
         {500},
         {}},
        {"place of use, the second after the acknowledgement",
         "",
         [](ScaleSession& s) { s.setGravityFromTable(GravityPlace::Use, 8); },
         1,
         {"AA 01 F3"},
         {500, 1000},
         {}},
        {"calibration place",
         "on",
         [](ScaleSession& s) { s.setGravityFromTable(GravityPlace::Calibration, 0); },
         0,
         {"AA 01 F3"},
         {300},
         {}},
        {"typed gravity",
         "on",
         [](ScaleSession& s) { s.setUseGravity("9.7894"); },
         0,
         {"AA 01 F3"},
         {500},
         {kTypedGravityQuestion}},
        {"version", "01", [](ScaleSession& s) { s.readVersion(); }, 0, {"AA 01 01"}, {200}, {}},
        {"calibration log",
         "on",
         [](ScaleSession& s) { EXPECT_FALSE(s.readCalibrationLog()); },
         0,
         {"AA 01 F8"},
         {200},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SessionOnSim rig;
        const size_t mark = rig.Start({"--rate", "0"});
        if (*c.silent)
            rig.Set(std::string("silent ") + c.silent);
        rig.host.answers = {true};
        EndAtWait(rig, c.endAtWait);
        c.action(rig.session);
        // No wait after the one the ending cut short.
        EXPECT_EQ(rig.host.waits, c.waits);
        EXPECT_EQ(rig.host.boxTexts(), c.boxes);
        rig.SyncWithSim();
        EXPECT_EQ(Commands(rig.FramesSince(mark)), c.commands);
    }
}
