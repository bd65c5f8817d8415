#include "cli/cli_host.h"

#include <iostream>

void CliHost::showError(const std::string& text) { std::cerr << "scale-cli: " << text << '\n'; }
