#pragma once

// Everything about the simulation that can be switched: the controller's
// state, how it behaves on the line, and the measurement stream. Each
// setting is one name with one argument, the same as a command-line option
// (--load 12.5) and as a line on standard input (load 12.5).

#include "scale_controller.h"

#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace scalesim {

// A set of command codes: none, all, or some.
struct CodeSet {
    bool all = false;
    std::set<uint8_t> codes;

    bool Has(uint8_t code) const { return all || codes.count(code) > 0; }
    std::string Text() const; // "off", "on" or "F3,F5"
};

// How replies go onto the line.
struct LinkBehaviour {
    int replyDelayMs = 0;
    CodeSet silent;  // commands ignored: no change, no answer
    CodeSet refuse;  // commands refused: no change, answer 0x11
    int splitAt = 0; // write a reply in two parts, the first this long (0: whole)
    int splitPauseMs = 50;
    bool pair = false; // a measurement frame in the same write as each reply
    int garbage = 0;   // noise bytes before each reply
};

struct StreamSettings {
    double framesPerSecond = 10; // 0 stops the stream
    bool lineRate = false;       // as fast as the line carries frames
    int baud = 9600;

    // Time between two frames; zero when the stream is stopped.
    std::chrono::microseconds Period() const;
    // Frames per second that fit on the line: 19 bytes of 10 bits each.
    double LineFramesPerSecond() const;
};

struct SimState {
    explicit SimState(uint32_t seed = 1) : controller(seed) { }

    ScaleController controller;
    LinkBehaviour link;
    StreamSettings stream;
};

struct Setting {
    const char* name;
    const char* argument;
    const char* help;
    // Returns an error text, empty when the value was taken.
    std::string (*apply)(SimState& state, const std::string& argument);
};

const std::vector<Setting>& Settings();

// Applies one setting; returns an error text, empty on success.
std::string ApplySetting(SimState& state, const std::string& name, const std::string& argument);

// One line with every setting's current value, "name=value" separated by blanks.
std::string StatusLine(const SimState& state, int64_t nowMs);

} // namespace scalesim
