#pragma once
// Checks of command-line values whose messages say what is allowed, e.g.
// "'16' is not allowed: 3, 15, 30 or 750"; the parser puts the argument's
// name in front.

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>
#include <vector>

// Digits only (no sign), from min to max.
CLI::Validator WholeNumber(int64_t min, int64_t max, const std::string& what = "a whole number");
CLI::Validator OneOf(std::vector<std::string> words);
// A gravity in m/s² strictly between 9.6 and 10, as the window accepts it.
CLI::Validator GravityValue();

// "a, b or c".
std::string Alternatives(const std::vector<std::string>& words);
