#pragma once

// A simulator engine on its own pty, run in-process, with a client on the
// other end. The measurement stream is off unless a test turns it on, so
// every byte read is an answer.

#include "pty_client.h"
#include "sim_engine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

namespace scalesim {

using namespace std::chrono_literals;

class SimulatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        logPath_ = ::testing::TempDir() + "scale-sim-" + info->test_suite_name() + "-" +
                   info->name() + "-" + std::to_string(getpid()) + ".log";
        EngineOptions options;
        options.logPath = logPath_;
        engine_ = std::make_unique<SimEngine>(options);
        Set("rate 0");
        engine_->Start();
        client_ = std::make_unique<PtyClient>(engine_->PortPath());
    }

    void TearDown() override
    {
        client_.reset();
        engine_.reset();
        ::unlink(logPath_.c_str());
    }

    void Set(const std::string& line) { ASSERT_EQ(engine_->Command(line), "ok") << line; }

    // Sends one command and returns, in hex, what comes back within the
    // time-out (at least one reply frame's worth is waited for).
    std::string Ask(uint8_t code, uint32_t data = 0, std::chrono::milliseconds timeout = 1000ms)
    {
        client_->Send(BuildCommand(code, data));
        return HexBytes(client_->Read(kReplyLength, timeout));
    }

    // Nothing arrives within a short wait.
    void ExpectSilence(std::chrono::milliseconds wait = 300ms)
    {
        EXPECT_EQ(HexBytes(client_->Read(1, wait)), "");
    }

    std::string LogText() const
    {
        std::ifstream file(logPath_);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::string logPath_;
    std::unique_ptr<SimEngine> engine_;
    std::unique_ptr<PtyClient> client_;
};

} // namespace scalesim
