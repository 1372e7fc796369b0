#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "DebugLog_win.h"
#include "HealthProbe_win.h"
#include "HostEvents_win.h"
#include "HostStatus_win.h"
#include "Quillon.h"

namespace host {

// The liveness checks of a running program (LiveCheck, HungWindow), on a thread of their own:
// one check at a time, every LiveInterval, each bounded by LiveTimeout, none counted within
// LiveGrace of the program's start. After LiveFailures failures in a row it reports, and sets
// Failed() when LiveAction asks the supervisor for more than the report. The event log hears
// when the checks start failing, when the host acts, and when they pass again; never each check.
class HealthMonitor {
public:
    HealthMonitor(const ServiceDefinition& definition, const LaunchSettings& launch, DebugLog& log,
                  const HostEvents& events, StatusBoard& board);
    ~HealthMonitor();
    HealthMonitor(const HealthMonitor&) = delete;
    HealthMonitor& operator=(const HealthMonitor&) = delete;

    // The program is ready, or was started again: checks count from LiveGrace after `startedTick`.
    void Watch(DWORD processId, std::uint64_t startedTick);
    // The program is stopping or gone: what is being checked now counts for nothing.
    void Pause();
    HANDLE Failed() const { return failed_.get(); }

private:
    void Loop();
    ProbeResult CheckOnce(DWORD processId);
    void Count(const ProbeResult& result, std::uint64_t startedTick);

    const ServiceDefinition& d_;
    DebugLog& log_;
    const HostEvents& events_;
    StatusBoard& board_;
    const std::string what_;  // the check as reports name it
    const bool checks_;       // a LiveCheck or HungWindow is set
    Probe probe_;
    WindowWatch windows_;
    UniqueHandle quit_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle failed_{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    std::mutex mutex_;
    bool watching_ = false;
    unsigned generation_ = 0;  // one per Watch: a result for an earlier run is dropped
    DWORD processId_ = 0;
    std::uint64_t startedTick_ = 0;
    std::uint32_t failures_ = 0;
    bool reported_ = false;  // the failing streak is in the event log
    std::thread thread_;  // last: it uses everything above
};

}  // namespace host
