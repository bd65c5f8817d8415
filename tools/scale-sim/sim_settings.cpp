#include "sim_settings.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace scalesim {

namespace {

std::string Format(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

bool ParseNumber(const std::string& text, double low, double high, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && *end == '\0' && std::isfinite(value) && value >= low && value <= high;
}

bool ParseWhole(const std::string& text, long low, long high, long& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && value >= low && value <= high;
}

std::string RangeError(const char* what, long low, long high)
{
    return std::string("expected ") + what + " from " + std::to_string(low) + " to " +
           std::to_string(high);
}

// Setters for whole numbers and switches, to keep the table short.
template <typename T> std::string SetWhole(T& target, const std::string& text, long low, long high)
{
    long value = 0;
    if (!ParseWhole(text, low, high, value))
        return RangeError("a whole number", low, high);
    target = static_cast<T>(value);
    return {};
}

std::string SetSwitch(bool& target, const std::string& text, const char* on = "on",
                      const char* off = "off")
{
    if (text == on)
        target = true;
    else if (text == off)
        target = false;
    else
        return std::string("expected ") + on + " or " + off;
    return {};
}

std::string SetCodes(CodeSet& target, const std::string& text)
{
    if (text == "on" || text == "off") {
        target = CodeSet{text == "on", {}};
        return {};
    }
    Bytes codes;
    if (!ParseHexBytes(text, codes) || codes.empty())
        return "expected on, off or command codes in hex (F3,F5)";
    target = CodeSet{false, {codes.begin(), codes.end()}};
    return {};
}

constexpr double kMinFramesPerSecond = 0.1;
constexpr double kMaxFramesPerSecond = 100000;

std::string OnOff(bool value) { return value ? "on" : "off"; }

const std::vector<Setting> kSettings = {
    {"load", "KG", "simulated load on the platform in kg (default 0)",
     [](SimState& s, const std::string& a) -> std::string {
         double kg = 0;
         if (!ParseNumber(a, -10000, 100000, kg))
             return "expected kg from -10000 to 100000";
         s.controller.state.loadKg = kg;
         return {};
     }},
    {"noise", "COUNTS", "random AD noise, plus or minus this many counts (default 0)",
     [](SimState& s, const std::string& a) {
         return SetWhole(s.controller.state.noiseCounts, a, 0, 1000000);
     }},
    {"drift", "COUNTS",
     "slow AD drift in counts per minute, may be negative (default 0); "
     "115 counts raise the tool's drift alarm",
     [](SimState& s, const std::string& a) -> std::string {
         double perMinute = 0;
         if (!ParseNumber(a, -1e6, 1e6, perMinute))
             return "expected counts per minute from -1000000 to 1000000";
         s.controller.state.driftPerMinute = perMinute;
         return {};
     }},
    {"rate", "N|max",
     "measurement frames per second, 0.1 up to what the line carries (default 10); 0 stops them, "
     "max fills the line",
     [](SimState& s, const std::string& a) -> std::string {
         if (a == "max") {
             s.stream.lineRate = true;
             return {};
         }
         // Below 0.1 frames a second the period would not fit in the clock.
         double rate = 0;
         const double line = std::min(s.stream.LineFramesPerSecond(), kMaxFramesPerSecond);
         if (!ParseNumber(a, 0, line, rate) || (rate != 0 && rate < kMinFramesPerSecond))
             return "expected 0, or " + Format(kMinFramesPerSecond) + " to " + Format(line) +
                    " frames per second, or max";
         s.stream.lineRate = false;
         s.stream.framesPerSecond = rate;
         return {};
     }},
    {"baud", "N", "line speed that limits the frame rate (default 9600)",
     [](SimState& s, const std::string& a) { return SetWhole(s.stream.baud, a, 300, 4000000); }},
    {"switch", "open|closed", "calibration switch (default closed); command 0xF9 opens it",
     [](SimState& s, const std::string& a) {
         return SetSwitch(s.controller.state.switchOpen, a, "open", "closed");
     }},
    {"calibrated", "none|zero|KG",
     "calibration: none, zero point only, or zero and any point with KG (default 10)",
     [](SimState& s, const std::string& a) -> std::string {
         long kg = 0;
         if (a == "none")
             kg = -1;
         else if (a != "zero" && !ParseWhole(a, 1, 65535, kg))
             return "expected none, zero or a weight from 1 to 65535 kg";
         s.controller.SetCalibration(static_cast<int>(kg));
         return {};
     }},
    {"range", "KG", "range in kg (default 15)",
     [](SimState& s, const std::string& a) {
         return SetWhole(s.controller.state.rangeKg, a, 1, 65535);
     }},
    {"division", "0|1", "division setting: 0 default dual division, 1 for 5 g (default 0)",
     [](SimState& s, const std::string& a) {
         return SetWhole(s.controller.state.division, a, 0, 1);
     }},
    {"gravity-use", "N", "gravity of the place of use in 0.0001 m/s2 (default 97894)",
     [](SimState& s, const std::string& a) {
         return SetWhole(s.controller.state.gravityUse, a, INT32_MIN, INT32_MAX);
     }},
    {"gravity-cal", "N", "gravity of the calibration place in 0.0001 m/s2 (default 97894)",
     [](SimState& s, const std::string& a) {
         return SetWhole(s.controller.state.gravityCal, a, INT32_MIN, INT32_MAX);
     }},
    {"tracking", "on|off", "zero tracking (default off)",
     [](SimState& s, const std::string& a) {
         return SetSwitch(s.controller.state.zeroTracking, a);
     }},
    {"beeper", "on|off", "beeper (default on)",
     [](SimState& s, const std::string& a) { return SetSwitch(s.controller.state.beeper, a); }},
    {"records", "N", "fill the calibration log with N sample records, 0 to 32 (default 5)",
     [](SimState& s, const std::string& a) -> std::string {
         long count = 0;
         if (!ParseWhole(a, 0, CalibrationLog::kSlots, count))
             return RangeError("a count", 0, CalibrationLog::kSlots);
         s.controller.log.FillSample(static_cast<std::size_t>(count), kDeadLoadAD, kCountsPerKg);
         return {};
     }},
    {"version", "N", "version number answered to 0x01 (default 18)",
     [](SimState& s, const std::string& a) {
         return SetWhole(s.controller.state.versionNumber, a, 0, 255);
     }},
    {"version-text", "TEXT",
     "version text answered to 0xF2, at most 16 characters (default \"SCALE CTRL V1.8\")",
     [](SimState& s, const std::string& a) -> std::string {
         if (a.size() > kPayloadLength)
             return "at most 16 characters";
         s.controller.state.versionText = a;
         return {};
     }},
    {"zerofail", "on|off",
     "power-on zero failed: frames carry code 0x77 until a zero (0x04) succeeds",
     [](SimState& s, const std::string& a) { return SetSwitch(s.controller.state.zeroFailed, a); }},
    {"delay", "MS", "delay before each reply in ms (default 0)",
     [](SimState& s, const std::string& a) { return SetWhole(s.link.replyDelayMs, a, 0, 600000); }},
    {"silent", "on|off|CODES",
     "ignore all commands, none, or those listed (hex, e.g. 01 for a controller that answers "
     "only the version text): no change, no answer (default off)",
     [](SimState& s, const std::string& a) { return SetCodes(s.link.silent, a); }},
    {"refuse", "on|off|CODES",
     "refuse all commands, none, or those listed: no change, answer 0x11 (default off)",
     [](SimState& s, const std::string& a) { return SetCodes(s.link.refuse, a); }},
    {"split", "off|BYTES", "write each reply in two parts, the first BYTES long (default off)",
     [](SimState& s, const std::string& a) -> std::string {
         if (a == "off") {
             s.link.splitAt = 0;
             return {};
         }
         return SetWhole(s.link.splitAt, a, 0, 1000);
     }},
    {"split-pause", "MS", "pause between the two parts of a split reply in ms (default 50)",
     [](SimState& s, const std::string& a) { return SetWhole(s.link.splitPauseMs, a, 0, 60000); }},
    {"pair", "on|off", "send a measurement frame in the same write as each reply (default off)",
     [](SimState& s, const std::string& a) { return SetSwitch(s.link.pair, a); }},
    {"garbage", "N", "N noise bytes (never 0xAA) before each reply (default 0)",
     [](SimState& s, const std::string& a) { return SetWhole(s.link.garbage, a, 0, 1000); }},
};

} // namespace

std::string CodeSet::Text() const
{
    if (all)
        return "on";
    if (codes.empty())
        return "off";
    std::string text;
    for (uint8_t code : codes)
        text += (text.empty() ? "" : ",") + HexBytes(&code, 1);
    return text;
}

std::chrono::microseconds StreamSettings::Period() const
{
    const double line = LineFramesPerSecond();
    const double rate = lineRate ? line : std::min(framesPerSecond, line);
    if (rate <= 0)
        return std::chrono::microseconds(0);
    return std::chrono::microseconds(static_cast<int64_t>(std::ceil(1e6 / rate)));
}

double StreamSettings::LineFramesPerSecond() const { return baud / (10.0 * kReplyLength); }

const std::vector<Setting>& Settings() { return kSettings; }

std::string ApplySetting(SimState& state, const std::string& name, const std::string& argument)
{
    for (const Setting& setting : kSettings) {
        if (name == setting.name) {
            const std::string error = setting.apply(state, argument);
            return error.empty() ? error : name + ": " + error;
        }
    }
    return "unknown setting " + name;
}

std::string StatusLine(const SimState& state, int64_t nowMs)
{
    const ControllerState& c = state.controller.state;
    const LinkBehaviour& link = state.link;
    std::ostringstream out;
    out << "load=" << Format(c.loadKg) << " noise=" << c.noiseCounts
        << " drift=" << Format(c.driftPerMinute)
        << " rate=" << (state.stream.lineRate ? "max" : Format(state.stream.framesPerSecond))
        << " baud=" << state.stream.baud << " switch=" << (c.switchOpen ? "open" : "closed")
        << " calibrated="
        << (!c.zeroCalibrated   ? "none"
            : !c.spanCalibrated ? "zero"
                                : std::to_string(c.calWeightKg))
        << " zero-ad=" << c.zeroAD << " span-ad=" << c.spanAD << " zero-offset=" << c.zeroOffset
        << " range=" << c.rangeKg << " division=" << int{c.division}
        << " gravity-use=" << c.gravityUse << " gravity-cal=" << c.gravityCal
        << " tracking=" << OnOff(c.zeroTracking) << " beeper=" << OnOff(c.beeper)
        << " records=" << state.controller.log.Size()
        << " clock=" << state.controller.DeviceClock(nowMs) << " version=" << int{c.versionNumber}
        << " zerofail=" << OnOff(c.zeroFailed) << " delay=" << link.replyDelayMs
        << " silent=" << link.silent.Text() << " refuse=" << link.refuse.Text()
        << " split=" << (link.splitAt > 0 ? std::to_string(link.splitAt) : "off")
        << " split-pause=" << link.splitPauseMs << " pair=" << OnOff(link.pair)
        << " garbage=" << link.garbage;
    return out.str();
}

} // namespace scalesim
