#include "cli/argument_checks.h"

#include <algorithm>

#include "protocol/gravity.h"
#include "protocol/number_parse.h"

namespace {

std::string NotAllowed(const std::string& text, const std::string& allowed)
{
    return "'" + text + "' is not allowed: " + allowed;
}

} // namespace

std::string Alternatives(const std::vector<std::string>& words)
{
    std::string text;
    for (size_t i = 0; i < words.size(); ++i) {
        if (i > 0)
            text += i + 1 == words.size() ? " or " : ", ";
        text += words[i];
    }
    return text;
}

CLI::Validator WholeNumber(int64_t min, int64_t max, const std::string& what)
{
    const std::string allowed =
        what + " from " + std::to_string(min) + " to " + std::to_string(max);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            const bool digits = !text.empty() && text.size() <= 18 &&
                                std::all_of(text.begin(), text.end(),
                                            [](unsigned char c) { return c >= '0' && c <= '9'; });
            if (!digits || std::stoll(text) < min || std::stoll(text) > max)
                return NotAllowed(text, allowed);
            return {};
        },
        "");
}

CLI::Validator OneOf(std::vector<std::string> words)
{
    const std::string allowed = Alternatives(words);
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            if (std::find(words.begin(), words.end(), text) == words.end())
                return NotAllowed(text, allowed);
            return {};
        },
        "");
}

CLI::Validator GravityValue()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const std::optional<double> value = TryParseFloat(text);
            if (!value || !IsSettableGravity(*value))
                return NotAllowed(text,
                                  "a gravity in m/s² more than 9.6 and less than 10, e.g. 9.7894");
            return {};
        },
        "");
}
