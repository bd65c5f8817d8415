#pragma once

// The command line of scale-sim and the help text.

#include "sim_engine.h"

#include <string>
#include <utility>
#include <vector>

namespace scalesim {

struct Arguments {
    EngineOptions engine;
    std::vector<std::pair<std::string, std::string>> settings; // in the order given
    bool help = false;
    std::string error; // empty when the command line was understood
};

// Options are "--name value" or "--name=value"; every setting is an option.
Arguments ParseArguments(int argc, const char* const* argv);

// Every option, setting and input command, with what it does.
std::string HelpText();

} // namespace scalesim
