// The port the operator opens is remembered through the host, never by the
// session itself: once the controller was greeted, with the name as opened
// and the rate; not for a failed open, a port given for one start
// (setRemembersPort(false)), or an open without greeting. The operator's
// name goes the same way.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "e2e_harness.h"
#include "recording_listener.h"
#include "scripted_host.h"
#include "session/scale_session.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class RememberingHost : public ScriptedHost {
public:
    void rememberPort(const std::string& name, uint32_t baudRate) override
    {
        remembered.emplace_back(name, baudRate);
        if (fails)
            throw std::runtime_error("datalink.ini cannot be written");
    }
    std::string rememberedOperatorName() const override { return "张工"; }
    void rememberOperatorName(const std::string& name) override { operatorNames.push_back(name); }
    std::vector<std::pair<std::string, uint32_t>> remembered;
    std::vector<std::string> operatorNames;
    bool fails = false;
};

struct RememberPort : ::testing::Test {
    RememberingHost host;
    RecordingListener listener;
    ScaleSession session{host, listener};
};

} // namespace

TEST_F(RememberPort, OnlyAGreetedOpenIsRemembered)
{
    e2e::SimProcess sim({"--rate", "0"});
    EXPECT_TRUE(session.openWithoutGreeting(sim.PortPath(), 9600).opened());
    session.closePort();
    EXPECT_FALSE(session.openPort(sim.PortPath() + "-absent", 9600).opened());
    session.setRemembersPort(false);
    EXPECT_TRUE(session.openPort(sim.PortPath(), 9600).opened());
    session.closePort();
    EXPECT_THAT(host.remembered, IsEmpty());

    session.setRemembersPort(true);
    const PortOpening opening = session.openPort(sim.PortPath(), 115200);
    EXPECT_TRUE(opening.opened());
    EXPECT_EQ(opening.code, 1);
    EXPECT_THAT(host.remembered,
                ElementsAre(std::pair<std::string, uint32_t>(sim.PortPath(), 115200)));
}

// The port is open even when it cannot be remembered: the controls are told
// so (or it could not be closed), then the failure goes on to the caller.
TEST_F(RememberPort, AFailureToRememberStillReportsThePortOpen)
{
    e2e::SimProcess sim({"--rate", "0"});
    host.fails = true;
    EXPECT_THROW(session.openPort(sim.PortPath(), 115200), std::runtime_error);
    EXPECT_TRUE(session.connected());
    EXPECT_THAT(listener.connections, ElementsAre(true));
}

// The session begins with the name the host kept; only a name the operator
// settled on is kept again, not one given for a single calibration.
TEST_F(RememberPort, TheOperatorsNameComesFromTheHostAndGoesBackToIt)
{
    EXPECT_EQ(session.operatorName(), "张工");
    session.setOperatorName("王工");
    EXPECT_THAT(host.operatorNames, IsEmpty());
    session.rememberOperatorName("李工");
    EXPECT_EQ(session.operatorName(), "李工");
    EXPECT_THAT(host.operatorNames, ElementsAre("李工"));
}
