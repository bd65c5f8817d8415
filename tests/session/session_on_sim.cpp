#include "session_on_sim.h"

#include <chrono>
#include <cstdio>

#include "protocol/commands.h"
#include "serial/comm.h"

using namespace std::chrono_literals;

void SessionOnSim::OpenOnSim(const std::vector<std::string>& options)
{
    sim = std::make_unique<e2e::SimProcess>(options);
    // The settings file beside the test program is left alone.
    session.setRemembersPort(false);
    ASSERT_EQ(session.openPort(sim->PortPath(), 115200).code, 1);
    ASSERT_TRUE(sim->WaitForLog("RX AA 01 F6 00 00 00 00 A2", 5s));
}

size_t SessionOnSim::Start(const std::vector<std::string>& options)
{
    OpenOnSim(options);
    EXPECT_TRUE(RunUntil([&] { return !listener.reports.empty(); }));
    host.waits.clear();
    host.waitsAnswered.clear();
    host.operationLog.clear();
    listener.statuses.clear();
    return Mark();
}

size_t SessionOnSim::Mark()
{
    SyncWithSim();
    return sim->ReceivedFrames().size();
}

std::vector<std::string> SessionOnSim::FramesSince(size_t mark)
{
    if (session.connected())
        SyncWithSim();
    const std::vector<std::string> all = sim->ReceivedFrames();
    return {all.begin() + static_cast<long>(mark), all.end()};
}

void SessionOnSim::SyncWithSim()
{
    CommandFrame marker = BuildCommandFrame(0xEE, {++syncs_, 0, 0, 0});
    marker.back() ^= 0xFF;
    ASSERT_TRUE(session.writeBytes(marker.data(), static_cast<uint16_t>(marker.size())));
    char logged[32];
    std::snprintf(logged, sizeof logged, "RX-BAD AA 01 EE %02X", syncs_);
    ASSERT_TRUE(sim->WaitForLog(logged, 5s));
}

void SessionOnSim::Set(const std::string& line) { ASSERT_EQ(sim->Command(line), "ok") << line; }

bool SessionOnSim::RunUntil(const std::function<bool()>& done, uint32_t timeoutMs)
{
    return host.runFor(timeoutMs, done);
}

WeightReading SessionOnSim::Measure()
{
    const size_t before = listener.readings.size();
    Set("measure");
    EXPECT_TRUE(RunUntil([&] { return listener.readings.size() > before; }));
    return listener.readings.empty() ? WeightReading{} : listener.readings.back();
}
