#pragma once
// A scale session with its real port on scale-sim over a pseudo-terminal:
// the frames the controller receives (the simulator's log), what the
// session reports, and the host's boxes, waits and log lines.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "e2e_harness.h"
#include "recording_listener.h"
#include "scripted_host.h"
#include "session/scale_session.h"

class SessionOnSim {
public:
    // Opens the port on a new simulator with these options and returns once
    // the simulator has the parameter request, answered or not.
    void OpenOnSim(const std::vector<std::string>& options = {});
    // OpenOnSim, then waits for the parameter report and forgets the waits,
    // statuses and operation-log lines of the opening. Returns Mark().
    size_t Start(const std::vector<std::string>& options = {});

    // Frames the simulator has received since it had received `mark`; with
    // the port connected, once it has logged all the session wrote (an
    // answer can come before the simulator's log line of its request).
    std::vector<std::string> FramesSince(size_t mark);
    // The number of frames the simulator has received, once it has logged
    // all the session wrote: a mark for FramesSince.
    size_t Mark();
    // Returns once the simulator has received everything the session has
    // written so far: a frame that is sent after all the others (the line
    // keeps their order), carries a wrong checksum, and so changes nothing.
    void SyncWithSim();
    // A setting or input line of the simulator ("load 3", "silent on").
    void Set(const std::string& line);
    // Handles the port's events until done() holds; false after timeoutMs.
    bool RunUntil(const std::function<bool()>& done, uint32_t timeoutMs = 5000);
    // The simulator sends one measurement frame; returns its reading.
    WeightReading Measure();

    ScriptedHost host;
    RecordingListener listener;
    ScaleSession session{host, listener};
    std::unique_ptr<e2e::SimProcess> sim;

private:
    uint8_t syncs_ = 0;
};

// The test fixture; a test that needs a fresh session and simulator per
// case makes a SessionOnSim of its own for each.
class OnSim : public ::testing::Test, public SessionOnSim { };
