#pragma once

#include <windows.h>

#include <string>

#include "ScmService.h"

namespace scm {

// Access asked for by StartOrStopService.
constexpr DWORD kStartStopAccess = SERVICE_STOP | SERVICE_START | SERVICE_CHANGE_CONFIG;

// Sends a start or a stop to a service on a fresh connection. The service is opened again
// every 100 ms for about 5 s while that fails (it may just have been installed). Nothing is
// reported and nothing waits for the new state.
void StartOrStopService(const std::string& serviceName, bool start);

// True when the service is stopped, or when the user agreed to question `messageId` and a stop
// was sent; false when the user declined.
bool EnsureStopped(const ScmService& service, DWORD messageId);

}  // namespace scm
