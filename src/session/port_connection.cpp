#include "session/port_connection.h"

#include <utility>

#include "protocol/commands.h"
#include "protocol/date_time.h"
#include "protocol/shown_text.h"
#include "serial/comm.h"
#include "serial/net_connect.h"
#include "serial/net_port_name.h"
#include "session/port_name.h"
#include "session/reply_path.h"
#include "session/scale_line.h"
#include "session/session_host.h"
#include "session/session_listener.h"

PortConnection::PortConnection(SessionHost& host, SessionListener& listener, ReplyPath& replies,
                               serial::CommBackend& backend)
    : host_(host), listener_(listener), replies_(replies)
{
    // The port's events reach the session on the owner's thread, in order.
    port_ = std::make_unique<TComm>(
        [this](std::function<void()> event) { host_.post(std::move(event)); }, backend);
    port_->SetCommName("COM2");
    port_->SetBaudRate(9600);
    ApplyScaleLineSettings(*port_);
    port_->OnReceiveData = [this](TComm*, const void* buffer, uint16_t length) {
        replies_.receive(static_cast<const uint8_t*>(buffer), length);
    };
    port_->OnRequestHangup = [this](TComm*) { lost(); };
}

PortConnection::~PortConnection() { deviceWatch_.stop(); }

void PortConnection::status(const std::string& text) { listener_.statusChanged(text); }

bool PortConnection::pause(uint32_t ms)
{
    host_.wait(ms, {});
    return !host_.ending();
}

PortOpening PortConnection::start(const std::string& typedName, uint32_t baudRate)
{
    const std::string name = PortNameToOpen(typedName);
    port_->SetCommName(name);
    port_->SetBaudRate(baudRate);
    PortOpening opening;
    opening.code = port_->StartComm();
    if (opening.opened())
        device_ = IdentifyDevice(name, byIdFolder_);
    else if (opening.code == -1) {
        opening.refusal = port_->LastOpenRefusal();
        opening.reason = port_->LastOpenReason();
    }
    return opening;
}

void PortConnection::tellRefusal(const PortOpening& opening)
{
    const char* fixedText = SHOWN_TEXT("ScaleSession", "打开串口失败，返回值：");
    const std::string code = std::to_string(opening.code);
    const char* reason = nullptr;
    if (opening.refusal == serial::OpenRefusal::Busy)
        reason = SHOWN_TEXT("ScaleSession", "，串口被占用");
    else if (opening.refusal == serial::OpenRefusal::NoPermission)
        reason = SHOWN_TEXT("ScaleSession", "，没有使用串口的权限");
    else if (opening.refusal == serial::OpenRefusal::ConnectionRefused)
        reason = SHOWN_TEXT("ScaleSession", "，串口服务器拒绝连接");
    else if (opening.refusal == serial::OpenRefusal::TimedOut)
        reason = SHOWN_TEXT("ScaleSession", "，串口服务器无应答");
    else if (opening.refusal == serial::OpenRefusal::LineSettingsRefused)
        reason = SHOWN_TEXT("ScaleSession", "，串口服务器不接受串口参数");
    if (reason)
        listener_.statusWithValueAndReasonChanged(fixedText, code, reason);
    else
        listener_.statusWithValueChanged(fixedText, code);
}

PortOpening PortConnection::open(const std::string& typedName, uint32_t baudRate)
{
    if (waitingForDevice()) {
        deviceWatch_.stop();
        listener_.waitingForDevice(false);
    }
    const PortOpening opening = start(typedName, baudRate);
    if (!opening.opened()) {
        tellRefusal(opening);
        listener_.connectionChanged(false);
        return opening;
    }
    status(SHOWN_TEXT("ScaleSession", "打开串口成功"));
    if (!greetController())
        return opening;
    if (remembersPort_) {
        try {
            host_.rememberPort(port_->CommName(), baudRate);
        } catch (const std::exception&) {
            // The port is open: the controls must say so, or it could not be closed.
            listener_.connectionChanged(true);
            throw;
        }
    }
    listener_.connectionChanged(true);
    return opening;
}

PortOpening PortConnection::openWithoutGreeting(const std::string& typedName, uint32_t baudRate)
{
    return start(typedName, baudRate);
}

bool PortConnection::greetController()
{
    if (!pause(100))
        return false;
    replies_.send(kCmdSetClock, ClockData(CurrentDateTime()));
    if (!pause(100))
        return false;
    replies_.send(kCmdReadParameters);
    return true;
}

void PortConnection::close()
{
    const bool wasWaiting = waitingForDevice();
    deviceWatch_.stop();
    port_->StopComm();
    replies_.connectionEnded();
    status(SHOWN_TEXT("ScaleSession", "串口关闭！"));
    listener_.connectionChanged(false);
    if (wasWaiting)
        listener_.waitingForDevice(false);
}

void PortConnection::shutDown()
{
    deviceWatch_.stop();
    port_->StopComm();
}

void PortConnection::lost()
{
    // A second report of the same loss finds the port closed already.
    if (!connected())
        return;
    port_->StopComm();
    replies_.connectionEnded();
    listener_.portLost();
    if (reconnecting_)
        return; // lost again while being greeted: the waiting goes on
    if (!device_.reopenable()) {
        // Whatever opens next under this name is another program's terminal.
        status(SHOWN_TEXT("ScaleSession", "串口已断开，请重新打开串口！"));
        listener_.connectionChanged(false);
        return;
    }
    silenceReported_ = false;
    status(SHOWN_TEXT("ScaleSession", "串口已断开，正在等待重新连接…"));
    listener_.connectionChanged(false);
    std::weak_ptr<PortConnection*> self = self_;
    deviceWatch_.start([this, self, path = device_.path] {
        // A device server is first asked here, off the owner's thread: an
        // open there then does not wait for a server that is not back yet.
        if (serial::IsNetworkPortName(path) && !serial::NetServerAnswers(path))
            return;
        host_.post([self] {
            if (const auto connection = self.lock())
                (*connection)->tryReconnect();
        });
    });
    listener_.waitingForDevice(true);
}

void PortConnection::tryReconnect()
{
    if (!waitingForDevice() || reconnecting_)
        return;
    port_->SetCommName(device_.path);
    if (port_->StartComm() != 1)
        return;
    // The controller is greeted as at every open; only its answer makes the
    // device the one that was lost.
    reconnecting_ = true;
    const ReplyLog::Mark since = replies_.mark();
    const bool answered = greetController() && replies_.awaitParameters(since).has_value();
    reconnecting_ = false;
    if (host_.ending() || !waitingForDevice())
        return; // the program ends, or the operator closed the port meanwhile
    if (!answered) {
        port_->StopComm();
        if (!silenceReported_)
            status(SHOWN_TEXT("ScaleSession", "设备已出现，但控制器无应答，继续等待…"));
        silenceReported_ = true;
        return;
    }
    deviceWatch_.stop();
    status(SHOWN_TEXT("ScaleSession", "串口已重新连接"));
    listener_.waitingForDevice(false);
    listener_.connectionChanged(true);
}

bool PortConnection::connected() const { return port_->Handle() != 0; }

std::string PortConnection::portName() const { return port_->CommName(); }

uint32_t PortConnection::baudRate() const { return port_->BaudRate(); }

bool PortConnection::isOwnPort(const std::string& port) const
{
    return (connected() || waitingForDevice()) &&
           SameDevice(PortNameToOpen(port), port_->CommName());
}

bool PortConnection::write(const uint8_t* data, uint16_t length)
{
    return port_->WriteCommData(data, length);
}

bool PortConnection::framesSent() const { return port_->SendDataEmpty(); }

std::string PortConnection::serialPortList() const { return port_->GetCommList(); }
