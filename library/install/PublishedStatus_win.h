#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

// What the host of a running service publishes about it for the command line and the manager:
// values of a volatile key under the service's key ("Status"), which goes with the next restart
// of the system. The host writes it (host/HostStatus_win.*); anyone who may read the service's
// key reads it here.
namespace published_status {

struct PublishedStatus {
    std::optional<bool> ready;         // absent: the host has published nothing
    std::string health;                // "passing", "failing", or empty: not checked yet
    std::string healthDetail;          // "failing 2 of 3: HTTP 503"
    std::uint64_t healthAt = 0;        // FILETIME of that result; 0: none
    // With limits: the figures of the program and its descendants at the last sample.
    std::optional<std::uint32_t> memoryMB, cpuPercent, handles;
    std::string nextRestart;           // with RestartAt: the next time, ISO 8601 local with offset
    // The program's run: its process id and when it started (FILETIME); 0 between runs.
    std::uint32_t programPid = 0;
    std::uint64_t startedAt = 0;
    std::uint32_t restarts = 0;          // since the service started
    std::uint32_t restartsInPeriod = 0;  // within the last RestartPeriod
    // The last end of the program and the last restart; kept after the stop until the next start.
    std::optional<std::uint32_t> lastExitCode;
    std::string lastExitText;            // "7", "0xC0000005 (access violation)"
    std::uint64_t lastExitAt = 0;        // FILETIME
    std::string lastRestartReason;       // "exit code 7", "liveness check failed"
    std::uint64_t outputBytesLost = 0;   // output that could not be written to its file
};

// The key under HKEY_LOCAL_MACHINE.
std::string KeyPath(const std::string& serviceName);

// What the host of `serviceName` last published; `ready` is absent when nothing is. A value of
// the wrong type or size reads as absent: the key is writable by the service's host.
PublishedStatus ReadPublishedStatus(const std::string& serviceName);

}  // namespace published_status
