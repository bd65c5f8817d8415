#include "session/port_prober.h"

#include "protocol/commands.h"
#include "protocol/frame_assembler.h"
#include "protocol/replies.h"
#include "serial/comm.h"
#include "session/event_loop.h"
#include "session/port_name.h"
#include "session/scale_line.h"

#include <algorithm>

namespace {

using Clock = std::chrono::steady_clock;

// What closing the port takes is kept out of the wait, so that the whole
// port stays within its time.
constexpr std::chrono::milliseconds kClosing{10};

} // namespace

PortProber::PortProber(serial::CommBackend& backend) : backend_(backend) { }

PortProber::~PortProber() { stop(); }

ProbeAnswer PortProber::probe(serial::CommBackend& backend, const std::string& port,
                              uint32_t baudRate, Milliseconds perPort, EventLoop& loop)
{
    const auto deadline = Clock::now() + perPort - kClosing;
    bool answered = false;
    FrameAssembler assembler;
    TComm comm([&loop](std::function<void()> event) { loop.post(std::move(event)); }, backend);
    ApplyScaleLineSettings(comm);
    comm.SetCommName(PortNameToOpen(port));
    comm.SetBaudRate(baudRate);
    comm.OnReceiveData = [&](TComm*, const void* buffer, uint16_t length) {
        assembler.feed(static_cast<const uint8_t*>(buffer), length, [&] {
            if (assembler.frameBuffer[1] == kReplyParameters)
                answered = true;
        });
    };
    if (comm.StartComm() != 1)
        return ProbeAnswer::CannotOpen;
    // The session's parameter request, byte for byte.
    const CommandFrame request = BuildCommandFrame(kCmdReadParameters);
    comm.WriteCommData(request.data(), static_cast<uint16_t>(request.size()));
    assembler.reset();
    const auto left = std::chrono::ceil<Milliseconds>(deadline - Clock::now()).count();
    loop.run(static_cast<uint32_t>(std::max<int64_t>(left, 0)), [&] { return answered; });
    comm.StopComm();
    // What the port posted before it closed still runs here, where the
    // handler's state lives (a stopped loop leaves it to be dropped).
    loop.run(0, {});
    return answered ? ProbeAnswer::Answers : ProbeAnswer::Silent;
}

void PortProber::start(std::vector<std::string> ports, uint32_t baudRate, Report report, Done done,
                       Milliseconds perPort)
{
    stop();
    loop_ = std::make_shared<EventLoop>();
    thread_ = std::thread([this, loop = loop_, ports = std::move(ports), baudRate,
                           report = std::move(report), done = std::move(done), perPort] {
        for (const std::string& port : ports) {
            const ProbeAnswer answer = probe(backend_, port, baudRate, perPort, *loop);
            if (loop->stopped())
                return;
            report(port, answer);
        }
        done();
    });
}

void PortProber::stop()
{
    if (loop_)
        loop_->stop();
    if (thread_.joinable())
        thread_.join();
    loop_.reset();
}
