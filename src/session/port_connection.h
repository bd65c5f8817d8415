#pragma once
// The connection to the controller: the serial port's open, close and loss,
// and the reconnect to the same device once it returns and its controller
// answers (device_identity.h). A port the operator opens is remembered
// through the host. The port itself stays inside.

#include <cstdint>
#include <memory>
#include <string>

#include "serial/comm_backend.h"
#include "session/device_identity.h"
#include "session/device_watch.h"

class ReplyPath;
class SessionHost;
class SessionListener;
class TComm;

// How an open ended: StartComm's code, 1 when the port opened, otherwise a
// failure code (the status text tells it).
struct PortOpening {
    int32_t code = 0;
    // Why the port could not be opened, where the system said (code -1).
    serial::OpenRefusal refusal = serial::OpenRefusal::None;
    // The same for people where the port says more (a device server's answer).
    std::string reason;
    bool opened() const { return code == 1; }
};

class PortConnection {
public:
    // Blocks the port delivers go to `replies`, on the owner's thread.
    PortConnection(SessionHost& host, SessionListener& listener, ReplyPath& replies,
                   serial::CommBackend& backend);
    ~PortConnection();
    PortConnection(const PortConnection&) = delete;
    PortConnection& operator=(const PortConnection&) = delete;

    // Opens the port (a "ComN" name from 10 on is opened as "//./ComN"); on
    // success sets the controller's clock and asks for its parameters, each
    // after 100 ms, and has the host remember the port when it remembers ports.
    PortOpening open(const std::string& typedName, uint32_t baudRate);
    // Opens the port and sends nothing: for a device that may be no scale.
    PortOpening openWithoutGreeting(const std::string& typedName, uint32_t baudRate);
    // Closes the port; while waiting for a lost device, stops waiting.
    void close();
    // The program ends: the port is closed without a status text.
    void shutDown();

    bool connected() const;
    // The port as opened ("//./Com12", "/dev/ttyUSB0") and its baud rate.
    std::string portName() const;
    uint32_t baudRate() const;
    bool waitingForDevice() const { return deviceWatch_.running(); }
    // The port open, or waited for, is the same device as `port` (as typed).
    bool isOwnPort(const std::string& port) const;

    void setSerialByIdFolder(std::string folder) { byIdFolder_ = std::move(folder); }
    void setRemembersPort(bool remembers) { remembersPort_ = remembers; }

    // Bytes as they are; false when the port did not take them.
    bool write(const uint8_t* data, uint16_t length);
    // Every frame written has left the port.
    bool framesSent() const;
    // The serial devices of this machine, each followed by CR LF.
    std::string serialPortList() const;

private:
    PortOpening start(const std::string& typedName, uint32_t baudRate);
    // The failure's status line: the code, and why where the system said.
    void tellRefusal(const PortOpening& opening);
    // The reader lost the device: close, tell, and wait for it to come back.
    void lost();
    void tryReconnect();
    // The clock and the parameter request that follow every open; false when
    // the program began to end meanwhile.
    bool greetController();
    // Waits ms; false when the program is ending.
    bool pause(uint32_t ms);
    void status(const std::string& text);

    SessionHost& host_;
    SessionListener& listener_;
    ReplyPath& replies_;
    std::unique_ptr<TComm> port_;
    DeviceWatch deviceWatch_;
    std::string byIdFolder_ = kSerialByIdFolder;
    DeviceIdentity device_;        // of the port opened last
    bool reconnecting_ = false;    // a reopened device is being greeted
    bool silenceReported_ = false; // a reopened device that did not answer, said once
    bool remembersPort_ = true;
    // Tasks posted by the device watch run only while the connection lives.
    std::shared_ptr<PortConnection*> self_ = std::make_shared<PortConnection*>(this);
};
