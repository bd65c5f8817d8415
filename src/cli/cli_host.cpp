#include "cli/cli_host.h"

#include <iostream>

void CliHost::showError(const std::exception& error)
{
    std::cerr << "scale-cli: " << error.what() << '\n';
}
