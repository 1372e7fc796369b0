#pragma once

#include <string>

// The host program's command line, read from the raw text so that a definition path with
// blanks works whether or not it is quoted.
namespace host {

enum class Command { Usage, Version, Install, Uninstall, Service, Console };

struct Invocation {
    Command command = Command::Usage;
    std::string argument;  // the definition path or the service name, without quotes
};

// Everything after the program name, as the system hands it over.
std::string ArgumentsOf(const std::string& rawCommandLine);

Invocation ParseArguments(const std::string& arguments);

extern const char kUsage[];

}  // namespace host
