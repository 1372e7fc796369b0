#pragma once

#include <string>

// The command line a service of this product runs, written by the install and recognised by the
// host's commands and the manager.
namespace service_control {

// The host program's file name, in the installation directory.
extern const char kHostProgramName[];

std::string HostProgramPath(const std::string& hostDirectory);

// The command line the service database runs: the host program with "-s", quoted only when
// the path holds a blank (an unquoted path with blanks lets Windows run a program at a prefix).
std::string HostCommandLine(const std::string& hostProgramPath);

// Whether a service's command line runs the host at `hostPath`: the path, quoted or not, alone or
// with " -s", blanks around it ignored (letter case ignored, as Windows does for paths).
bool RunsHost(const std::string& commandLine, const std::string& hostPath);

// Whether a command line ends in one of those forms of a path ending in the host program's name,
// whichever folder it is in (letter case ignored).
bool EndsInHostProgram(const std::string& commandLine);

}  // namespace service_control
