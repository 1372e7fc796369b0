#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "Messages.h"

namespace runner {

// How a run of the host program ended; the values are the message ids that report them.
enum RunOutcome : DWORD {
    RunSucceeded = MSG_INSTALL_SUCCEEDED,
    RunFailed = MSG_INSTALL_FAILED,
    RunTimedOut = MSG_HOST_NOT_RESPONDING,
    RunNotStarted = MSG_HOST_NOT_STARTED,
};

struct HostRun {
    RunOutcome outcome = RunNotStarted;
    std::string output;   // what the host printed, byte for byte
    DWORD errorCode = 0;  // RunNotStarted: the system's reason
};

// The longest command line the runner passes to the command interpreter.
constexpr size_t kCommandLineLimit = 519;
// The host's time to finish before it is ended with exit code 1.
constexpr DWORD kHostPatienceMs = 30000;

// The longest line the runner gives the host on its standard input.
constexpr size_t kInputLineLimit = 2048;

// Runs "Velmora.exe <arguments>" through cmd.exe, hidden, in the installation directory, and
// captures its standard output through a temporary file that is always deleted. A command line
// over kCommandLineLimit is not run: RunNotStarted with ERROR_FILENAME_EXCED_RANGE.
// With `inputLine` (a password, say), the host's standard input holds that line with its line end
// and then ends; the line is not copied, and goes nowhere else. A line over kInputLineLimit is
// not given: RunNotStarted with ERROR_INSUFFICIENT_BUFFER.
HostRun RunHostProgram(const std::string& installationDir, const std::string& arguments,
                       std::optional<std::string_view> inputLine = std::nullopt);

// Tells the user how a run went: the success message, the result dialog with the output for a
// failure, or an error box.
void ReportRunOutcome(const HostRun& run, DWORD successMessage, DWORD failureMessage, HWND owner);

}  // namespace runner
