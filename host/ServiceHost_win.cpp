// The service control manager's side: dispatcher, ServiceMain, control handler and status.
#include "ServiceHost_win.h"

#include <windows.h>

#include <cstdio>
#include <exception>
#include <mutex>
#include <string>

#include "EventReporter_win.h"
#include "HostMessages.h"
#include "SupervisionPolicy.h"
#include "Supervisor_win.h"
#include "UniqueResource.h"

namespace host {

namespace {

class ServiceStatusReporter : public StatusSink {
public:
    void Attach(SERVICE_STATUS_HANDLE handle) { handle_ = handle; }

    void Starting(DWORD waitHintMs) override { Report(SERVICE_START_PENDING, waitHintMs); }
    void Running() override { Report(SERVICE_RUNNING, 0); }
    void Stopping(DWORD waitHintMs) override { Report(SERVICE_STOP_PENDING, waitHintMs); }
    void AcceptPreShutdown() override
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        preShutdown_ = true;
    }

    void Stopped(DWORD serviceExitCode)
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        status_.dwWin32ExitCode = serviceExitCode ? ERROR_SERVICE_SPECIFIC_ERROR : NO_ERROR;
        status_.dwServiceSpecificExitCode = serviceExitCode;
        SetLocked(SERVICE_STOPPED, 0);
    }

    // From the control handler's thread: STOP_PENDING is reported before the stop is signalled,
    // so the SCM sees progress at once. False when a stop is already under way.
    bool StopRequested(DWORD waitHintMs)
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        if (stopping_) return false;
        SetLocked(SERVICE_STOP_PENDING, waitHintMs);
        return true;
    }

    void Interrogate()
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        if (handle_) SetServiceStatus(handle_, &status_);
    }

private:
    void Report(DWORD state, DWORD waitHintMs)
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        // Once stopping, a late "running" from the supervisor must not undo it.
        if (stopping_ && state != SERVICE_STOP_PENDING) return;
        SetLocked(state, waitHintMs);
    }

    void SetLocked(DWORD state, DWORD waitHintMs)
    {
        if (state == SERVICE_STOP_PENDING) stopping_ = true;
        const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
        status_.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
        status_.dwCurrentState = state;
        // A stop is taken while starting too: a long start-up time or pre-service program must
        // never keep the service from being stopped.
        const bool stoppable = state == SERVICE_RUNNING || state == SERVICE_START_PENDING;
        const DWORD stops = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | (preShutdown_ ? SERVICE_ACCEPT_PRESHUTDOWN : 0);
        status_.dwControlsAccepted = stoppable ? stops : 0;
        status_.dwCheckPoint = pending ? ++checkPoint_ : 0;
        status_.dwWaitHint = pending ? waitHintMs : 0;
        if (handle_) SetServiceStatus(handle_, &status_);
    }

    std::mutex mutex_;
    SERVICE_STATUS_HANDLE handle_ = nullptr;
    SERVICE_STATUS status_{};
    DWORD checkPoint_ = 0;
    bool stopping_ = false;
    bool preShutdown_ = false;
};

// What the dispatcher thread and the service thread share; lives for the whole dispatch.
struct ServiceProcess {
    ServiceStatusReporter status;
    UniqueHandle stopEvent{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

// ServiceMain gets no context of its own: the one service of this process is found here.
ServiceProcess* theProcess = nullptr;

DWORD WINAPI ControlHandler(DWORD control, DWORD, LPVOID, LPVOID context)
{
    auto* process = static_cast<ServiceProcess*>(context);
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
    case SERVICE_CONTROL_PRESHUTDOWN:
        if (process->status.StopRequested(kStopGraceMs + kWaitHintMarginMs)) SetEvent(process->stopEvent.get());
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        process->status.Interrogate();
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD argc, LPSTR* argv)
{
    ServiceProcess& process = *theProcess;
    const std::string name = argc > 0 && argv[0] ? argv[0] : "";
    const SERVICE_STATUS_HANDLE handle = RegisterServiceCtrlHandlerExA(name.c_str(), ControlHandler, &process);
    if (!handle) return;
    process.status.Attach(handle);
    process.status.Starting(3000);
    std::uint32_t exitCode = exit_code::kHostFailure;
    try {
        exitCode = process.stopEvent ? RunInstalledService(name, process.status, process.stopEvent.get(), false)
                                     : exit_code::kSettingsUnreadable;
    } catch (const std::exception& e) {
        EventReporter(name).Report(EVENTLOG_ERROR_TYPE, MSG_HOST_FAILURE, {name, e.what()});
    } catch (...) {
        EventReporter(name).Report(EVENTLOG_ERROR_TYPE, MSG_HOST_FAILURE, {name, "unexpected failure"});
    }
    process.status.Stopped(exitCode);
}

HANDLE consoleStopEvent = nullptr;

BOOL WINAPI ConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    SetEvent(consoleStopEvent);
    return TRUE;
}

class ConsoleStatus : public StatusSink {
public:
    void Starting(DWORD) override {}
    void Running() override { std::puts("Running; press Ctrl-C to stop."); }
    void Stopping(DWORD) override {}
};

}  // namespace

int RunServiceProcess()
{
    ServiceProcess process;
    theProcess = &process;
    char anyName[] = "";  // an own-process service may register under any name
    SERVICE_TABLE_ENTRYA table[] = {{anyName, ServiceMain}, {nullptr, nullptr}};
    const BOOL dispatched = StartServiceCtrlDispatcherA(table);
    theProcess = nullptr;
    if (!dispatched) {
        std::printf("Velmora.exe -s runs only as a service started by the service control manager (error %lu).\n",
                    GetLastError());
        return 1;
    }
    return 0;
}

int RunInConsole(const char* serviceName, const ServiceDefinition* fromFile)
{
    const UniqueHandle stop(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!stop) return 1;
    consoleStopEvent = stop.get();
    SetConsoleCtrlHandler(ConsoleControl, TRUE);
    ConsoleStatus status;
    std::uint32_t code = exit_code::kHostFailure;
    try {
        code = RunInstalledService(serviceName, status, stop.get(), true, fromFile);
    } catch (const std::exception& e) {
        std::printf("Failure: %s\n", e.what());
    } catch (...) {
        std::puts("Unexpected failure");
    }
    SetConsoleCtrlHandler(ConsoleControl, FALSE);
    consoleStopEvent = nullptr;
    return static_cast<int>(code);
}

}  // namespace host
