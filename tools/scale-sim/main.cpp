// scale-sim: the controller board of the scale on a pseudo-terminal.

#include "sim_arguments.h"
#include "sim_engine.h"

#include <csignal>
#include <cstdio>
#include <exception>

namespace {

scalesim::SimEngine* g_engine = nullptr;

extern "C" void OnSignal(int)
{
    if (g_engine)
        g_engine->Stop();
}

} // namespace

int main(int argc, char** argv)
{
    const scalesim::Arguments args = scalesim::ParseArguments(argc, argv);
    if (!args.error.empty()) {
        std::fprintf(stderr, "scale-sim: %s\nTry scale-sim --help.\n", args.error.c_str());
        return 2;
    }
    if (args.help) {
        std::fputs(scalesim::HelpText().c_str(), stdout);
        return 0;
    }
    try {
        scalesim::SimEngine engine(args.engine);
        for (const auto& [name, value] : args.settings) {
            const std::string answer = engine.Command(name + " " + value);
            if (answer != "ok") {
                std::fprintf(stderr, "scale-sim: --%s\n",
                             answer.substr(answer.find(' ') + 1).c_str());
                return 2;
            }
        }
        std::printf("%s\n", engine.PortPath().c_str());
        std::fflush(stdout);

        g_engine = &engine;
        struct sigaction action { };
        action.sa_handler = OnSignal;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGHUP, &action, nullptr);
        std::signal(SIGPIPE, SIG_IGN); // a closed standard output must not kill the line

        engine.Run(0, 1);
        g_engine = nullptr;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "scale-sim: %s\n", e.what());
        return 1;
    }
    return 0;
}
