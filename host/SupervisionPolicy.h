#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ProcessLimits.h"
#include "Quillon.h"
#include "Variables.h"

// The decisions of the supervisor that need no operating system, kept apart for native tests.
namespace host {

// Service-specific exit codes the host reports when it stops with a failure; the system's
// recovery actions can act on them. 0 is a clean stop.
namespace exit_code {
constexpr std::uint32_t kSettingsUnreadable = 1;  // no Parameters key, or it names no program
constexpr std::uint32_t kProgramDidNotStart = 2;  // the service program could not be started
constexpr std::uint32_t kProgramEnded = 3;        // the program ended and "Terminate Velmora" was chosen
constexpr std::uint32_t kHostFailure = 4;         // an unexpected failure inside the host itself
constexpr std::uint32_t kNotReady = 5;            // the program did not pass its readiness check
constexpr std::uint32_t kUnhealthy = 6;           // it failed its liveness checks, set to terminate
constexpr std::uint32_t kOverLimit = 7;           // it stayed over a resource limit, set to terminate
}  // namespace exit_code

// An exit code as people read it: from 0x80000000 up (a crash status, an HRESULT) in hex, as
// definitions and the editor write such codes ("0xC0000005"), below in decimal.
std::string ExitCodeText(std::uint32_t code);

// The exit code with what it means when it is a well-known exception: "0xC0000005 (access
// violation)"; otherwise as ExitCodeText gives it.
std::string ExitText(std::uint32_t code);

// Whether an exit code is an exception's (0xC0000000 and above): evidence is kept for it.
constexpr bool IsExceptionCode(std::uint32_t code) { return code >= 0xC0000000u; }

// A run time in words, at most two units: "45 s", "12 min", "3 h 12 min", "2 d 5 h".
std::string RunTimeText(std::uint64_t ms);

// How long the program has to end after being asked to, before its job or process is ended.
constexpr std::uint32_t kStopGraceMs = 5000;
// Extra time in every wait hint the host reports, for its own work around a wait.
constexpr std::uint32_t kWaitHintMarginMs = 2000;
// How long the host waits for the processes it ended to be gone: "stopped" then means that no
// file or port of theirs is still held when the service is started again.
constexpr std::uint32_t kEndedWaitMs = 5000;
// A long wait in a pending state is reported in steps: each advances the checkpoint and hints
// only at the time to the next report, never at more than the host really waits.
constexpr std::uint32_t kProgressStepMs = 5000;
// Without a stop program, how much of the stop timeout (at most half of it) a program has to end
// on the end of its standard input before it is asked with Ctrl-C or WM_CLOSE.
constexpr std::uint32_t kInputEndGraceMs = 1000;

// How a stop asks the program to end, each step waiting at most its time for the program's end.
// Its standard input ends first. A stop program then asks, and the program has the whole stop
// timeout to end on that request; only then come Ctrl-C or WM_CLOSE, with the timeout once more.
// Without a stop program, Ctrl-C or WM_CLOSE follow the input's end within the one timeout.
struct StopPlan {
    std::uint32_t onInputEndMs;     // after its input ended, before the next step
    std::uint32_t onStopProgramMs;  // after the stop program started (0: there is none)
    std::uint32_t afterAskingMs;    // after Ctrl-C or WM_CLOSE, before its job is ended
};

constexpr StopPlan PlanStop(std::uint32_t stopTimeoutMs, bool stopProgram)
{
    if (stopProgram) return {0, stopTimeoutMs, stopTimeoutMs};
    const std::uint32_t grace = stopTimeoutMs / 2 < kInputEndGraceMs ? stopTimeoutMs / 2 : kInputEndGraceMs;
    return {grace, 0, stopTimeoutMs - grace};
}

// The longest a stop can be pending: the plan's waits, the wait for ended processes, and with a
// post-service program its time and that wait once more.
constexpr std::uint32_t StopPendingBoundMs(std::uint32_t stopTimeoutMs, bool stopProgram, bool postProgram)
{
    const StopPlan plan = PlanStop(stopTimeoutMs, stopProgram);
    return plan.onInputEndMs + plan.onStopProgramMs + plan.afterAskingMs + kEndedWaitMs + kWaitHintMarginMs +
           (postProgram ? process_limits::kMaxProgramTimeMs + kEndedWaitMs : 0);
}

// The longest a stop with the default stop timeout can be pending.
constexpr std::uint32_t kMaxStopPendingMs = StopPendingBoundMs(kStopGraceMs, true, true);

enum class ExitAction { None, Restart, Fail, Stop };

// What to do when the service program ends. Without monitoring its exit is not acted on.
ExitAction ActionOnExit(std::uint32_t smfEnabled, std::uint32_t uponExit);
// The same with the definition's list of actions by exit code: the entry for the code, else the
// entry for every other code, else `uponExit`.
ExitAction ActionOnExit(std::uint32_t smfEnabled, std::uint32_t uponExit,
                        const std::vector<ServiceDefinition::ExitCodeAction>& actions, std::uint32_t exitCode);

// At most `limit` restarts within any `periodMs`; 0 allows any number. Counts the restarts it
// allows, over a sliding period.
class RestartLimit {
public:
    RestartLimit(std::uint32_t limit, std::uint32_t periodMs) : limit_(limit), periodMs_(periodMs) {}
    // Whether a restart at `nowMs` stays within the limit; if so it is counted. Without a
    // limit every restart is allowed, and counted all the same.
    bool Allow(std::uint64_t nowMs);
    // The restarts counted within the period before `nowMs`.
    std::uint32_t InPeriod(std::uint64_t nowMs) const;
    // The restarts counted within the period before `nowMs` (without a limit, up to kCounted).
    std::size_t Recent(std::uint64_t nowMs);
    static constexpr std::size_t kCounted = 10000;

private:
    std::uint32_t limit_;
    std::uint32_t periodMs_;
    std::vector<std::uint64_t> recent_;  // times of the restarts within the last period
};

// "%NAME%" in the programs' paths and parameters and in the log and output paths, expanded
// against the definition's variables first, then `environment` (the host's own). Returns the
// names left as written because nothing defines them, each once.
std::vector<std::string> ExpandPaths(ServiceDefinition& definition, const variables::Lookup& environment);

// Which job objects hold the programs: none, one for the whole service, or one per program.
enum class JobType { None, Global, Local };

// The job type a definition's JobType number stands for; an unknown number is no job.
JobType JobTypeOf(std::uint32_t jobType);

// Delay before each restart: the monitoring interval, doubled for every quick exit in a row
// beyond the first few, up to a cap of eight intervals (at most one minute). A run that lasts
// long enough starts the count again, so a program that crashes now and then is restarted
// promptly while a crash loop settles into one start per cap.
class RestartBackoff {
public:
    static constexpr std::uint32_t kStableRunMs = 10000;
    static constexpr unsigned kFreeRestarts = 3;
    static constexpr std::uint32_t kMaxDelayMs = 60000;

    std::uint32_t NextDelay(std::uint32_t intervalMs, std::uint64_t runMs);
    unsigned QuickExits() const { return quickExits_; }

private:
    unsigned quickExits_ = 0;
};

// Which restarts go to the event log and the debug log. The first quick exits in a row are
// reported one by one; after that a crash loop is summed up once every interval (the restarts
// since the last report), and once more when the program runs past the quick-exit threshold
// again. A program restarted now and then is reported each time, a crash loop only a few times
// an hour.
class RestartReports {
public:
    static constexpr unsigned kReportedOneByOne = 5;
    static constexpr std::uint64_t kSummaryIntervalMs = 10 * 60 * 1000;

    enum class Kind { Quiet, Each, Summary, Recovered };
    struct Report {
        Kind kind;
        std::uint64_t restarts;  // Summary, Recovered: the restarts since the last report
    };

    // A restart at `nowMs` after the `quickExits`-th quick exit in a row (RestartBackoff's count).
    Report Restart(unsigned quickExits, std::uint64_t nowMs);
    // The program has run past the quick-exit threshold; the supervisor says so before the
    // restart that follows such a run, or as soon as the run gets there.
    Report Stable();
    bool Summarising() const { return summarising_; }

private:
    bool summarising_ = false;
    std::uint64_t unreported_ = 0;
    std::uint64_t lastReportMs_ = 0;
};

// One resource limit: acted on once the figure has stayed above it for the whole period, from the
// first sample above it; then not again until a sample at or below it (or Reset, after a restart).
class LimitWatch {
public:
    LimitWatch(std::uint64_t limit, std::uint32_t periodMs) : limit_(limit), periodMs_(periodMs) {}
    bool Set() const { return limit_ != 0; }
    // Whether the sample at `nowMs` completes a crossing: true once per crossing.
    bool Sample(std::uint64_t value, std::uint64_t nowMs);
    void Reset() { above_ = false, acted_ = false; }
    // How long the figure has been above the limit at `nowMs` (0 when it is not).
    std::uint64_t AboveMs(std::uint64_t nowMs) const { return above_ ? nowMs - sinceMs_ : 0; }
    std::uint64_t Limit() const { return limit_; }

private:
    std::uint64_t limit_;
    std::uint32_t periodMs_;
    bool above_ = false;
    bool acted_ = false;
    std::uint64_t sinceMs_ = 0;
};

// The share of the whole machine, in percent, that `cpu100ns` of processor time over `wallMs`
// is on `processors` processors (0 without a span to measure).
std::uint32_t CpuPercent(std::uint64_t cpu100ns, std::uint64_t wallMs, std::uint32_t processors);

// The command line of a program: its path in double quotes, then its parameters. The install
// checks its length on the same text.
using process_limits::CommandLineFor;

// The environment block for a program: the inherited "name=value" entries with the definition's
// variables added, a definition variable replacing an inherited one of the same name (letter
// case ignored, as Windows does). Sorted by name without regard to case, each entry
// zero-terminated, one more zero at the end.
std::vector<char> MergedEnvironment(const std::vector<std::string>& inherited,
                                    const std::vector<EnvironmentVariable>& variables);

}  // namespace host
