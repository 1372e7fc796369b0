#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "Quillon.h"

// The supervision of one service's programs, the same as a service and in console mode.
namespace host {

// Where the supervisor reports its progress: the service control manager, or the console.
class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void Starting(DWORD waitHintMs) = 0;
    virtual void Running() = 0;
    virtual void Stopping(DWORD waitHintMs) = 0;
    // The service asks to be told before the system shuts down, and then stops as for a stop.
    virtual void AcceptPreShutdown() {}
};

// Reads the installed service's settings and runs its programs until `stopEvent` is set or
// the program's exit ends the service; everything it started is ended before it returns.
// Returns the service-specific exit code (0 for a clean stop). Throws nothing it can catch.
// With `fromFile` those settings are run instead of the registry's (a definition tried in the
// console before it is installed).
std::uint32_t RunInstalledService(const std::string& serviceName, StatusSink& status, HANDLE stopEvent,
                                  bool consoleMode, const ServiceDefinition* fromFile = nullptr);

// The folder of Velmora.exe: relative paths of a definition are taken from there, as at install.
std::string HostDirectory();

}  // namespace host
