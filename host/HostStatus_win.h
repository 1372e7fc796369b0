#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "PublishedStatus_win.h"
#include "UniqueResource.h"

// The host's side of what it publishes about a running service for the command line and the
// manager (PublishedStatus_win.h). Written only when something changed, at most once a second.
// Only a host that may create keys under its service's key (LocalSystem does) publishes; for
// another account the key cannot be made and nothing is published.
namespace host {

using published_status::PublishedStatus;
using published_status::ReadPublishedStatus;

class StatusBoard {
public:
    // Console mode publishes nothing: the installed service of that name may be running.
    StatusBoard(const std::string& serviceName, bool publish);
    ~StatusBoard();
    StatusBoard(const StatusBoard&) = delete;
    StatusBoard& operator=(const StatusBoard&) = delete;
    // Written at once, so that a script waiting for the state reads what goes with it.
    // Ready(false) at the stop clears the figures of the run; the last exit and the last
    // restart's reason stay.
    void Ready(bool ready);
    void Health(const std::string& state, const std::string& detail);
    void Resources(std::uint32_t memoryMB, std::uint32_t cpuPercent, std::uint32_t handles);
    void NextRestart(const std::string& at);
    void ProgramStarted(std::uint32_t processId);
    void ProgramEnded(std::uint32_t exitCode, const std::string& exitText);
    void Restarting(const std::string& reason, std::uint32_t inPeriod);
    void OutputLost(std::uint64_t bytes);

private:
    // With the mutex held: the writer thread writes it within a second.
    void Changed();
    void Loop();
    void Write();

    std::mutex mutex_;
    std::condition_variable wake_;
    UniqueHkey key_;
    PublishedStatus now_;
    bool dirty_ = false, quit_ = false;
    std::chrono::steady_clock::time_point written_{};
    std::thread writer_;  // last: it uses everything above
};

// "4 s ago", "3 min ago", "2 h ago" for a FILETIME before now.
std::string AgoText(std::uint64_t fileTime);

// The time since a FILETIME in milliseconds; 0 for one not before now.
std::uint64_t MsSince(std::uint64_t fileTime);

// A FILETIME as ISO 8601 in UTC, "2026-12-11T09:30:05Z"; empty for 0.
std::string IsoTime(std::uint64_t fileTime);

// A local date and time as ISO 8601 with the offset in force now: "2026-12-11T21:30:05+01:00".
std::string LocalIsoTime(const SYSTEMTIME& local);

}  // namespace host
