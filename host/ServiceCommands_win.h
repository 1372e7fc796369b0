#pragma once

#include <string>

// The commands for scripts and remote shells: list, status, start, stop, restart, export. Each
// answers with an exit code a script can act on and prints what a person needs to read.
namespace host {

namespace command_exit {
constexpr int kDone = 0;          // also: -status of a running service
constexpr int kFailed = 1;
constexpr int kStopped = 3;       // -status of a stopped service
constexpr int kNotInstalled = 4;
constexpr int kStartPending = 5;  // -status
constexpr int kStopPending = 6;   // -status
constexpr int kPaused = 7;        // -status: paused, or pausing or continuing
}  // namespace command_exit

// What a command that changes services says to a process without administrator rights.
extern const char kRunAsAdministrator[];
// False after saying so when the service control manager refuses this process the right to
// create and change services (a command prompt that was not run as administrator).
bool MayChangeServices();

int ListServices(bool tabs);
int ShowStatus(const std::string& name);
int StartAndWait(const std::string& name);
int StopAndWait(const std::string& name);
// Stops the service if it runs, then starts it; with `onlyIfRunning` a stopped service stays
// stopped (a running one restarts to take new settings).
int Restart(const std::string& name, bool onlyIfRunning = false);
// Writes the definition of the installed service to `file`, or to standard output when empty.
int ExportDefinition(const std::string& name, const std::string& file);

}  // namespace host
