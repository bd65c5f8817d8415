#pragma once
// Finding the controller: the ports asked in the background, one after
// another, whether a controller answers the parameter request (port_prober.h),
// each answer and the end reported to the listener on the owner's thread.
// The port the session has open, or waits for, is not asked: while open it
// counts as answering.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "session/port_prober.h"

class PortConnection;
class SessionHost;
class SessionListener;

class ControllerSearch {
public:
    ControllerSearch(SessionHost& host, SessionListener& listener, const PortConnection& connection,
                     serial::CommBackend& backend)
        : host_(host), listener_(listener), connection_(connection), prober_(backend)
    {
    }
    ~ControllerSearch() { prober_.stop(); }
    ControllerSearch(const ControllerSearch&) = delete;
    ControllerSearch& operator=(const ControllerSearch&) = delete;

    // Starts a probe with a status text at the start and the end; does
    // nothing while one runs.
    void start(const std::vector<std::string>& ports, uint32_t baudRate);
    // Stops a running probe; tells the listener unless the program ends.
    void end(bool tell);
    bool running() const { return running_; }

private:
    void answered(uint32_t run, const std::string& port, ProbeAnswer answer);
    void done(uint32_t run);

    SessionHost& host_;
    SessionListener& listener_;
    const PortConnection& connection_;
    PortProber prober_;
    bool running_ = false;
    uint32_t run_ = 0; // reports of an earlier, stopped probe are ignored
    int answering_ = 0;
    // Tasks posted by the prober run only while the search lives.
    std::shared_ptr<ControllerSearch*> self_ = std::make_shared<ControllerSearch*>(this);
};
