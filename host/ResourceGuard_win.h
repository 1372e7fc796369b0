#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "DebugLog_win.h"
#include "HostEvents_win.h"
#include "HostStatus_win.h"
#include "Quillon.h"
#include "RestartSchedule.h"
#include "SupervisionPolicy.h"
#include "UniqueResource.h"

namespace host {

// The figures of a program and its descendants at one moment.
struct TreeSample {
    std::uint64_t privateBytes = 0;
    std::uint64_t cpu100ns = 0;  // processor time used since the last sample
    std::uint64_t handles = 0;
    std::uint32_t processes = 0;
};

// Samples the processes of a job (its process list and accounting) or, without one, the tree of
// processes under a root; each process's own figures where the job keeps none.
class TreeSampler {
public:
    TreeSample Sample(DWORD rootId, HANDLE job);
    void Forget() { last_.clear(); lastJobCpu_ = 0; }

private:
    struct Seen {
        std::int64_t created;
        std::uint64_t cpu;
    };
    std::map<DWORD, Seen> last_;  // the processes of the last sample
    std::uint64_t lastJobCpu_ = 0;
    std::string buffer_;
};

// The resource limits (Limits) and the scheduled restarts (RestartEvery, RestartAt) of a running
// program, on a thread of its own: every kSampleMs it samples the program's tree when a limit is
// set, and asks the clocks when a restart is scheduled. It sets Due() when the supervisor is to
// act; Reason() then says why. The limits' figures are published on the status board.
class ResourceGuard {
public:
    static constexpr DWORD kSampleMs = 2000;

    enum class Cause { None, Limit, Every, Schedule };
    struct Why {
        Cause cause = Cause::None;
        std::string text;  // for the event log: which limit, the figure, the limit and how long
    };

    ResourceGuard(const ServiceDefinition& definition, DebugLog& log, const HostEvents& events, StatusBoard& board);
    ~ResourceGuard();
    ResourceGuard(const ResourceGuard&) = delete;
    ResourceGuard& operator=(const ResourceGuard&) = delete;

    // The program runs (again): the limits and the schedule count from now. `job` is the job
    // that holds its tree, if any; it stays open while watched.
    void Watch(DWORD processId, HANDLE job, std::uint64_t startedTick);
    // The program is stopping or gone: nothing is acted on until the next Watch.
    void Pause();
    HANDLE Due() const { return due_.get(); }
    Why Reason();

private:
    void Loop();
    void Check(std::uint64_t now);
    void Sample(std::uint64_t now);
    void Raise(Cause cause, const std::string& text, bool act);

    const ServiceDefinition& d_;
    DebugLog& log_;
    const HostEvents& events_;
    StatusBoard& board_;
    const bool limits_;    // a limit is set
    const bool schedule_;  // RestartEvery or RestartAt is set
    LimitWatch memory_, cpu_, handles_;
    restart_schedule::Schedule daily_;
    TreeSampler sampler_;
    UniqueHandle quit_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle due_{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    std::mutex mutex_;
    bool watching_ = false;
    DWORD processId_ = 0;
    HANDLE job_ = nullptr;
    std::uint64_t startedTick_ = 0;
    std::uint64_t lastSampleTick_ = 0;
    Why why_;
    std::thread thread_;  // last: it uses everything above
};

}  // namespace host
