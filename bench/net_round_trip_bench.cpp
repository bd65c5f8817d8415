// One command and its reply through the serial component: the parameter
// request to scale-sim (no measurement frames streaming) and the parameter
// report back, over the local pty, over ser2net as rfc2217://127.0.0.1 and
// as socket://127.0.0.1. Prints the median and spread of each, and the
// network's ratio to the pty.

#include "post_queue.h"
#include "protocol/commands.h"
#include "protocol/frame_assembler.h"
#include "protocol/replies.h"
#include "ser2net_process.h"
#include "serial/comm.h"
#include "sim_process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 200;

struct Spread {
    double fastest, median, slowest; // ms
};

Spread RoundTrips(const std::string& port)
{
    PostQueue queue;
    TComm comm(queue.Poster());
    comm.SetReadIntervalTimeout(serial::kMaxTimeout);
    comm.SetReadTotalTimeoutMultiplier(serial::kMaxTimeout);
    comm.SetOutx_XonXoffFlow(false);
    comm.SetCommName(port);
    comm.SetBaudRate(115200);
    FrameAssembler assembler;
    bool answered = false;
    comm.OnReceiveData = [&](TComm*, const void* buffer, uint16_t length) {
        assembler.feed(static_cast<const uint8_t*>(buffer), length, [&] {
            if (assembler.frameBuffer[1] == kReplyParameters)
                answered = true;
        });
    };
    if (comm.StartComm() != 1) {
        std::fprintf(stderr, "cannot open %s: %s\n", port.c_str(), comm.LastOpenReason().c_str());
        std::exit(1);
    }
    const CommandFrame request = BuildCommandFrame(kCmdReadParameters);
    std::vector<double> times;
    for (int i = 0; i < kRounds; ++i) {
        answered = false;
        const auto start = Clock::now();
        comm.WriteCommData(request.data(), static_cast<uint16_t>(request.size()));
        if (!queue.RunUntil([&] { return answered; })) {
            std::fprintf(stderr, "no answer on %s\n", port.c_str());
            std::exit(1);
        }
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    comm.StopComm();
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2], times.back()};
}

} // namespace

int main()
{
    e2e::SimProcess sim({"--rate", "0", "--baud", "115200", "--log", "/dev/null"});
    e2e::Ser2NetProcess server(sim.PortPath());
    const Spread pty = RoundTrips(sim.PortPath());
    for (const auto& [label, spread] :
         {std::pair{"pty", pty}, std::pair{"rfc2217", RoundTrips(server.Rfc2217Url())},
          std::pair{"socket", RoundTrips(server.SocketUrl())}})
        std::printf("%-8s fastest %6.3f ms   median %6.3f ms   slowest %7.3f ms   median ratio "
                    "to pty %.2f   (%d rounds)\n",
                    label, spread.fastest, spread.median, spread.slowest,
                    spread.median / pty.median, kRounds);
    return 0;
}
