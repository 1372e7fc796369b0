#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CommandLine.h"

// The commands for scripts and remote shells: list, status, start, stop, restart, export. Each
// answers with an exit code a script can act on (command_exit), prints its data on standard
// output and everything else (progress, errors) on standard error.
namespace host {

// What a command that changes services says to a process without administrator rights.
extern const char kRunAsAdministrator[];
// False after saying so on `messages` when the service control manager refuses this process the
// right to create and change services (a command prompt that was not run as administrator).
bool MayChangeServices(std::FILE* messages);

// The service's name as the service control manager holds it (the letter case it was created
// with) and its state; kNotInstalled (said on standard error unless `quietWhenMissing`) or
// kFailed after saying why.
int FindService(const std::string& given, std::string& name, DWORD& state, bool quietWhenMissing = false);

// What a service-specific exit code of the host means, in its words.
std::string ServiceExitText(DWORD code);

int ListServices(bool tabs, bool json);
// The services whose program is this installation's Velmora.exe, by name, with their states;
// false after saying why on standard error, with the command's exit code in `exitCode`.
struct HostedService {
    std::string name;
    DWORD state;
};
bool ServicesOfThisInstallation(std::vector<HostedService>& services, int& exitCode);
int ShowStatus(const std::string& name, bool json);
int StartAndWait(const std::string& name);
int StopAndWait(const std::string& name);
// Stops the service if it runs, then starts it; with `onlyIfRunning` a stopped service stays
// stopped (a running one restarts to take new settings).
int Restart(const std::string& name, bool onlyIfRunning = false);
// Writes the definition of the installed service to `file`, or to standard output when empty.
int ExportDefinition(const std::string& name, const std::string& file);
// -password: a new password for the user account the Velmora service logs on as, read as -i reads
// it; nothing else of the service changes. Refused for an account without a password.
int ChangePassword(const std::string& name);
// After the service was marked for deletion: waits, bounded and with a dot a second, until the
// service control manager has let go of it, so that a service of the same name can be created.
// False when it is still there.
bool WaitUntilRemoved(const std::string& name);

}  // namespace host
