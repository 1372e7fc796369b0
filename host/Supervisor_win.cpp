#include "Supervisor_win.h"

#include <algorithm>
#include <cinttypes>
#include <memory>

#include "DebugLog_win.h"
#include "EventReporter_win.h"
#include "HealthMonitor_win.h"
#include "HostEvents_win.h"
#include "HostMessages.h"
#include "HostStatus_win.h"
#include "Notifier_win.h"
#include "OutputCapture_win.h"
#include "ParameterReader.h"
#include "PathText.h"
#include "Platform.h"
#include "ProgramDump_win.h"
#include "ProgramRunner_win.h"
#include "ResourceGuard_win.h"
#include "Quillon.h"
#include "SupervisionPolicy.h"

namespace host {

namespace {

std::string Text(std::uint64_t n) { return std::to_string(n); }

std::string ErrorText(DWORD code)
{
    const std::string text = platform::SystemErrorText(code);
    return text.empty() ? "error " + Text(code) : text + " (error " + Text(code) + ")";
}

// How long the stop waits for the programs' last output to be written once they are gone.
constexpr DWORD kOutputDrainMs = 2000;
// How long the evidence of a failure waits for the program's last lines to arrive.
constexpr DWORD kEvidenceDrainMs = 500;

// Job types: with "Global Job" (1) one job holds every program of the service, the pre- and
// post-service programs and each run of the service program, so children of a run that ended
// keep running until the service stops. With "Local Job" (2) each program started gets a job
// of its own, ended as soon as that program's turn is over: a restart replaces the whole tree of
// the ended run, never piling up orphans. Both end everything left when the service stops.
class Supervisor {
public:
    Supervisor(const ServiceDefinition& definition, StatusSink& status, DebugLog& log, HostEvents& events,
               HANDLE stopEvent, bool consoleMode)
        : d_(definition), jobType_(JobTypeOf(definition.JobType)), status_(status), log_(log), events_(events),
          observed_(events), stopEvent_(stopEvent), ready_(health_check::Parse(definition.ReadyCheck)), board_(definition.Name, !consoleMode)
    {
        launch_.consoleApp = d_.ConsoleApp;
        launch_.showWindow = d_.ShowWindow;
        launch_.priority = d_.Priority;
        launch_.affinityMask = d_.AffinityMask;
        launch_.interactWithDesktop = d_.InteractWithDesktop;
        launch_.environment = d_.Environment;
        launch_.sharedConsole = consoleMode;
        launch_.jobMemoryMB = d_.JobMemoryLimit;
        notifier_ = std::make_unique<Notifier>(d_, launch_, log_, events_);
        if (notifier_->Listening())
            observed_.Observe([this](DWORD id, const std::vector<std::string>& s) { Observed(id, s); });
        if (ready_.scheme == health_check::Scheme::Line) {
            lineWatch_.text = ready_.command;
            lineFound_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
            lineWatch_.found = lineFound_.get();
        }
        if (!d_.OutputFile.empty() || !d_.ErrorFile.empty() || lineWatch_.found) {
            const RotationRule rule{d_.RotateSize, d_.RotateDaily != 0, d_.RotateKeep};
            capture_ = std::make_unique<OutputCapture>(d_.OutputFile, d_.ErrorFile, rule, d_.OutputTimeStamp != 0,
                                                       [this](const std::string& path, std::uint64_t dropped,
                                                              DWORD error, bool resumed) {
                                                           ReportLoss(path, dropped, error, resumed);
                                                       },
                                                       [this](const std::string& path) {
                                                           NotifyEvent e(notification::Event::Rotate);
                                                           e.detail = path;
                                                           notifier_->Tell(std::move(e));
                                                       });
        }
        guard_ = std::make_unique<ResourceGuard>(d_, log_, events_, board_);
        health_ = std::make_unique<HealthMonitor>(d_, launch_, log_, events_, board_);
    }

    // The events outlive the supervisor: they are told nothing more through it.
    ~Supervisor()
    {
        health_.reset();
        guard_.reset();
        capture_.reset();
        observed_.Observe(nullptr);
    }
    Supervisor(const Supervisor&) = delete;
    Supervisor& operator=(const Supervisor&) = delete;

    std::uint32_t Run()
    {
        log_.Line("Service %s starting: program \"%s\", job type %" PRIu32 ", upon exit %" PRIu32
                  ", monitoring %" PRIu32 " every %" PRIu32 " ms",
                  d_.Name.c_str(), d_.Service.Executable.c_str(), d_.JobType, d_.UponExit, d_.SMFEnabled,
                  d_.SMFFrequency);
        if (jobType_ == JobType::Global) {
            serviceJob_ = Job::Create(d_.JobMemoryLimit);
            if (!serviceJob_) log_.Line("Cannot create the service's job: %s", ErrorText(GetLastError()).c_str());
        }
        PrepareOutputFolders();
        std::uint32_t exitCode = 0;
        if (RunBefore()) {
            if (!StartProgram(false, lineWatch_.found ? &lineWatch_ : nullptr)) {
                exitCode = exit_code::kProgramDidNotStart;
            } else if (WaitPending(&program_, process_limits::BoundedProgramTime(d_.Service.Delay), true) != Woke::Stop) {
                const Woke ready = d_.ReadyCheck.empty() ? Woke::Timeout : WaitReady();
                if (ready == Woke::Timeout) {
                    status_.Running();
                    Tell(notification::Event::Ready);
                    board_.Ready(true);
                    events_.Report(EVENTLOG_INFORMATION_TYPE, MSG_SERVICE_STARTED,
                                   {d_.Name, d_.Service.Executable, Text(program_.Id())});
                    health_->Watch(program_.Id(), GetTickCount64() - program_.RunningMs());
                    guard_->Watch(program_.Id(), ProgramJob(), GetTickCount64() - program_.RunningMs());
                    exitCode = Supervise();
                } else if (ready != Woke::Stop) {
                    exitCode = exit_code::kNotReady;
                }
            }
        }
        health_->Pause();
        guard_->Pause();
        board_.Ready(false);
        if (exitCode == 0) Tell(notification::Event::Stop);
        Shutdown();
        NotifyEvent stopped(notification::Event::Stopped);
        stopped.exitCode = exitCode;
        stopped.exitText = ExitCodeText(exitCode);
        notifier_->Tell(stopped);
        if (notifier_->Listening()) status_.Stopping(d_.HookTimeout + kWaitHintMarginMs);
        notifier_->Finish(d_.HookTimeout);
        return exitCode;
    }

    // An event for the hooks and webhooks, with what the supervisor knows of the program now.
    void Tell(notification::Event event, const std::string& detail = std::string())
    {
        NotifyEvent e(event);
        e.processId = program_ ? program_.Id() : 0;
        e.runMs = program_ ? program_.RunningMs() : 0;
        e.restarts = restartLimit_.Recent(GetTickCount64());
        e.detail = detail;
        notifier_->Tell(std::move(e));
    }

    // The events other parts report that hooks and webhooks can be told of. From their threads.
    void Observed(DWORD id, const std::vector<std::string>& s)
    {
        const auto at = [&s](std::size_t i) { return i < s.size() ? s[i] : std::string(); };
        NotifyEvent e;
        switch (id) {
        case MSG_HEALTH_ACTING: e.event = notification::Event::HealthFailed, e.detail = at(3); break;
        case MSG_HEALTH_PASSED: e.event = notification::Event::HealthPassed, e.detail = "after " + at(2) + " failures"; break;
        case MSG_LIMIT_CROSSED: e.event = notification::Event::LimitReached, e.detail = at(1); break;
        case MSG_OUTPUT_LOST:
        case MSG_OUTPUT_LOST_AT_STOP:
            e.event = notification::Event::OutputLost, e.detail = at(1) + " bytes of " + at(2) + ": " + at(3);
            break;
        default: return;
        }
        notifier_->Tell(std::move(e));
    }

private:
    // Signal: the liveness checks failed (WaitWhileRunning), or the readiness line was seen;
    // Guard: a limit or a scheduled restart asks for the program to be restarted or the service
    // to end.
    enum class Woke { Stop, Ended, Timeout, Signal, Guard };

    // Waits for the stop request (unless `watchStop` is off), the program's end, `signal` and
    // `guard` (when given), or the time.
    Woke Wait(const RunningProgram* program, DWORD ms, bool watchStop = true, HANDLE signal = nullptr,
              HANDLE guard = nullptr) const
    {
        HANDLE handles[4];
        DWORD count = 0;
        if (watchStop) handles[count++] = stopEvent_;
        const DWORD signalAt = count;
        if (signal) handles[count++] = signal;
        const DWORD guardAt = count;
        if (guard) handles[count++] = guard;
        if (program && *program) handles[count++] = program->Process();
        if (count == 0) return Woke::Ended;  // nothing left to wait for
        const DWORD woke = WaitForMultipleObjects(count, handles, FALSE, ms);
        if (woke == WAIT_TIMEOUT) return Woke::Timeout;
        if (woke == WAIT_OBJECT_0 && watchStop) return Woke::Stop;
        if (signal && woke == WAIT_OBJECT_0 + signalAt) return Woke::Signal;
        if (guard && woke == WAIT_OBJECT_0 + guardAt) return Woke::Guard;
        if (woke < WAIT_OBJECT_0 + count) return Woke::Ended;
        // The wait itself failed: treat it like a stop rather than spin.
        log_.Line("Waiting failed: %s", ErrorText(GetLastError()).c_str());
        return Woke::Stop;
    }

    // Waits in a pending state in steps, each reported with a new checkpoint. Starting, it also
    // watches for the stop request; stopping, it does not.
    Woke WaitPending(const RunningProgram* program, DWORD ms, bool starting)
    {
        for (DWORD left = ms;;) {
            const DWORD step = std::min<DWORD>(left, kProgressStepMs);
            if (starting)
                status_.Starting(step + kWaitHintMarginMs);
            else
                status_.Stopping(step + kWaitHintMarginMs);
            const Woke woke = Wait(program, step, starting);
            if (woke != Woke::Timeout || step == left) return woke;
            left -= step;
        }
    }

    // With a ReadyCheck the service stays pending until the check first passes, tried every
    // kReadyRetryMs (each try bounded by LiveTimeout), or the readiness line is seen. Timeout
    // means ready here; Stop, a stop request; Ended, the program ended or was not ready in time,
    // each reported.
    Woke WaitReady()
    {
        constexpr DWORD kReadyRetryMs = 250;
        const ULONGLONG started = GetTickCount64();
        const ULONGLONG deadline = started + d_.ReadyTimeout;
        const Probe probe(ready_, d_.HealthInsecure != 0, launch_, d_.Service.WorkingDir);
        std::string last = "no try finished";
        for (;;) {
            const ULONGLONG now = GetTickCount64();
            const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
            Woke woke = Woke::Timeout;
            if (ready_.scheme == health_check::Scheme::Line) {
                const DWORD step = std::min<DWORD>(left, kProgressStepMs);
                status_.Starting(step + kWaitHintMarginMs);
                woke = Wait(&program_, step, true, lineFound_.get());
                last = "no line held \"" + ready_.command + "\"";
                if (woke == Woke::Timeout && step < left) continue;
            } else if (left > 0) {
                const DWORD tryMs = std::min<DWORD>(left, d_.LiveTimeout);
                status_.Starting(tryMs + kReadyRetryMs + kWaitHintMarginMs);
                std::string output;
                const ProbeResult result = probe.Run(tryMs, stopEvent_, &output);
                if (!output.empty()) log_.Line("The check program wrote: %s", output.c_str());
                if (result.passed) woke = Woke::Signal;
                else last = result.detail;
                if (woke != Woke::Signal) woke = Wait(&program_, std::min<DWORD>(kReadyRetryMs, left), true);
                if (woke == Woke::Timeout && GetTickCount64() < deadline) continue;
            }
            switch (woke) {
            case Woke::Signal:
                log_.Line("The program passed its readiness check %s after %" PRIu64 " ms", d_.ReadyCheck.c_str(),
                          GetTickCount64() - started);
                return Woke::Timeout;
            case Woke::Stop:
            case Woke::Guard:  // not waited for here
                return Woke::Stop;
            case Woke::Ended:
                events_.Report(EVENTLOG_ERROR_TYPE, MSG_ENDED_BEFORE_READY,
                               {d_.Name, ExitCodeText(program_.ExitCode()), d_.ReadyCheck});
                return Woke::Ended;
            case Woke::Timeout:
                events_.Report(EVENTLOG_ERROR_TYPE, MSG_NOT_READY,
                               {d_.Name, d_.ReadyCheck, Text(d_.ReadyTimeout), last});
                return Woke::Ended;
            }
        }
    }

    // A missing folder is made now; one that cannot be made leaves the service running, its
    // output counted as lost until the file can be written.
    void PrepareOutputFolders()
    {
        for (const std::string* path : {&d_.OutputFile, &d_.ErrorFile}) {
            DWORD error = 0;
            if (path->empty() || MakeFolderFor(*path, &error)) continue;
            events_.Report(EVENTLOG_WARNING_TYPE, MSG_OUTPUT_FOLDER_FAILED, {d_.Name, *path, ErrorText(error)});
        }
    }

    // Called by the output readers, from their threads.
    void ReportLoss(const std::string& path, std::uint64_t dropped, DWORD error, bool resumed)
    {
        board_.OutputLost(dropped);
        events_.Report(EVENTLOG_WARNING_TYPE, resumed ? MSG_OUTPUT_LOST : MSG_OUTPUT_LOST_AT_STOP,
                       {d_.Name, Text(dropped), path, ErrorText(error)});
    }

    // `quiet`: a restart in a crash loop, whose successful start is summed up with the others.
    // Only the service program reads a pipe that lasts until the stop; the others read the null
    // device, so a script that waits for a key or a line goes on at once.
    RunningProgram StartAside(const ServiceDefinition::Invocation& invocation, const char* role, bool quiet = false,
                              StandardInput input = StandardInput::NullDevice, const LineWatch* watch = nullptr)
    {
        LaunchResult started;
        {
            const std::lock_guard<std::mutex> hold(LaunchLock());
            ProgramHandles handles;
            const ProgramHandles* captured = nullptr;
            DWORD error = 0;
            // The service program's last lines are kept for the evidence of its failure.
            const auto lastLines = input == StandardInput::HostPipe ? OutputCapture::TailKept::Yes
                                                                    : OutputCapture::TailKept::No;
            if (capture_ && capture_->PrepareProgram(handles, &error, watch, lastLines)) {
                captured = &handles;
            } else if (capture_) {
                events_.Report(EVENTLOG_WARNING_TYPE, MSG_OUTPUT_NOT_CAPTURED,
                               {d_.Name, invocation.Executable, ErrorText(error)});
            }
            // The host's copies of the pipes' write ends close when `handles` goes, so the readers
            // see the end of the output when the program and whatever inherited them are gone.
            started = Launch(invocation, launch_, jobType_, serviceJob_, input, captured);
        }
        if (!started.program) {
            const std::string error = started.refused.empty() ? ErrorText(started.error) : started.refused;
            events_.Report(EVENTLOG_ERROR_TYPE, MSG_PROGRAM_START_FAILED, {d_.Name, invocation.Executable, error});
        } else if (!quiet) {
            log_.Line("Started the %s program \"%s\" %s in \"%s\" as process %lu; %s", role,
                      invocation.Executable.c_str(), invocation.Parameters.c_str(), invocation.WorkingDir.c_str(),
                      started.program.Id(), started.streams.c_str());
        }
        return std::move(started.program);
    }

    // Runs a pre-service (while starting) or post-service program for at most its execution time.
    void RunForItsTime(const ServiceDefinition::Invocation& invocation, const char* role, RunningProgram& slot,
                       bool starting)
    {
        slot = StartAside(invocation, role);
        if (!slot) return;
        const std::uint32_t time = process_limits::BoundedProgramTime(invocation.Delay);
        switch (WaitPending(&slot, time, starting)) {
        case Woke::Ended:
            log_.Line("The %s program ended with exit code %s", role, ExitCodeText(slot.ExitCode()).c_str());
            slot = RunningProgram();
            break;
        case Woke::Timeout:
            log_.Line("The %s program is still running after its %" PRIu32 " ms; going on without waiting", role,
                      time);
            break;
        case Woke::Stop:
        case Woke::Signal:  // not waited for here
        case Woke::Guard:
            log_.Line("Stop requested while the %s program runs", role);
            break;
        }
    }

    // False when a stop was requested meanwhile.
    bool RunBefore()
    {
        if (d_.PreService.Executable.empty()) return true;
        RunForItsTime(d_.PreService, "pre-service", pre_, true);
        return WaitForSingleObject(stopEvent_, 0) != WAIT_OBJECT_0;
    }

    bool StartProgram(bool quiet = false, const LineWatch* watch = nullptr)
    {
        program_ = RunningProgram();
        program_ = StartAside(d_.Service, "service", quiet, StandardInput::HostPipe, watch);
        if (program_) board_.ProgramStarted(program_.Id());
        if (program_) Tell(notification::Event::Start);
        return static_cast<bool>(program_);
    }

    // Waits for the program's end or the stop request. While restarts are summed up, it also
    // notices the run getting past the quick-exit threshold, so that the recovery is reported
    // even if the program then runs for ever.
    Woke WaitWhileRunning()
    {
        while (reports_.Summarising()) {
            const std::uint64_t ranMs = program_.RunningMs();
            if (ranMs >= RestartBackoff::kStableRunMs) {
                ReportRecovery(reports_.Stable());
                break;
            }
            const Woke woke = Wait(&program_, static_cast<DWORD>(RestartBackoff::kStableRunMs - ranMs), true,
                                   health_->Failed(), guard_->Due());
            if (woke != Woke::Timeout) return woke;
        }
        return Wait(&program_, INFINITE, true, health_->Failed(), guard_->Due());
    }

    void ReportRecovery(const RestartReports::Report& report)
    {
        if (report.kind != RestartReports::Kind::Recovered) return;
        events_.Report(EVENTLOG_INFORMATION_TYPE, MSG_PROGRAM_RECOVERED,
                       {d_.Name, Text(RestartBackoff::kStableRunMs), Text(report.restarts)});
    }

    struct Restart {
        std::uint32_t delay;
        RestartReports::Report report;
    };

    Restart PlanRestart(std::uint64_t ranMs)
    {
        const std::uint32_t delay = backoff_.NextDelay(d_.SMFFrequency, ranMs);
        const bool wasSummarising = reports_.Summarising();
        const Restart restart{delay, reports_.Restart(backoff_.QuickExits(), GetTickCount64())};
        if (!wasSummarising && reports_.Summarising())
            log_.Line("The program keeps ending soon after it starts: its restarts are summed up every %" PRIu64
                      " minutes from now on", RestartReports::kSummaryIntervalMs / 60000);
        return restart;
    }

    void ReportRestart(const Restart& restart, DWORD code, std::uint64_t ranMs)
    {
        switch (restart.report.kind) {
        case RestartReports::Kind::Each:
            events_.Report(EVENTLOG_WARNING_TYPE, MSG_PROGRAM_RESTARTING,
                           {d_.Name, ExitCodeText(code), Text(ranMs), Text(restart.delay)});
            break;
        case RestartReports::Kind::Summary:
            events_.Report(EVENTLOG_WARNING_TYPE, MSG_PROGRAM_RESTARTS_SUMMED_UP,
                           {d_.Name, Text(restart.report.restarts), ExitCodeText(code),
                            Text(RestartReports::kSummaryIntervalMs / 60000)});
            break;
        case RestartReports::Kind::Quiet:
        case RestartReports::Kind::Recovered:
            break;
        }
    }

    std::uint32_t Supervise()
    {
        for (;;) {
            const Woke woke = WaitWhileRunning();
            if (woke == Woke::Stop) return 0;
            health_->Pause();
            guard_->Pause();
            // Failed liveness checks, a limit or a scheduled restart end the program as a stop
            // does; the rest follows LiveAction, LimitAction, or is a restart.
            const bool unhealthy = woke == Woke::Signal;
            const bool guarded = woke == Woke::Guard;
            const ResourceGuard::Why reason = guarded ? guard_->Reason() : ResourceGuard::Why{};
            const bool scheduled =
                reason.cause == ResourceGuard::Cause::Every || reason.cause == ResourceGuard::Cause::Schedule;
            if (scheduled) events_.Report(EVENTLOG_INFORMATION_TYPE, MSG_SCHEDULED_RESTART, {d_.Name, reason.text});
            const DumpResult dump = unhealthy ? Dump() : DumpResult{};
            if (unhealthy || guarded) {
                StopTheProgram(false);
                program_.End();
                program_.WaitGone(kEndedWaitMs);
            }
            const DWORD code = program_.ExitCode();
            const DWORD id = program_.Id();
            std::uint64_t ranMs = program_.RunningMs();
            // Local Job: the tree of the run that ended goes with it, before another run needs
            // what it held.
            if (jobType_ == JobType::Local) {
                program_.End();
                program_.WaitGone(kEndedWaitMs);
            }
            program_ = RunningProgram();
            board_.ProgramEnded(code, ExitText(code));
            const bool limited = guarded && reason.cause == ResourceGuard::Cause::Limit;
            if (unhealthy || limited || IsExceptionCode(code))
                ReportEvidence(id, unhealthy  ? "was ended for failing its liveness check"
                                   : limited ? "was ended for a limit: " + reason.text
                                             : "ended with exit code " + ExitText(code),
                               dump);
            const std::string restartReason = unhealthy   ? "liveness check failed"
                                       : scheduled ? "scheduled: " + reason.text
                                       : guarded   ? reason.text
                                                   : "exit code " + ExitText(code);
            if (ranMs >= RestartBackoff::kStableRunMs) ReportRecovery(reports_.Stable());
            const std::string why = unhealthy ? "the liveness checks failed" : guarded ? reason.text : std::string();
            TellExit(notification::Event::Exit, id, code, ranMs, why);

            const ExitAction action = unhealthy ? ActionOnExit(1, d_.LiveAction)
                                      : scheduled ? ExitAction::Restart
                                      : guarded   ? ActionOnExit(1, d_.LimitAction)
                                                  : ActionOnExit(d_.SMFEnabled, d_.UponExit, d_.ExitActions, code);
            Restart restart{0, {RestartReports::Kind::Each, 1}};
            if (action == ExitAction::Restart) restart = PlanRestart(ranMs);
            if (restart.report.kind != RestartReports::Kind::Quiet)
                log_.Line("The service program (process %lu) ended with exit code %s after %" PRIu64 " ms", id,
                          ExitCodeText(code).c_str(), ranMs);

            switch (action) {
            case ExitAction::None:
                events_.Report(EVENTLOG_WARNING_TYPE, MSG_PROGRAM_ENDED, {d_.Name, ExitCodeText(code)});
                continue;
            case ExitAction::Fail:
                if (unhealthy) return exit_code::kUnhealthy;  // the health report said so
                if (guarded) return exit_code::kOverLimit;    // and the limit's
                events_.Report(EVENTLOG_ERROR_TYPE, MSG_PROGRAM_ENDED_SERVICE_FAILS, {d_.Name, ExitCodeText(code)});
                return exit_code::kProgramEnded;
            case ExitAction::Stop:
                if (!unhealthy && !guarded)
                    events_.Report(EVENTLOG_INFORMATION_TYPE, MSG_PROGRAM_ENDED_SERVICE_STOPS,
                                   {d_.Name, ExitCodeText(code)});
                return 0;
            case ExitAction::Restart:
                break;
            }
            for (;;) {
                if (!restartLimit_.Allow(GetTickCount64())) {
                    events_.Report(EVENTLOG_ERROR_TYPE, MSG_RESTART_LIMIT_REACHED,
                                   {d_.Name, ExitCodeText(code), Text(d_.RestartLimit), Text(d_.RestartPeriod)});
                    TellExit(notification::Event::RestartLimit, id, code, ranMs,
                             Text(d_.RestartLimit) + " restarts within " + Text(d_.RestartPeriod) + " ms");
                    return exit_code::kProgramEnded;
                }
                board_.Restarting(restartReason, restartLimit_.InPeriod(GetTickCount64()));
                ReportRestart(restart, code, ranMs);
                TellExit(notification::Event::Restart, id, code, ranMs,
                         (why.empty() ? "the program ended with exit code " + ExitCodeText(code) : why) + "; starting it in " +
                             Text(restart.delay) + " ms");
                if (Wait(nullptr, restart.delay) == Woke::Stop) return 0;
                if (StartProgram(restart.report.kind == RestartReports::Kind::Quiet)) {
                    health_->Watch(program_.Id(), GetTickCount64());
                    guard_->Watch(program_.Id(), ProgramJob(), GetTickCount64());
                    break;
                }
                ranMs = 0;
                restart = PlanRestart(ranMs);
            }
        }
    }

    // With a DumpFolder, a dump of the program about to be ended for hanging.
    DumpResult Dump()
    {
        if (d_.DumpFolder.empty()) return {};
        DumpResult dump = WriteProgramDump(program_.Process(), program_.Id(), d_.DumpFolder, d_.Name, d_.DumpFull != 0,
                                           d_.DumpKeep);
        if (dump.path.empty()) dump.error = "No dump of it could be written to \"" + d_.DumpFolder + "\": " + dump.error;
        return dump;
    }

    // The event a failure leaves for the administrator: what happened, the program's last lines
    // and the dump, if any.
    void ReportEvidence(DWORD id, const std::string& what, const DumpResult& dump)
    {
        std::string lines;
        if (capture_ && capture_->Active()) {
            const OutputCapture::Tail tail = capture_->LastLines(kEvidenceDrainMs);
            lines = tail.text.empty() ? std::string(" It wrote nothing to its ") + tail.stream + "."
                                      : std::string("\r\n\r\nIts last lines of ") + tail.stream + ":\r\n" + tail.text;
        }
        const std::string dumped = !dump.path.empty() ? "\r\n\r\nA dump of it was written to " + dump.path + "."
                                   : !dump.error.empty() ? "\r\n\r\n" + dump.error + "."
                                                         : std::string();
        events_.Report(EVENTLOG_WARNING_TYPE, MSG_PROGRAM_FAILED_EVIDENCE, {d_.Name, Text(id), what, lines, dumped});
    }

    // The job that holds the service program's tree, if any.
    HANDLE ProgramJob() const
    {
        return jobType_ == JobType::Local ? program_.JobHandle() : jobType_ == JobType::Global ? serviceJob_.Handle() : nullptr;
    }

    // An event about a run that has ended.
    void TellExit(notification::Event event, DWORD id, DWORD code, std::uint64_t ranMs, const std::string& detail)
    {
        NotifyEvent e(event);
        e.processId = id;
        e.exitCode = code;
        e.exitText = ExitCodeText(code);
        e.restarts = restartLimit_.Recent(GetTickCount64());
        e.runMs = ranMs;
        e.detail = detail;
        notifier_->Tell(std::move(e));
    }

    void Shutdown()
    {
        if (program_ && !program_.HasEnded()) {
            const DWORD id = program_.Id();
            StopTheProgram(true);
            if (program_.HasEnded())
                TellExit(notification::Event::Exit, id, program_.ExitCode(), program_.RunningMs(), "the service stops");
        }
        EndAll();
        if (!d_.PostService.Executable.empty()) {
            RunForItsTime(d_.PostService, "post-service", post_, false);
            EndAll();
        }
        if (capture_) {
            status_.Stopping(kOutputDrainMs + kWaitHintMarginMs);
            capture_->Finish(kOutputDrainMs);
        }
    }

    // Each request comes only when the program has not ended on the one before: the end of its
    // input, the stop program's, then Ctrl-C or WM_CLOSE. What is left then is ended with its job.
    // `serviceStops`: the service is stopping, and says so; else the program alone is stopped
    // (to be started again) and the service stays running.
    void StopTheProgram(bool serviceStops)
    {
        const std::uint32_t timeout = process_limits::BoundedProgramTime(d_.StopTimeout);
        const bool stopProgram = !d_.StopService.Executable.empty();
        const StopPlan plan = PlanStop(timeout, stopProgram);
        stopLogged_ = false;
        program_.CloseInput();
        log_.Line("Closed the standard input of the service program (process %lu)", program_.Id());
        if (WaitStopping(plan.onInputEndMs, serviceStops)) {
            log_.Line("The service program ended on the end of its input, with exit code %s",
                      ExitCodeText(program_.ExitCode()).c_str());
            return;
        }
        if (stopProgram) {
            // A stop program that cannot be started asks nothing: no time is waited for it.
            stop_ = StartAside(d_.StopService, "stop");
            if (stop_ && WaitStopping(plan.onStopProgramMs, serviceStops)) {
                log_.Line("The service program ended on the stop program, with exit code %s",
                          ExitCodeText(program_.ExitCode()).c_str());
                return;
            }
        }
        log_.Line("Asking the service program (process %lu) to end", program_.Id());
        if (serviceStops) status_.Stopping(kWaitHintMarginMs);
        program_.AskToEnd(launch_.sharedConsole);
        if (WaitStopping(plan.afterAskingMs, serviceStops))
            log_.Line("The service program ended with exit code %s", ExitCodeText(program_.ExitCode()).c_str());
        else
            events_.Report(EVENTLOG_WARNING_TYPE, MSG_PROGRAM_FORCED_TO_END, {d_.Name, Text(timeout)});
    }

    // Waits, reporting progress, until the service program ends or `ms` pass; true when it has
    // ended. The stop program's end is logged on the way: the program may still end after it.
    bool WaitStopping(DWORD ms, bool serviceStops)
    {
        const ULONGLONG deadline = GetTickCount64() + ms;
        while (!program_.HasEnded()) {
            const ULONGLONG now = GetTickCount64();
            const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
            const DWORD step = std::min<DWORD>(left, kProgressStepMs);
            if (serviceStops) status_.Stopping(step + kWaitHintMarginMs);
            const bool stopRuns = stop_ && !stopLogged_;
            const HANDLE handles[] = {program_.Process(), stop_.Process()};
            const DWORD woke = WaitForMultipleObjects(stopRuns ? 2 : 1, handles, FALSE, step);
            if (woke == WAIT_OBJECT_0 + 1) {
                log_.Line("The stop program ended with exit code %s", ExitCodeText(stop_.ExitCode()).c_str());
                stopLogged_ = true;
                continue;
            }
            if (woke != WAIT_TIMEOUT || step == left) break;
        }
        return program_.HasEnded();
    }

    // Ends whatever the programs left (with a job, their whole trees) and waits, bounded, until
    // it is gone: after "stopped" no file or port of theirs may still be held.
    void EndAll()
    {
        status_.Stopping(kEndedWaitMs + kWaitHintMarginMs);
        for (RunningProgram* p : {&pre_, &program_, &stop_, &post_}) p->End();
        serviceJob_.End();
        const ULONGLONG deadline = GetTickCount64() + kEndedWaitMs;
        const auto left = [deadline] {
            const ULONGLONG now = GetTickCount64();
            return now >= deadline ? DWORD(0) : static_cast<DWORD>(deadline - now);
        };
        bool gone = true;
        for (RunningProgram* p : {&pre_, &program_, &stop_, &post_}) {
            gone = p->WaitGone(left()) && gone;
            *p = RunningProgram();
        }
        gone = serviceJob_.WaitEmpty(left()) && gone;
        if (!gone) log_.Line("Processes of the service are still there %" PRIu32 " ms after being ended", kEndedWaitMs);
    }

    const ServiceDefinition& d_;
    const JobType jobType_;
    StatusSink& status_;
    DebugLog& log_;
    const HostEvents& events_;
    HostEvents& observed_;  // the same, to be told of what the others report
    HANDLE stopEvent_;
    LaunchSettings launch_;
    Job serviceJob_;
    RunningProgram pre_, program_, stop_, post_;
    bool stopLogged_ = false;  // the stop program's end is in the debug log
    RestartBackoff backoff_;
    RestartReports reports_;
    RestartLimit restartLimit_{d_.RestartLimit, d_.RestartPeriod};
    const health_check::Check ready_;
    LineWatch lineWatch_;  // with a line: readiness check, for the first start of the program
    UniqueHandle lineFound_;
    StatusBoard board_;
    std::unique_ptr<Notifier> notifier_;     // told from the threads below
    std::unique_ptr<OutputCapture> capture_;  // its readers report through the members above
    std::unique_ptr<ResourceGuard> guard_;   // its thread reports through the members above
    std::unique_ptr<HealthMonitor> health_;  // last: its thread reports through all the others
};

}  // namespace

std::string HostDirectory()
{
    const std::string folder = path_text::ModuleFolder(nullptr);
    return folder.empty() ? std::string(".") : folder;
}

std::uint32_t RunInstalledService(const std::string& name, StatusSink& status, HANDLE stopEvent, bool consoleMode,
                                  const ServiceDefinition* fromFile)
{
    SetCurrentDirectoryA(HostDirectory().c_str());
    const EventReporter source = consoleMode ? EventReporter() : EventReporter(name);
    ServiceDefinition definition;
    const std::string key = "HKEY_LOCAL_MACHINE\\" + registry_data::ParametersKeyPath(name);
    std::vector<std::string> wrongType;
    if (fromFile) definition = *fromFile;
    const bool read = fromFile || registry_data::ReadParameters(name, definition, registry_data::kHostRead, &wrongType);
    // A value of another type is never reinterpreted: it is named and counts as missing. Named
    // once the debug log is known, which the settings decide.
    const auto reportWrongTypes = [&](const HostEvents& events) {
        for (const std::string& value : wrongType)
            events.Report(EVENTLOG_WARNING_TYPE, MSG_SETTING_WRONG_TYPE, {name, value, key});
    };
    if (!read || definition.Service.Executable.empty()) {
        DebugLog console(false, "", consoleMode);
        const HostEvents events(source, console);
        reportWrongTypes(events);
        events.Report(EVENTLOG_ERROR_TYPE, MSG_SETTINGS_UNREADABLE, {name, key});
        return exit_code::kSettingsUnreadable;
    }
    if (definition.PreShutdownTimeout != 0) status.AcceptPreShutdown();
    std::vector<std::string> undefined;
    if (definition.ExpandVariables) {
        undefined = ExpandPaths(definition, [](const std::string& name) -> std::optional<std::string> {
            std::string value(process_limits::kMaxEnvironmentVariable * 3, '\0');
            SetLastError(NO_ERROR);
            const DWORD length = GetEnvironmentVariableA(name.c_str(), &value[0], static_cast<DWORD>(value.size()));
            if (length >= value.size() || (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND))
                return std::nullopt;
            value.resize(length);
            return value;
        });
    }
    DebugLog log(definition.DebugEnabled != 0, definition.DebugLogFile, consoleMode, definition.RotateSize,
                 definition.RotateKeep);
    HostEvents events(source, log);
    reportWrongTypes(events);
    for (const std::string& name : undefined)
        log.Line("The variable %%%s%% is not defined; it is left as written", name.c_str());
    const std::uint32_t code = Supervisor(definition, status, log, events, stopEvent, consoleMode).Run();
    events.Report(EVENTLOG_INFORMATION_TYPE, MSG_SERVICE_STOPPED, {name, ExitCodeText(code)});
    return code;
}

}  // namespace host
