#include "Supervisor_win.h"

#include <cinttypes>

#include "DebugLog_win.h"
#include "EventReporter_win.h"
#include "HostMessages.h"
#include "ParameterReader.h"
#include "Platform.h"
#include "ProgramRunner_win.h"
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

DWORD SaturatedAdd(DWORD a, DWORD b) { return a > MAXDWORD - b ? MAXDWORD - 1 : a + b; }

// Job types: with "Global Job" (1) one job holds every program of the service, the pre- and
// post-service programs and each run of the service program, so children of a run that ended
// keep running until the service stops. With "Local Job" (2) each program started gets a job
// of its own, ended as soon as that program's turn is over: a restart replaces the whole tree of
// the ended run, never piling up orphans. Both end everything left when the service stops.
class Supervisor {
public:
    Supervisor(const ServiceDefinition& definition, StatusSink& status, DebugLog& log, const EventReporter& events,
               HANDLE stopEvent, bool consoleMode)
        : d_(definition), jobType_(JobTypeOf(definition.JobType)), status_(status), log_(log), events_(events),
          stopEvent_(stopEvent)
    {
        launch_.consoleApp = d_.ConsoleApp;
        launch_.showWindow = d_.ShowWindow;
        launch_.priority = d_.Priority;
        launch_.affinityMask = d_.AffinityMask;
        launch_.interactWithDesktop = d_.InteractWithDesktop;
        launch_.environment = d_.Environment;
        launch_.sharedConsole = consoleMode;
    }

    std::uint32_t Run()
    {
        log_.Line("Service %s starting: program \"%s\", job type %" PRIu32 ", upon exit %" PRIu32
                  ", monitoring %" PRIu32 " every %" PRIu32 " ms",
                  d_.Name.c_str(), d_.Service.Executable.c_str(), d_.JobType, d_.UponExit, d_.SMFEnabled,
                  d_.SMFFrequency);
        if (jobType_ == JobType::Global) {
            serviceJob_ = Job::Create();
            if (!serviceJob_) log_.Line("Cannot create the service's job: %s", ErrorText(GetLastError()).c_str());
        }
        std::uint32_t exitCode = 0;
        if (RunBefore()) {
            if (!StartProgram()) {
                exitCode = exit_code::kProgramDidNotStart;
            } else {
                status_.Starting(SaturatedAdd(d_.Service.Delay, kWaitHintMarginMs));
                if (Wait(&program_, d_.Service.Delay) != Woke::Stop) {
                    status_.Running();
                    log_.Line("Service running");
                    events_.Report(EVENTLOG_INFORMATION_TYPE, MSG_SERVICE_STARTED,
                                   {d_.Name, d_.Service.Executable, Text(program_.Id())});
                    exitCode = Supervise();
                }
            }
        }
        Shutdown();
        return exitCode;
    }

private:
    enum class Woke { Stop, Ended, Timeout };

    // Waits for the stop request (unless `watchStop` is off), the program's end, or the time.
    Woke Wait(const RunningProgram* program, DWORD ms, bool watchStop = true) const
    {
        HANDLE handles[2];
        DWORD count = 0;
        if (watchStop) handles[count++] = stopEvent_;
        if (program && *program) handles[count++] = program->Process();
        if (count == 0) return Woke::Ended;  // nothing left to wait for
        const DWORD woke = WaitForMultipleObjects(count, handles, FALSE, ms);
        if (woke == WAIT_TIMEOUT) return Woke::Timeout;
        if (woke == WAIT_OBJECT_0 && watchStop) return Woke::Stop;
        if (woke < WAIT_OBJECT_0 + count) return Woke::Ended;
        // The wait itself failed: treat it like a stop rather than spin.
        log_.Line("Waiting failed: %s", ErrorText(GetLastError()).c_str());
        return Woke::Stop;
    }

    RunningProgram StartAside(const ServiceDefinition::Invocation& invocation, const char* role)
    {
        LaunchResult started = Launch(invocation, launch_, jobType_, serviceJob_);
        if (!started.program) {
            const std::string error = ErrorText(started.error);
            log_.Line("Cannot start the %s program \"%s\": %s", role, invocation.Executable.c_str(), error.c_str());
            events_.Report(EVENTLOG_ERROR_TYPE, MSG_PROGRAM_START_FAILED, {d_.Name, invocation.Executable, error});
        } else {
            log_.Line("Started the %s program \"%s\" %s in \"%s\" as process %lu", role, invocation.Executable.c_str(),
                      invocation.Parameters.c_str(), invocation.WorkingDir.c_str(), started.program.Id());
        }
        return std::move(started.program);
    }

    // Runs a pre- or post-service program for at most its execution time.
    void RunForItsTime(const ServiceDefinition::Invocation& invocation, const char* role, RunningProgram& slot,
                       bool watchStop)
    {
        slot = StartAside(invocation, role);
        if (!slot) return;
        switch (Wait(&slot, invocation.Delay, watchStop)) {
        case Woke::Ended:
            log_.Line("The %s program ended with exit code %lu", role, slot.ExitCode());
            slot = RunningProgram();
            break;
        case Woke::Timeout:
            log_.Line("The %s program is still running after its %" PRIu32 " ms; going on without waiting", role,
                      invocation.Delay);
            break;
        case Woke::Stop:
            log_.Line("Stop requested while the %s program runs", role);
            break;
        }
    }

    // False when a stop was requested meanwhile.
    bool RunBefore()
    {
        if (d_.PreService.Executable.empty()) return true;
        status_.Starting(SaturatedAdd(d_.PreService.Delay, kWaitHintMarginMs));
        RunForItsTime(d_.PreService, "pre-service", pre_, true);
        return WaitForSingleObject(stopEvent_, 0) != WAIT_OBJECT_0;
    }

    bool StartProgram()
    {
        program_ = RunningProgram();
        program_ = StartAside(d_.Service, "service");
        return static_cast<bool>(program_);
    }

    std::uint32_t Supervise()
    {
        for (;;) {
            if (Wait(&program_, INFINITE) == Woke::Stop) return 0;
            const DWORD code = program_.ExitCode();
            std::uint64_t ranMs = program_.RunningMs();
            log_.Line("The service program (process %lu) ended with exit code %lu after %" PRIu64 " ms", program_.Id(),
                      code, ranMs);
            // Local Job: the tree of the run that ended goes with it.
            if (jobType_ == JobType::Local) program_.End();
            program_ = RunningProgram();

            switch (ActionOnExit(d_.SMFEnabled, d_.UponExit)) {
            case ExitAction::None:
                events_.Report(EVENTLOG_WARNING_TYPE, MSG_PROGRAM_ENDED, {d_.Name, Text(code)});
                log_.Line("No action on exit: the service stays running without its program");
                continue;
            case ExitAction::Fail:
                events_.Report(EVENTLOG_ERROR_TYPE, MSG_PROGRAM_ENDED_SERVICE_FAILS, {d_.Name, Text(code)});
                log_.Line("The service stops with a failure (service exit code %" PRIu32 ")", exit_code::kProgramEnded);
                return exit_code::kProgramEnded;
            case ExitAction::Stop:
                events_.Report(EVENTLOG_INFORMATION_TYPE, MSG_PROGRAM_ENDED_SERVICE_STOPS, {d_.Name, Text(code)});
                log_.Line("The service stops as its program ended");
                return 0;
            case ExitAction::Restart:
                break;
            }
            for (;;) {
                const std::uint32_t delay = backoff_.NextDelay(d_.SMFFrequency, ranMs);
                events_.Report(EVENTLOG_WARNING_TYPE, MSG_PROGRAM_RESTARTING, {d_.Name, Text(code), Text(ranMs), Text(delay)});
                log_.Line("Restarting the program in %" PRIu32 " ms (%u quick exits in a row)", delay,
                          backoff_.QuickExits());
                if (Wait(nullptr, delay) == Woke::Stop) return 0;
                if (StartProgram()) break;
                ranMs = 0;
            }
        }
    }

    void Shutdown()
    {
        const DWORD postTime = d_.PostService.Executable.empty() ? 0 : d_.PostService.Delay;
        status_.Stopping(SaturatedAdd(SaturatedAdd(kStopGraceMs, postTime), kWaitHintMarginMs));
        if (program_ && !program_.HasEnded()) {
            log_.Line("Asking the service program (process %lu) to end", program_.Id());
            program_.AskToEnd(launch_.sharedConsole);
            if (Wait(&program_, kStopGraceMs, false) == Woke::Timeout) {
                log_.Line("The program did not end within %" PRIu32 " ms; ending it", kStopGraceMs);
                events_.Report(EVENTLOG_WARNING_TYPE, MSG_PROGRAM_FORCED_TO_END, {d_.Name, Text(kStopGraceMs)});
            } else {
                log_.Line("The service program ended with exit code %lu", program_.ExitCode());
            }
        }
        EndAll();
        if (!d_.PostService.Executable.empty()) {
            status_.Stopping(SaturatedAdd(d_.PostService.Delay, kWaitHintMarginMs));
            RunForItsTime(d_.PostService, "post-service", post_, false);
            EndAll();
        }
        log_.Line("Service stopped");
    }

    // Ends whatever the programs left: with a job, their whole trees.
    void EndAll()
    {
        for (RunningProgram* p : {&pre_, &program_, &post_}) {
            p->End();
            Wait(p, 1000, false);  // ending is asynchronous; let it land before going on
            *p = RunningProgram();
        }
        serviceJob_.End();
    }

    const ServiceDefinition& d_;
    const JobType jobType_;
    StatusSink& status_;
    DebugLog& log_;
    const EventReporter& events_;
    HANDLE stopEvent_;
    LaunchSettings launch_;
    Job serviceJob_;
    RunningProgram pre_, program_, post_;
    RestartBackoff backoff_;
};

}  // namespace

std::string HostDirectory()
{
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, length < MAX_PATH ? length : MAX_PATH);
    const std::string::size_type slash = directory.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : directory.substr(0, slash);
}

std::uint32_t RunInstalledService(const std::string& name, StatusSink& status, HANDLE stopEvent, bool consoleMode)
{
    SetCurrentDirectoryA(HostDirectory().c_str());
    const EventReporter events = consoleMode ? EventReporter() : EventReporter(name);
    ServiceDefinition definition;
    const std::string key = "HKEY_LOCAL_MACHINE\\" + registry_data::ParametersKeyPath(name);
    std::vector<std::string> wrongType;
    const bool read = registry_data::ReadParameters(name, definition, registry_data::kHostRead, &wrongType);
    // A value of another type is never reinterpreted: it is named and counts as missing.
    for (const std::string& value : wrongType)
        events.Report(EVENTLOG_WARNING_TYPE, MSG_SETTING_WRONG_TYPE, {name, value, key});
    const auto reportWrongTypes = [&](DebugLog& log) {
        for (const std::string& value : wrongType)
            log.Line("The setting %s in %s has the wrong registry type and is ignored", value.c_str(), key.c_str());
    };
    if (!read || definition.Service.Executable.empty()) {
        events.Report(EVENTLOG_ERROR_TYPE, MSG_SETTINGS_UNREADABLE, {name, key});
        DebugLog console(false, "", consoleMode);
        reportWrongTypes(console);
        console.Line("Cannot read the settings of the service %s from %s", name.c_str(), key.c_str());
        return exit_code::kSettingsUnreadable;
    }
    DebugLog log(definition.DebugEnabled != 0, definition.DebugLogFile, consoleMode);
    reportWrongTypes(log);
    const std::uint32_t code = Supervisor(definition, status, log, events, stopEvent, consoleMode).Run();
    events.Report(EVENTLOG_INFORMATION_TYPE, MSG_SERVICE_STOPPED, {name, Text(code)});
    return code;
}

}  // namespace host
