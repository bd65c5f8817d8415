#include "session/session_host.h"

#include "app_core/log_files.h"

void LogFileHost::writeOperationLog(std::string_view text) noexcept { WriteOperationLog(text); }
bool LogFileHost::resultLogOn() const { return resultLogEnabled; }
void LogFileHost::writeResultLog(std::string_view text) { WriteResultLog(text); }
void LogFileHost::writeErrorLog(std::string_view text) { WriteErrorLog(text); }
