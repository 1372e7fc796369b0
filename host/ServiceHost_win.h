#pragma once

#include "Quillon.h"

namespace host {

// Runs as the service process: connects to the service control manager and supervises the
// service it is started for. Returns the program's exit code.
int RunServiceProcess();

// Runs an installed service's supervision in this console until Ctrl-C, or with `fromFile`
// that definition under the service's name. Returns the service exit code it would have reported.
int RunInConsole(const char* serviceName, const ServiceDefinition* fromFile = nullptr);

}  // namespace host
