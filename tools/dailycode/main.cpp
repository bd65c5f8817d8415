// dailycode [YYYY-MM-DD]: prints the calibration-unlock code of the given
// day, or of today (local date) without an argument.

#include "protocol/daily_code.h"
#include "protocol/date_time.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr const char* kUsage = "usage: dailycode [YYYY-MM-DD]\n"
                               "Prints the calibration-unlock code of the given day, "
                               "or of today without a date.\n";

// Exactly "YYYY-MM-DD" naming a real calendar day of years 1 to 9999.
std::optional<DateTime> parseDate(std::string_view text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    int fields[3] = {};
    const size_t starts[3] = {0, 5, 8};
    const size_t lengths[3] = {4, 2, 2};
    for (int f = 0; f < 3; ++f) {
        for (size_t i = starts[f]; i < starts[f] + lengths[f]; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            fields[f] = fields[f] * 10 + (text[i] - '0');
        }
    }
    try {
        return EncodeDateTime(fields[0], fields[1], fields[2]);
    } catch (const ConvertError&) {
        return std::nullopt;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (argc == 1) {
        std::printf("%s\n", DailyCode().c_str());
        return 0;
    }
    const std::string_view arg = argv[1];
    if (arg == "-h" || arg == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const std::optional<DateTime> date = parseDate(arg);
    if (!date) {
        std::fprintf(stderr,
                     "dailycode: '%s' is not a valid date; expected YYYY-MM-DD, e.g. 2026-12-10\n",
                     argv[1]);
        return 1;
    }
    std::printf("%s\n", DailyCode(*date).c_str());
    return 0;
}
