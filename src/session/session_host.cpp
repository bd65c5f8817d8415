#include "session/session_host.h"

#include "app_core/log_files.h"

void LogFileHost::writeOperationLog(std::string_view text) noexcept { WriteOpLog(text); }
bool LogFileHost::resultLogOn() const { return bWriteResult; }
void LogFileHost::writeResultLog(std::string_view text) { WriteResult(text); }
void LogFileHost::writeErrorLog(std::string_view text) { WriteErrLog(text); }
