#include "cli/cli_host.h"

#include <iostream>

void CliHost::tagOperationLog(const std::string& port, const std::string& board)
{
    operationLogTag_ = "[port=" + port + (board.empty() ? "" : " board=" + board) + "] ";
}

void CliHost::writeOperationLog(std::string_view text) noexcept
{
    try {
        LogFileHost::writeOperationLog(operationLogTag_ + std::string(text));
    } catch (...) {
        // As any operation-log failure: the line is dropped.
    }
}

void CliHost::showError(const std::exception& error)
{
    std::cerr << "scale-cli: " << error.what() << '\n';
}
