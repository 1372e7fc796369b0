#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "UniqueResource.h"

// What the host of a running service publishes about it for the command line and the manager:
// values of a volatile key under the service's key ("Status"), which goes with the next restart
// of the system. Written only when something changed.
namespace host {

struct PublishedStatus {
    std::optional<bool> ready;         // absent: the host has published nothing
    std::string health;                // "passing", "failing", or empty: not checked yet
    std::string healthDetail;          // "failing 2 of 3: HTTP 503"
    std::uint64_t healthAt = 0;        // FILETIME of that result; 0: none
    // With limits: the figures of the program and its descendants at the last sample.
    std::optional<std::uint32_t> memoryMB, cpuPercent, handles;
    std::string nextRestart;           // with RestartAt: the next time, ISO 8601 local with offset
};

class StatusBoard {
public:
    // Console mode publishes nothing: the installed service of that name may be running.
    StatusBoard(const std::string& serviceName, bool publish);
    void Ready(bool ready);
    void Health(const std::string& state, const std::string& detail);
    void Resources(std::uint32_t memoryMB, std::uint32_t cpuPercent, std::uint32_t handles);
    void NextRestart(const std::string& at);

private:
    void Write();

    std::mutex mutex_;
    UniqueHkey key_;
    PublishedStatus now_;
};

// What the host of `serviceName` last published; `ready` is absent when nothing is.
PublishedStatus ReadPublishedStatus(const std::string& serviceName);

// "4 s ago", "3 min ago", "2 h ago" for a FILETIME before now.
std::string AgoText(std::uint64_t fileTime);

}  // namespace host
