#pragma once
// The scale session's host in scale-cli: posted events run in a plain event
// loop while the session or a command waits; the window's boxes show
// nothing (each command reports its outcome from the controller's replies);
// every question is answered yes, since running the command is the
// operator's answer; logs go to the tool's log files, as in the window, with
// every operation-log line saying which port and board it was about (runs on
// several ports at once write into the same log).

#include <string>

#include "session/event_loop.h"
#include "session/session_host.h"

class CliHost : public LogFileHost {
public:
    void post(std::function<void()> task) override { loop_.post(std::move(task)); }
    bool wait(uint32_t ms, const std::function<bool()>& done) override
    {
        return loop_.run(ms, done);
    }
    // The loop checks what a wait waits for after every event.
    void wakeWaiters() override { }
    bool ending() const override { return loop_.stopped(); }

    // "[port=/dev/ttyUSB0 board=SN-1] " before each operation-log text.
    void tagOperationLog(const std::string& port, const std::string& board);
    void writeOperationLog(std::string_view text) noexcept override;

    void showMessage(const std::string&) override { }
    bool ask(const std::string&, Question) override { return true; }
    // What ended an operation unexpectedly, on standard error.
    void showError(const std::exception& error) override;

    // Ends every wait at once, and the session's operations at their next wait.
    void end() { loop_.stop(); }

private:
    EventLoop loop_;
    std::string operationLogTag_;
};
