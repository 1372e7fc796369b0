#include "HealthMonitor_win.h"

#include <cinttypes>

#include "HostMessages.h"
#include "SupervisionPolicy.h"

namespace host {

namespace {

std::string What(const ServiceDefinition& d)
{
    if (d.LiveCheck.empty()) return "the program's windows answering";
    return d.HungWindow ? d.LiveCheck + " and the program's windows answering" : d.LiveCheck;
}

const char* ActionSentence(std::uint32_t liveAction)
{
    switch (ActionOnExit(1, liveAction)) {
    case ExitAction::Restart: return "The program is stopped and started again.";
    case ExitAction::Fail:
        return "The program is stopped and the service stops with the service-specific exit code 6, so that its "
               "recovery actions can act.";
    case ExitAction::Stop: return "The program is stopped and the service stops.";
    case ExitAction::None: break;
    }
    return "Nothing else is done: the program keeps running.";
}

}  // namespace

HealthMonitor::HealthMonitor(const ServiceDefinition& d, const LaunchSettings& launch, DebugLog& log,
                             const HostEvents& events, StatusBoard& board)
    : d_(d), log_(log), events_(events), board_(board), what_(What(d)), checks_(!d.LiveCheck.empty() || d.HungWindow),
      probe_(health_check::Parse(d.LiveCheck), d.HealthInsecure != 0, launch, d.Service.WorkingDir),
      windows_(d.HungWindow)
{
    if (checks_ && quit_ && failed_) thread_ = std::thread([this] { Loop(); });
}

HealthMonitor::~HealthMonitor()
{
    if (quit_) SetEvent(quit_.get());
    if (thread_.joinable()) thread_.join();
}

void HealthMonitor::Watch(DWORD processId, std::uint64_t startedTick)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    watching_ = true;
    ++generation_;
    processId_ = processId;
    startedTick_ = startedTick;
    failures_ = 0;
    reported_ = false;
    if (failed_) ResetEvent(failed_.get());
}

void HealthMonitor::Pause()
{
    const std::lock_guard<std::mutex> hold(mutex_);
    watching_ = false;
    ++generation_;
}

void HealthMonitor::Loop()
{
    for (std::uint64_t next = GetTickCount64() + d_.LiveInterval;;) {
        const std::uint64_t now = GetTickCount64();
        if (WaitForSingleObject(quit_.get(), next > now ? static_cast<DWORD>(next - now) : 0) == WAIT_OBJECT_0) return;
        next = GetTickCount64() + d_.LiveInterval;
        unsigned generation = 0;
        DWORD processId = 0;
        std::uint64_t started = 0;
        {
            const std::lock_guard<std::mutex> hold(mutex_);
            if (!watching_) continue;
            generation = generation_;
            processId = processId_;
            started = startedTick_;
        }
        const ProbeResult result = CheckOnce(processId);
        const std::lock_guard<std::mutex> hold(mutex_);
        if (generation == generation_ && watching_) Count(result, started);
    }
}

ProbeResult HealthMonitor::CheckOnce(DWORD processId)
{
    ProbeResult result{true, {}};
    if (!d_.LiveCheck.empty()) {
        std::string output;
        result = probe_.Run(d_.LiveTimeout, quit_.get(), &output);
        if (!output.empty()) log_.Line("The check program wrote: %s", output.c_str());
    }
    if (result.passed && d_.HungWindow) result = windows_.Run(processId, d_.LiveTimeout);
    return result;
}

void HealthMonitor::Count(const ProbeResult& result, std::uint64_t startedTick)
{
    const std::string limit = std::to_string(d_.LiveFailures);
    if (result.passed) {
        if (reported_)
            events_.Report(EVENTLOG_INFORMATION_TYPE, MSG_HEALTH_PASSED, {d_.Name, what_, std::to_string(failures_)});
        else if (failures_)
            log_.Line("The liveness check passes again after %" PRIu32 " failures", failures_);
        failures_ = 0;
        reported_ = false;
        board_.Health("passing", "passing");
        return;
    }
    if (GetTickCount64() - startedTick < d_.LiveGrace) {
        log_.Line("The liveness check failed within the grace after the start, not counted: %s", result.detail.c_str());
        board_.Health("starting", "failing within the grace after the start: " + result.detail);
        return;
    }
    ++failures_;
    const std::string count = std::to_string(failures_);
    board_.Health("failing", "failing " + count + " of " + limit + ": " + result.detail);
    log_.Line("The liveness check failed (%s of %s): %s", count.c_str(), limit.c_str(), result.detail.c_str());
    if (!reported_) {
        events_.Report(EVENTLOG_WARNING_TYPE, MSG_HEALTH_FAILING, {d_.Name, what_, result.detail, count, limit});
        reported_ = true;
    }
    if (failures_ != d_.LiveFailures) return;
    events_.Report(ActionOnExit(1, d_.LiveAction) == ExitAction::None ? EVENTLOG_WARNING_TYPE : EVENTLOG_ERROR_TYPE,
                   MSG_HEALTH_ACTING, {d_.Name, what_, count, result.detail, ActionSentence(d_.LiveAction)});
    if (ActionOnExit(1, d_.LiveAction) == ExitAction::None) return;
    watching_ = false;
    SetEvent(failed_.get());
}

}  // namespace host
