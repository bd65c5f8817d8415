#include "session/scale_session.h"

#include <chrono>

#include "protocol/shown_text.h"
#include "serial/comm_backend.h"

ScaleSession::ScaleSession(SessionHost& host, SessionListener& listener)
    : ScaleSession(host, listener, serial::DefaultCommBackend())
{
}

ScaleSession::ScaleSession(SessionHost& host, SessionListener& listener,
                           serial::CommBackend& backend)
    : weighing_(host, listener), replies_(host, listener, weighing_, connection_),
      connection_(host, listener, replies_, backend), search_(host, listener, connection_, backend),
      commands_(host, listener, replies_, weighing_),
      recorder_(host, replies_, weighing_, connection_, commands_), host_(host)
{
    recorder_.setOperatorName(host.rememberedOperatorName());
}

void ScaleSession::rememberOperatorName(std::string name)
{
    host_.rememberOperatorName(name);
    recorder_.setOperatorName(std::move(name));
}

bool ScaleSession::weightIsLive() const
{
    return weighing_.readingIsRecent(std::chrono::steady_clock::now());
}

void ScaleSession::tare()
{
    if (!weightIsLive()) {
        host_.showMessage(SHOWN_TEXT("ScaleSession", "没有实时重量，不能去皮！"));
        return;
    }
    weighing_.tare();
}

void ScaleSession::takeBaseValue()
{
    if (!weightIsLive()) {
        host_.showMessage(SHOWN_TEXT("ScaleSession", "没有实时重量，不能取基数值！"));
        return;
    }
    weighing_.takeBaseValue();
}

PortOpening ScaleSession::openPort(const std::string& name, uint32_t baudRate)
{
    // The probe may be asking this very port; the operator's choice comes first.
    search_.end(true);
    return connection_.open(name, baudRate);
}

void ScaleSession::shutDown()
{
    search_.end(false);
    connection_.shutDown();
}
