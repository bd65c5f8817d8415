#pragma once
// A session host for tests without a window: posted events run in a plain
// event loop while the session waits; questions are answered from a queue;
// every box, wait and log line is recorded; a log can be made to fail.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "session/event_loop.h"
#include "session/session_host.h"

class ScriptedHost : public SessionHost {
public:
    struct Box {
        enum class Kind { Message, Question, Error } kind;
        std::string text;
        Question question = Question::YesNo; // the buttons of a question
    };

    void post(std::function<void()> task) override { loop.post(std::move(task)); }
    bool wait(uint32_t ms, const std::function<bool()>& done) override;
    void wakeWaiters() override { ++wakeups; }
    bool ending() const override { return loop.stopped(); }

    void showMessage(const std::string& text) override;
    bool ask(const std::string& text, Question question) override;
    void showError(const std::exception& error) override;

    void writeOperationLog(std::string_view text) noexcept override
    {
        operationLog.emplace_back(text);
    }
    bool resultLogOn() const override { return resultLogSwitchedOn; }
    void writeResultLog(std::string_view text) override;
    void writeErrorLog(std::string_view text) override;

    // Runs posted events for ms, or until done() holds.
    bool runFor(uint32_t ms, const std::function<bool()>& done = {}) { return loop.run(ms, done); }
    std::vector<std::string> boxTexts() const;

    EventLoop loop;
    // Answers to questions, in order; none left answers "no".
    std::deque<bool> answers;
    std::vector<Box> boxes;
    // Runs while a box is "open", e.g. to feed data the operator would see,
    // or to handle events as a modal box's own loop does (runFor).
    std::function<void(const Box&)> whileOpen;
    // Boxes open now, and the most that were open at once (a box opened
    // from within another one's loop is nested).
    int boxesOpen = 0;
    int mostBoxesOpenAtOnce = 0;

    // Milliseconds of every wait, in order, and whether each ended because
    // what it waited for had happened.
    std::vector<uint32_t> waits;
    std::vector<bool> waitsAnswered;
    // Runs at the start of every wait, e.g. to feed the answer the operation
    // waits for, or to end the program (loop.stop()) at a chosen wait.
    std::function<void(uint32_t ms)> whileWaiting;
    // Waits only handle what is already posted and return at once: for tests
    // that feed the answers themselves and need no time to pass.
    bool waitsTakeNoTime = false;
    // How often the session said that a reply a wait may be waiting for came in.
    int wakeups = 0;

    bool resultLogSwitchedOn = true;
    bool resultLogFails = false;
    bool errorLogFails = false;
    std::vector<std::string> operationLog;
    std::vector<std::string> resultLog;
    std::vector<std::string> errorLog;

private:
    void open(Box box);
};
