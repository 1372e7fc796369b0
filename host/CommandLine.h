#pragma once

#include <string>

// The host program's command line, read from the raw text so that a definition path with
// blanks works whether or not it is quoted.
namespace host {

enum class Command { Usage, Version, Install, Uninstall, Service, Console, List, Status, Start, Stop, Restart, Export, Update };

struct Invocation {
    Command command = Command::Usage;
    std::string argument;  // the definition path or the service name, without quotes
    std::string file;      // -export: the file to write, empty for standard output
    bool tabs = false;     // -list -t: tab-separated, for scripts
};

// Everything after the program name, as the system hands it over.
std::string ArgumentsOf(const std::string& rawCommandLine);

Invocation ParseArguments(const std::string& arguments);

extern const char kUsage[];

}  // namespace host
