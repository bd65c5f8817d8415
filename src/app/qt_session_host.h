#pragma once
// The scale session's host in the window: events posted to the window's
// thread, waits in nested event loops, questions in message boxes (their
// texts translated as they are shown, app/shown_text.h), errors in the
// general error display, logs in the tool's files (in Chinese, as the
// session writes them), the port opened in the settings file.

#include "session/session_host.h"

class QObject;

class QtSessionHost : public LogFileHost {
public:
    // Posted events run on context's thread; those still queued when context
    // is destroyed are dropped.
    explicit QtSessionHost(QObject* context) : context_(context) { }

    void post(std::function<void()> task) override;
    bool wait(uint32_t ms, const std::function<bool()>& done) override;
    void wakeWaiters() override;
    bool ending() const override;
    void showMessage(const std::string& text) override;
    void showMessageWithValue(const std::string& fixedText, const std::string& value) override;
    bool ask(const std::string& text, Question question) override;
    void showError(const std::exception& error) override;
    // Into the settings file, where the window looks at its next start.
    void rememberPort(const std::string& name, uint32_t baudRate) override;
    std::string rememberedOperatorName() const override;
    void rememberOperatorName(const std::string& name) override;

private:
    QObject* context_;
};
