#include "sim_arguments.h"

#include "sim_settings.h"

#include <cstdlib>

namespace scalesim {

namespace {

bool IsSetting(const std::string& name)
{
    for (const Setting& setting : Settings())
        if (name == setting.name)
            return true;
    return false;
}

// "  left   help", the help wrapped to 79 columns under its own column.
std::string Line(const std::string& left, const std::string& help)
{
    constexpr std::size_t kColumn = 28;
    constexpr std::size_t kWidth = 79;
    std::string text = "  " + left;
    text += text.size() < kColumn ? std::string(kColumn - text.size(), ' ')
                                  : "\n" + std::string(kColumn, ' ');
    std::size_t lineStart = text.rfind('\n') == std::string::npos ? 0 : text.rfind('\n') + 1;
    std::size_t pos = 0;
    while (pos < help.size()) {
        std::size_t end = help.find(' ', pos);
        if (end == std::string::npos)
            end = help.size();
        const std::string word = help.substr(pos, end - pos);
        const bool lineHasWord = text.size() - lineStart > kColumn;
        if (lineHasWord && text.size() - lineStart + 1 + word.size() > kWidth) {
            text += "\n" + std::string(kColumn, ' ');
            lineStart = text.size() - kColumn;
        } else if (lineHasWord) {
            text += ' ';
        }
        text += word;
        pos = end + 1;
    }
    return text + "\n";
}

} // namespace

Arguments ParseArguments(int argc, const char* const* argv)
{
    Arguments result;
    for (int i = 1; i < argc && result.error.empty(); ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            result.help = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0) {
            result.error = "unexpected argument " + arg;
            break;
        }
        std::string name = arg.substr(2);
        std::string value;
        if (const auto equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.erase(equals);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            result.error = "--" + name + " needs a value";
            break;
        }
        if (name == "link") {
            result.engine.linkPath = value;
        } else if (name == "log") {
            result.engine.logPath = value;
        } else if (name == "seed") {
            char* end = nullptr;
            result.engine.seed = static_cast<uint32_t>(std::strtoul(value.c_str(), &end, 10));
            if (value.empty() || *end != '\0')
                result.error = "--seed needs a whole number";
        } else if (IsSetting(name)) {
            result.settings.emplace_back(name, value);
        } else {
            result.error = "unknown option --" + name;
        }
    }
    return result;
}

std::string HelpText()
{
    std::string text =
        "Usage: scale-sim [OPTION VALUE]...\n"
        "\n"
        "Stands in for the controller board of the scale: opens a pseudo-terminal in raw\n"
        "mode, prints its path as the first line on standard output, streams measurement\n"
        "frames and answers the tool's 17 commands like the controller. Open the printed\n"
        "path (or the --link path) as the port in the tool. Ends on \"quit\", Ctrl-C or\n"
        "SIGTERM.\n"
        "\n"
        "Options:\n";
    text +=
        Line("--link PATH", "also make a symbolic link PATH to the pty (replaced if it is a link)");
    text += Line("--log FILE", "write the frame log to FILE instead of standard error");
    text += Line("--seed N", "seed of the AD noise (default 1)");
    text += Line("--help", "show this text");
    text += "\nSettings, as an option (--load 12.5) or, while running, as a line on standard\n"
            "input (load 12.5):\n";
    for (const Setting& setting : Settings())
        text += Line(std::string(setting.name) + " " + setting.argument, setting.help);
    text += "\nInput lines only:\n";
    text += Line("reply CODE [BYTES]", "send a reply frame with this code and payload (hex, "
                                       "zero-filled), delayed, split, paired or "
                                       "preceded by noise as the settings say");
    text += Line("send BYTES", "write these bytes (hex) to the line as they are");
    text += Line("measure", "send one measurement frame now");
    text += Line("status", "show every setting on one line");
    text += Line("help", "show this text");
    text += Line("quit", "end the simulator");
    text +=
        "Each line is answered on standard output with a line \"ok\" (\"ok <values>\" for\n"
        "status) or \"error: <why>\".\n"
        "\n"
        "Frame log, one line per event:\n"
        "  RX AA 01 F6 00 00 00 00 A2            a command received (\"  silent\", \"  refused\",\n"
        "                                        \"  unknown command\" when not carried out)\n"
        "  RX-BAD AA 02 ...  wrong checksum      a frame refused with no answer\n"
        "  RX-NOISE 00 13                        bytes outside any frame\n"
        "  TX AA F6 ...                          bytes of a reply written to the line\n"
        "  # ...                                 a note\n"
        "Measurement frames are not logged.\n"
        "\n"
        "The simulation: the platform's load gives the live AD value at 14000 counts per\n"
        "kg above 500000 counts, plus noise and drift. Measurement frames (code 0x10, or\n"
        "0x77 while zerofail is on) carry the span AD (counts of the calibration weight),\n"
        "the live AD above the zero and the calibration weight, so that calibration\n"
        "weight x live AD / span AD is the load. Zeroing (0x04) works within 4 % of the\n"
        "range from the calibrated zero, else 0x69; zero tracking holds loads within half\n"
        "a division of zero at zero. 0x02 and 0x03 need the calibration switch open\n"
        "(0xF9 opens it) and answer 0x44 while it is closed; 0x03 without a zero\n"
        "calibration answers 0x22, 0x04 without calibration 0x22 or 0x33. Each\n"
        "calibration adds a record to the 32-slot log; the any-point calibration also\n"
        "makes the place-of-use gravity the calibration place's. Refused with 0x11: a\n"
        "gravity outside 90000..110000, a division other than 0 or 1, range 0, a log\n"
        "record number outside 1..32, a beeper byte other than 0, 1 or FF, an any-point\n"
        "calibration with weight 0 or nothing on the platform. Frames with a wrong\n"
        "checksum or byte 1 other than 01 get no answer.\n";
    return text;
}

} // namespace scalesim
