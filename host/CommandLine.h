#pragma once

#include <string>

// The host program's command line, read from the raw text so that a definition path with
// blanks works whether or not it is quoted. Commands and options take any letter case and any
// of the forms -word, /word and --word.
namespace host {

enum class Command {
    Usage,  // a wrong command line: `error` says what is wrong
    Help,
    Version,
    Install,
    Uninstall,
    Service,
    Console,
    List,
    Status,
    Start,
    Stop,
    Restart,
    Export,
    Update,
    StopAll,
    StartStopped,
    CheckUninstall,
    Password,
};

struct Invocation {
    Command command = Command::Usage;
    std::string argument;  // the definition path or the service name, without quotes
    std::string file;      // -export: the file to write, empty for standard output
    bool tabs = false;     // -list -t: tab-separated, for scripts
    bool json = false;     // -list, -status: one JSON value
    bool whatIf = false;   // -update: say what would change, change nothing
    bool messageBox = false;  // -checkuninstall: a refusal is also shown in a message box
    std::string error;     // Usage: the fault, naming the argument at fault
};

// Exit codes: each means one thing for every command that can give it.
namespace command_exit {
constexpr int kDone = 0;                 // also: -status of a running service
constexpr int kFailed = 1;
constexpr int kUsage = 2;                // a wrong command line
constexpr int kStopped = 3;              // -status of a stopped service
constexpr int kNotInstalled = 4;
constexpr int kStartPending = 5;         // -status
constexpr int kStopPending = 6;          // -status
constexpr int kPaused = 7;               // -status: paused, or pausing or continuing
constexpr int kNeedsAdministrator = 8;
constexpr int kNotRunByVelmora = 9;      // the service is another program's: nothing was changed
constexpr int kWouldChange = 10;         // -update -whatif: applying would change something
constexpr int kServiceRunning = 11;      // -c: the installed service runs; nothing was started
constexpr int kInstallationInUse = 12;   // -checkuninstall: services of this installation are installed
}  // namespace command_exit

// Everything after the program name, as the system hands it over.
std::string ArgumentsOf(const std::string& rawCommandLine);

Invocation ParseArguments(const std::string& arguments);

extern const char kUsage[];

}  // namespace host
