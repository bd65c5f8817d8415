#include "session/controller_search.h"

#include "protocol/shown_text.h"
#include "session/port_connection.h"
#include "session/session_host.h"
#include "session/session_listener.h"

void ControllerSearch::start(const std::vector<std::string>& ports, uint32_t baudRate)
{
    if (running_)
        return;
    running_ = true;
    answering_ = 0;
    const uint32_t run = ++run_;
    listener_.statusChanged(SHOWN_TEXT("ScaleSession", "正在探测串口…"));
    std::vector<std::string> toAsk;
    for (const std::string& port : ports) {
        if (!connection_.isOwnPort(port)) {
            toAsk.push_back(port);
        } else if (connection_.connected()) {
            // The session is talking to it: it is not disturbed.
            ++answering_;
            listener_.portProbed(port, true);
        }
    }
    std::weak_ptr<ControllerSearch*> self = self_;
    try {
        prober_.start(
            std::move(toAsk), baudRate,
            [this, self, run](const std::string& port, ProbeAnswer answer) {
                host_.post([self, run, port, answer] {
                    if (const auto search = self.lock())
                        (*search)->answered(run, port, answer);
                });
            },
            [this, self, run] {
                host_.post([self, run] {
                    if (const auto search = self.lock())
                        (*search)->done(run);
                });
            });
    } catch (...) {
        running_ = false; // no thread: the next press tries again
        throw;
    }
}

void ControllerSearch::answered(uint32_t run, const std::string& port, ProbeAnswer answer)
{
    if (!running_ || run != run_)
        return;
    const bool answers = answer == ProbeAnswer::Answers;
    if (answers)
        ++answering_;
    listener_.portProbed(port, answers);
}

void ControllerSearch::done(uint32_t run)
{
    if (!running_ || run != run_)
        return;
    prober_.stop(); // the thread has ended: this only joins it
    running_ = false;
    listener_.statusWithValueChanged(SHOWN_TEXT("ScaleSession", "探测完成，有应答的串口数："),
                                     std::to_string(answering_));
    listener_.probeFinished(answering_);
}

void ControllerSearch::end(bool tell)
{
    if (!running_)
        return;
    prober_.stop();
    running_ = false;
    ++run_;
    if (tell)
        listener_.probeFinished(answering_);
}
