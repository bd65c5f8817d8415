#pragma once
// What the scale session needs from the program that runs it: its thread,
// its waits, the operator, the log files, and the port and operator's name
// to remember. The
// window and scale-cli each give one; tests give a scripted one.

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

// The two kinds of question to the operator: "提示" with Yes/No, or with
// OK/Cancel (Cancel the default).
enum class Question { YesNo, OkCancel };

class SessionHost {
public:
    virtual ~SessionHost() = default;

    // Runs task later on the owner's thread, after everything posted before
    // it. Callable from any thread.
    virtual void post(std::function<void()> task) = 0;

    // Handles the owner's events (posted tasks, the operator's clicks) for ms
    // milliseconds, or until done() holds, checked at the start and after
    // every wakeWaiters(). Returns done() (false without one). Returns at
    // once when the program is ending.
    virtual bool wait(uint32_t ms, const std::function<bool()>& done) = 0;
    // Something a running wait may be waiting for has happened.
    virtual void wakeWaiters() = 0;
    // The program is ending: operations stop at their next wait.
    virtual bool ending() const = 0;

    // Modal: they return once the operator has answered. Texts are in
    // Chinese, as marked with SHOWN_TEXT (protocol/shown_text.h).
    virtual void showMessage(const std::string& text) = 0;
    // A box text made of a fixed text and a value after it (a version),
    // which a window translates apart; by default the whole text as above.
    virtual void showMessageWithValue(const std::string& fixedText, const std::string& value)
    {
        showMessage(fixedText + value);
    }
    virtual bool ask(const std::string& text, Question question) = 0;
    // The general error display: what ended an operation unexpectedly.
    virtual void showError(const std::exception& error) = 0;

    // A port the operator opened, to be opened again at the next start (the
    // window keeps it in the settings file); kept nowhere by default.
    virtual void rememberPort(const std::string& name, uint32_t baudRate)
    {
        (void)name, (void)baudRate;
    }
    // The operator's name for the calibration records, kept between starts
    // the same way; empty and kept nowhere by default.
    virtual std::string rememberedOperatorName() const { return {}; }
    virtual void rememberOperatorName(const std::string& name) { (void)name; }

    // The operation log swallows its own failures; the result and error logs
    // throw InOutError.
    virtual void writeOperationLog(std::string_view text) noexcept = 0;
    virtual bool resultLogOn() const = 0;
    virtual void writeResultLog(std::string_view text) = 0;
    virtual void writeErrorLog(std::string_view text) = 0;
};

// A host whose logs are the tool's log files.
class LogFileHost : public SessionHost {
public:
    void writeOperationLog(std::string_view text) noexcept override;
    bool resultLogOn() const override;
    void writeResultLog(std::string_view text) override;
    void writeErrorLog(std::string_view text) override;
};
