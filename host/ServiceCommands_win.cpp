#include "ServiceCommands_win.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cinttypes>
#include <optional>
#include <string>
#include <vector>

#include "DefinitionWriter.h"
#include "HostStatus_win.h"
#include "JsonText.h"
#include "ParameterReader.h"
#include "RegistryData.h"
#include "PasswordPrompt_win.h"
#include "Platform.h"
#include "ScmRegistration.h"
#include "ServiceAccount.h"
#include "ServiceCommandLine.h"
#include "ServiceControl_win.h"
#include "SupervisionPolicy.h"
#include "Supervisor_win.h"
#include "UniqueResource.h"

namespace host {

namespace {

using scm_registration::StartTypeText;
using scm_registration::StateText;
using service_control::QueryStatus;

std::string Text(unsigned long number) { return std::to_string(number); }

// How long a removed service may take to go: its process ending, the last handle closing.
constexpr ULONGLONG kRemovalWaitMs = 30000;
constexpr DWORD kRemovalPollMs = 100;

// What a service's last exit code means, the host's own codes in its words.
std::string ExitMeaning(const SERVICE_STATUS_PROCESS& status)
{
    if (status.dwWin32ExitCode != ERROR_SERVICE_SPECIFIC_ERROR) {
        if (status.dwWin32ExitCode == NO_ERROR) return "0 (no error)";
        return ExitCodeText(status.dwWin32ExitCode) + " (" + platform::SystemErrorText(status.dwWin32ExitCode) + ")";
    }
    return "service-specific " + ServiceExitText(status.dwServiceSpecificExitCode);
}

// A stopped service that ended with an error code, rather than on request (or never started).
bool StoppedAfterFailure(const SERVICE_STATUS_PROCESS& status)
{
    if (status.dwCurrentState != SERVICE_STOPPED) return false;
    if (status.dwWin32ExitCode == ERROR_SERVICE_SPECIFIC_ERROR) return status.dwServiceSpecificExitCode != 0;
    return status.dwWin32ExitCode != NO_ERROR && status.dwWin32ExitCode != ERROR_SERVICE_NEVER_STARTED;
}

int FailureCode(DWORD error) { return error == ERROR_ACCESS_DENIED ? command_exit::kNeedsAdministrator : command_exit::kFailed; }

// Says why on standard error; returns the command's exit code for it.
int PrintFailure(const std::string& what, DWORD error)
{
    if (error == ERROR_ACCESS_DENIED)
        std::fprintf(stderr, "Error: %s: %s", what.c_str(), kRunAsAdministrator);
    else
        std::fprintf(stderr, "Error: %s: %s (error %lu)\n", what.c_str(), platform::SystemErrorText(error).c_str(), error);
    return FailureCode(error);
}

struct Listed {
    std::string name, displayName;
    SERVICE_STATUS_PROCESS status;
};

// Every Win32 service of the database; false when the list cannot be read.
bool ListAll(SC_HANDLE database, std::vector<Listed>& services)
{
    DWORD resume = 0;
    // Each round takes what the buffer held; a database of any size takes a few rounds.
    for (int round = 0; round < 1000; ++round) {
        DWORD needed = 0, count = 0;
        if (EnumServicesStatusExA(database, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &needed,
                                  &count, &resume, nullptr))
            return true;
        if (GetLastError() != ERROR_MORE_DATA) return false;
        std::vector<BYTE> buffer(needed);
        const BOOL done = EnumServicesStatusExA(database, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                                                buffer.data(), needed, &needed, &count, &resume, nullptr);
        if (!done && GetLastError() != ERROR_MORE_DATA) return false;
        const auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSA*>(buffer.data());
        for (DWORD i = 0; i < count; ++i)
            services.push_back({entries[i].lpServiceName ? entries[i].lpServiceName : "",
                                entries[i].lpDisplayName ? entries[i].lpDisplayName : "", entries[i].ServiceStatusProcess});
        if (done) return true;
    }
    SetLastError(ERROR_MORE_DATA);
    return false;
}

bool SameName(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

class Scm {
public:
    Scm() : database_(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE))
    {
        if (!database_) exit_ = PrintFailure("Cannot open the service control manager", GetLastError());
    }
    explicit operator bool() const { return static_cast<bool>(database_); }
    int ExitCode() const { return exit_; }
    SC_HANDLE Get() const { return database_.get(); }

    // The service by the name the database holds for `given` (put in `name`), or an empty handle
    // after saying why, with the command's answer in `exitCode`.
    UniqueScHandle Open(const std::string& given, DWORD access, std::string& name, int& exitCode,
                        bool quietWhenMissing = false) const
    {
        name = given;
        std::vector<Listed> all;
        if (ListAll(database_.get(), all)) {
            const auto found = std::find_if(all.begin(), all.end(), [&given](const Listed& s) { return SameName(s.name, given); });
            if (found == all.end()) {
                if (!quietWhenMissing) std::fprintf(stderr, "The service '%s' is not installed.\n", given.c_str());
                exitCode = command_exit::kNotInstalled;
                return UniqueScHandle();
            }
            name = found->name;
        }
        UniqueScHandle service(OpenServiceA(database_.get(), name.c_str(), access));
        const DWORD error = service ? 0 : GetLastError();
        exitCode = command_exit::kDone;
        if (error == ERROR_SERVICE_DOES_NOT_EXIST) {
            if (!quietWhenMissing) std::fprintf(stderr, "The service '%s' is not installed.\n", given.c_str());
            exitCode = command_exit::kNotInstalled;
        } else if (!service) {
            exitCode = PrintFailure("Cannot open the service '" + name + "'", error);
        }
        return service;
    }

private:
    UniqueScHandle database_;
    int exit_ = command_exit::kDone;
};

// Where the service's debug log is, when it writes one.
void PrintDebugLog(const std::string& name)
{
    ServiceDefinition definition;
    if (registry_data::ReadParameters(name, definition) && definition.DebugEnabled && !definition.DebugLogFile.empty())
        std::fprintf(stderr, "Its debug log: %s\n", definition.DebugLogFile.c_str());
}

// The client's wait, after a line that says what it waits for: a dot a second for a person
// watching, and the line ended once.
bool WaitFor(SC_HANDLE service, DWORD pending, DWORD target, SERVICE_STATUS_PROCESS& status, const char* doing,
             const std::string& name)
{
    std::fprintf(stderr, "%s the service '%s'", doing, name.c_str());
    std::fflush(stderr);
    const bool reached = service_control::WaitWhilePending(service, pending, target, status, [] {
        std::fputc('.', stderr);
        std::fflush(stderr);
    });
    std::fputc('\n', stderr);
    return reached;
}

int Failed(const std::string& name, const SERVICE_STATUS_PROCESS& status, const char* what)
{
    std::fprintf(stderr, "Error: The service '%s' %s; it is %s. Its last exit code: %s.\n", name.c_str(), what,
                 StateText(status.dwCurrentState), ExitMeaning(status).c_str());
    PrintDebugLog(name);
    return command_exit::kFailed;
}

int StopService(const Scm& scm, const std::string& given, bool quietWhenStopped)
{
    std::string name;
    int exitCode = 0;
    const UniqueScHandle service = scm.Open(given, SERVICE_STOP | SERVICE_QUERY_STATUS, name, exitCode);
    if (!service) return exitCode;
    SERVICE_STATUS_PROCESS status{};
    if (!QueryStatus(service.get(), status)) return PrintFailure("Cannot query the service '" + name + "'", GetLastError());
    if (status.dwCurrentState == SERVICE_STOPPED) {
        if (!quietWhenStopped) std::printf("The service '%s' is already stopped.\n", name.c_str());
        return command_exit::kDone;
    }
    if (status.dwCurrentState != SERVICE_STOP_PENDING) {
        SERVICE_STATUS plain{};
        if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &plain))
            return PrintFailure("Cannot stop the service '" + name + "'", GetLastError());
    }
    if (!WaitFor(service.get(), SERVICE_STOP_PENDING, SERVICE_STOPPED, status, "Stopping", name))
        return Failed(name, status, "did not stop");
    std::printf("The service '%s' is stopped.\n", name.c_str());
    std::fflush(stdout);
    return command_exit::kDone;
}

int StartService(const Scm& scm, const std::string& given)
{
    std::string name;
    int exitCode = 0;
    const UniqueScHandle service = scm.Open(given, SERVICE_START | SERVICE_QUERY_STATUS, name, exitCode);
    if (!service) return exitCode;
    SERVICE_STATUS_PROCESS status{};
    if (QueryStatus(service.get(), status) && status.dwCurrentState == SERVICE_RUNNING) {
        std::printf("The service '%s' is already running.\n", name.c_str());
        return command_exit::kDone;
    }
    if (!StartServiceA(service.get(), 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
        const int failed = PrintFailure("Cannot start the service '" + name + "'", GetLastError());
        if (QueryStatus(service.get(), status))
            std::fprintf(stderr, "Its last exit code: %s.\n", ExitMeaning(status).c_str());
        PrintDebugLog(name);
        return failed;
    }
    status = SERVICE_STATUS_PROCESS{};
    if (!WaitFor(service.get(), SERVICE_START_PENDING, SERVICE_RUNNING, status, "Starting", name))
        return Failed(name, status, "did not start");
    std::printf("The service '%s' is running as process %lu.\n", name.c_str(), status.dwProcessId);
    return command_exit::kDone;
}

// One service as -status -json and each entry of -list -json give it.
json::Object StatusObject(const std::string& name, SC_HANDLE service, const QUERY_SERVICE_CONFIGA& config,
                          const SERVICE_STATUS_PROCESS& status)
{
    const auto description =
        service_control::QueryOptionalConfiguration<SERVICE_DESCRIPTIONA>(service, SERVICE_CONFIG_DESCRIPTION);
    json::Object o;
    o.Text("name", name)
        .Text("displayName", config.lpDisplayName ? config.lpDisplayName : "")
        .Text("description", description && description->lpDescription ? description->lpDescription : "")
        .Text("state", StateText(status.dwCurrentState))
        .Text("startType", StartTypeText(config.dwStartType))
        .Number("pid", status.dwProcessId)
        .Number("win32ExitCode", status.dwWin32ExitCode)
        .Number("serviceExitCode", status.dwServiceSpecificExitCode)
        .Text("exitText", ExitMeaning(status))
        .Text("account", config.lpServiceStartName && *config.lpServiceStartName ? config.lpServiceStartName
                                                                                    : "LocalSystem")
        .Boolean("stoppedAfterFailure", StoppedAfterFailure(status));
    return o;
}

// What the host publishes about the program's run, for -status -json and each -list -json
// entry. `runs`: the service is not stopped, so a process id and run time it shows are current.
void AddPublished(json::Object& o, const PublishedStatus& p, bool runs)
{
    if (runs && p.programPid)
        o.Number("programPid", p.programPid).Text("startedAt", IsoTime(p.startedAt)).Number("runMs", MsSince(p.startedAt));
    else
        o.Null("programPid").Null("startedAt").Null("runMs");
    o.Number("restarts", p.restarts).Number("restartsInPeriod", p.restartsInPeriod);
    if (p.lastExitCode)
        o.Number("lastExitCode", *p.lastExitCode).Text("lastExitText", p.lastExitText).Text("lastExitAt", IsoTime(p.lastExitAt));
    else
        o.Null("lastExitCode").Null("lastExitText").Null("lastExitAt");
    if (p.lastRestartReason.empty()) o.Null("lastRestartReason");
    else o.Text("lastRestartReason", p.lastRestartReason);
    o.Number("outputBytesLost", p.outputBytesLost);
}

struct Row {
    std::string name, state, startType, processId, program, up, restarts, displayName;
};

void PrintTable(const std::vector<Row>& rows)
{
    const Row heading{"Name", "State", "Start type", "Process", "Program", "Up", "Restarts", "Display name"};
    std::string Row::*const columns[] = {&Row::name, &Row::state, &Row::startType, &Row::processId,
                                         &Row::program, &Row::up, &Row::restarts};
    std::size_t w[7] = {};
    for (std::size_t i = 0; i < 7; ++i) {
        w[i] = (heading.*columns[i]).size();
        for (const Row& r : rows) w[i] = std::max(w[i], (r.*columns[i]).size());
    }
    const auto print = [&](const Row& r) {
        std::printf("%-*s  %-*s  %-*s  %*s  %*s  %-*s  %*s  %s\n", static_cast<int>(w[0]), r.name.c_str(),
                    static_cast<int>(w[1]), r.state.c_str(), static_cast<int>(w[2]), r.startType.c_str(),
                    static_cast<int>(w[3]), r.processId.c_str(), static_cast<int>(w[4]), r.program.c_str(),
                    static_cast<int>(w[5]), r.up.c_str(), static_cast<int>(w[6]), r.restarts.c_str(),
                    r.displayName.c_str());
    };
    print(heading);
    for (const Row& r : rows) print(r);
    if (rows.empty()) std::fputs("(no service of this installation)\n", stderr);
}

}  // namespace

const char kRunAsAdministrator[] =
    "this needs administrator rights. Run Velmora from a command prompt opened with \"Run as administrator\".\n";

std::string ServiceExitText(DWORD code)
{
    const char* meaning = "a code of the service's own";
    switch (code) {
    case 0: meaning = "a clean stop"; break;
    case exit_code::kSettingsUnreadable: meaning = "the settings could not be read or name no program"; break;
    case exit_code::kProgramDidNotStart: meaning = "the program could not be started"; break;
    case exit_code::kProgramEnded: meaning = "the program ended and the service was set to terminate"; break;
    case exit_code::kHostFailure: meaning = "a failure inside the service host"; break;
    case exit_code::kNotReady: meaning = "the program did not pass its readiness check"; break;
    case exit_code::kUnhealthy: meaning = "the program failed its liveness checks and the service was set to terminate"; break;
    case exit_code::kOverLimit: meaning = "the program stayed over a resource limit and the service was set to terminate"; break;
    }
    return ExitCodeText(code) + " (" + meaning + ")";
}

bool MayChangeServices(std::FILE* messages)
{
    const UniqueScHandle database(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (database || GetLastError() != ERROR_ACCESS_DENIED) return true;
    std::fprintf(messages, "Error: %s", kRunAsAdministrator);
    std::fflush(messages);
    return false;
}

int FindService(const std::string& given, std::string& name, DWORD& state, bool quietWhenMissing)
{
    const Scm scm;
    if (!scm) return scm.ExitCode();
    int exitCode = 0;
    const UniqueScHandle service = scm.Open(given, SERVICE_QUERY_STATUS, name, exitCode, quietWhenMissing);
    if (!service) return exitCode;
    SERVICE_STATUS_PROCESS status{};
    if (!QueryStatus(service.get(), status)) return PrintFailure("Cannot query the service '" + name + "'", GetLastError());
    state = status.dwCurrentState;
    return command_exit::kDone;
}

int ListServices(bool tabs, bool json)
{
    const Scm scm;
    if (!scm) return scm.ExitCode();
    const std::string hostPath = service_control::HostProgramPath(HostDirectory());
    std::vector<Listed> all;
    if (!ListAll(scm.Get(), all)) return PrintFailure("Cannot list the services", GetLastError());
    std::sort(all.begin(), all.end(), [](const Listed& a, const Listed& b) { return a.name < b.name; });
    std::vector<Row> rows;
    std::vector<json::Object> objects;
    for (const Listed& entry : all) {
        const UniqueScHandle service(OpenServiceA(scm.Get(), entry.name.c_str(), SERVICE_QUERY_CONFIG));
        const service_control::Configuration config =
            service ? service_control::QueryConfiguration(service.get()) : service_control::Configuration();
        if (!config || !service_control::RunsHost(config->lpBinaryPathName ? config->lpBinaryPathName : "", hostPath))
            continue;
        const SERVICE_STATUS_PROCESS& status = entry.status;
        const PublishedStatus published = ReadPublishedStatus(entry.name);
        const bool running = status.dwCurrentState != SERVICE_STOPPED && published.programPid;
        if (json) {
            objects.push_back(StatusObject(entry.name, service.get(), *config.get(), status));
            AddPublished(objects.back(), published, status.dwCurrentState != SERVICE_STOPPED);
        }
        rows.push_back({entry.name, StateText(status.dwCurrentState), StartTypeText(config->dwStartType),
                        status.dwProcessId ? Text(status.dwProcessId) : "-",
                        running ? Text(published.programPid) : "-",
                        running ? RunTimeText(MsSince(published.startedAt)) : "-",
                        published.ready ? Text(published.restarts) : "-", entry.displayName});
    }
    if (json) {
        std::printf("%s\n", json::Array(objects).c_str());
    } else if (tabs) {
        // The columns added later go last, so that scripts reading the first ones go on working.
        for (const Row& r : rows)
            std::printf("%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", r.name.c_str(), r.state.c_str(), r.startType.c_str(),
                        r.processId.c_str(), r.displayName.c_str(), r.program.c_str(), r.up.c_str(),
                        r.restarts.c_str());
    } else {
        PrintTable(rows);
    }
    return command_exit::kDone;
}

bool ServicesOfThisInstallation(std::vector<HostedService>& services, int& exitCode)
{
    const Scm scm;
    exitCode = scm.ExitCode();
    if (!scm) return false;
    const std::string hostPath = service_control::HostProgramPath(HostDirectory());
    std::vector<Listed> all;
    if (!ListAll(scm.Get(), all)) {
        exitCode = PrintFailure("Cannot list the services", GetLastError());
        return false;
    }
    for (const Listed& entry : all) {
        const UniqueScHandle service(OpenServiceA(scm.Get(), entry.name.c_str(), SERVICE_QUERY_CONFIG));
        const service_control::Configuration config =
            service ? service_control::QueryConfiguration(service.get()) : service_control::Configuration();
        if (config && service_control::RunsHost(config->lpBinaryPathName ? config->lpBinaryPathName : "", hostPath))
            services.push_back({entry.name, entry.status.dwCurrentState});
    }
    return true;
}

int ShowStatus(const std::string& given, bool json)
{
    const Scm scm;
    if (!scm) return scm.ExitCode();
    std::string name;
    int exitCode = 0;
    const UniqueScHandle service = scm.Open(given, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG, name, exitCode);
    if (!service) return exitCode;
    SERVICE_STATUS_PROCESS status{};
    const service_control::Configuration config = service_control::QueryConfiguration(service.get());
    if (!QueryStatus(service.get(), status) || !config)
        return PrintFailure("Cannot query the service '" + name + "'", GetLastError());
    // What the host publishes: readiness, and the last liveness check's result.
    const PublishedStatus published = ReadPublishedStatus(name);
    const bool runs = status.dwCurrentState != SERVICE_STOPPED;
    const bool ready = runs && published.ready.value_or(false);
    const std::string health = runs ? published.health : std::string();
    const std::string detail = health.empty() ? std::string() : published.healthDetail + ", " + AgoText(published.healthAt);
    if (json) {
        json::Object o = StatusObject(name, service.get(), *config.get(), status);
        if (published.ready) o.Boolean("ready", ready); else o.Null("ready");
        if (health.empty()) o.Null("health").Null("healthDetail");
        else o.Text("health", health).Text("healthDetail", detail);
        const std::pair<const char*, std::optional<std::uint32_t>> figures[] = {
            {"memoryMB", published.memoryMB}, {"cpuPercent", published.cpuPercent}, {"handles", published.handles}};
        for (const auto& [key, value] : figures)
            if (runs && value) o.Number(key, *value); else o.Null(key);
        if (runs && !published.nextRestart.empty()) o.Text("nextScheduledRestart", published.nextRestart);
        else o.Null("nextScheduledRestart");
        AddPublished(o, published, runs);
        std::printf("%s\n", o.Str().c_str());
    } else {
        std::printf("Service:      %s\n", name.c_str());
        std::printf("Display name: %s\n", config->lpDisplayName ? config->lpDisplayName : "");
        std::printf("State:        %s\n", StateText(status.dwCurrentState));
        if (status.dwProcessId) std::printf("Process id:   %lu\n", status.dwProcessId);
        std::printf("Start type:   %s\n", StartTypeText(config->dwStartType));
        std::printf("Last exit:    %s\n", ExitMeaning(status).c_str());
        if (status.dwCurrentState == SERVICE_STOPPED)
            std::printf("Stopped:      %s\n", StoppedAfterFailure(status) ? "after a failure" : "on request");
        if (runs && published.ready) std::printf("Ready:        %s\n", ready ? "yes" : "not yet");
        if (!health.empty()) std::printf("Health:       %s\n", detail.c_str());
        if (runs && published.memoryMB)
            std::printf("Resources:    %" PRIu32 " MB, %" PRIu32 " %% CPU, %" PRIu32 " handles\n", *published.memoryMB,
                        published.cpuPercent.value_or(0), published.handles.value_or(0));
        if (runs && !published.nextRestart.empty())
            std::printf("Next restart: %s\n", published.nextRestart.c_str());
        if (runs && published.programPid)
            std::printf("Program:      process %" PRIu32 ", up %s\n", published.programPid,
                        RunTimeText(MsSince(published.startedAt)).c_str());
        if (published.restarts)
            std::printf("Restarts:     %" PRIu32 " in all, %" PRIu32 " within the restart period\n", published.restarts,
                        published.restartsInPeriod);
        if (published.lastExitCode)
            std::printf("Program exit: %s, %s\n", published.lastExitText.c_str(), AgoText(published.lastExitAt).c_str());
        if (!published.lastRestartReason.empty())
            std::printf("Last restart: %s\n", published.lastRestartReason.c_str());
        if (published.outputBytesLost)
            std::printf("Output lost:  %" PRIu64 " bytes\n", published.outputBytesLost);
    }
    switch (status.dwCurrentState) {
    case SERVICE_RUNNING: return command_exit::kDone;
    case SERVICE_STOPPED: return command_exit::kStopped;
    case SERVICE_START_PENDING: return command_exit::kStartPending;
    case SERVICE_STOP_PENDING: return command_exit::kStopPending;
    default: return command_exit::kPaused;
    }
}

int StartAndWait(const std::string& name)
{
    const Scm scm;
    return scm ? StartService(scm, name) : scm.ExitCode();
}

int StopAndWait(const std::string& name)
{
    const Scm scm;
    return scm ? StopService(scm, name, false) : scm.ExitCode();
}

// `onlyIfRunning`: a stopped service stays stopped.
int Restart(const std::string& given, bool onlyIfRunning)
{
    const Scm scm;
    if (!scm) return scm.ExitCode();
    if (onlyIfRunning) {
        std::string name;
        int exitCode = 0;
        const UniqueScHandle service = scm.Open(given, SERVICE_QUERY_STATUS, name, exitCode);
        if (!service) return exitCode;
        SERVICE_STATUS_PROCESS status{};
        if (!QueryStatus(service.get(), status)) return PrintFailure("Cannot query the service '" + name + "'", GetLastError());
        if (status.dwCurrentState == SERVICE_STOPPED) return command_exit::kDone;
    }
    const int stopped = StopService(scm, given, true);
    return stopped == command_exit::kDone ? StartService(scm, given) : stopped;
}

int ExportDefinition(const std::string& given, const std::string& file)
{
    const Scm scm;
    if (!scm) return scm.ExitCode();
    std::string name;
    int exitCode = 0;
    if (!scm.Open(given, SERVICE_QUERY_CONFIG, name, exitCode)) return exitCode;
    ServiceDefinition definition;
    if (!registry_data::ReadParameters(name, definition) || definition.Service.Executable.empty()) {
        std::fprintf(stderr, "Error: The service '%s' has no settings of this product in %s\n", name.c_str(),
                     ("HKEY_LOCAL_MACHINE\\" + registry_data::ParametersKeyPath(name)).c_str());
        return command_exit::kFailed;
    }
    if (file.empty()) {
        const std::string text = definition_writer::DefinitionText(definition);
        std::fflush(stdout);
        _setmode(_fileno(stdout), _O_BINARY);  // the bytes of the file, line ends as they are
        std::fwrite(text.data(), 1, text.size(), stdout);
        return command_exit::kDone;
    }
    std::string error;
    if (!definition_writer::WriteDefinitionFile(definition, file, &error)) {
        std::fprintf(stderr, "Error: Cannot write the definition to %s: %s\n", file.c_str(), error.c_str());
        return command_exit::kFailed;
    }
    std::printf("The definition of the service '%s' was written to %s.\n", name.c_str(), file.c_str());
    return command_exit::kDone;
}

int ChangePassword(const std::string& given)
{
    if (!MayChangeServices(stderr)) return command_exit::kNeedsAdministrator;
    const Scm scm;
    if (!scm) return scm.ExitCode();
    std::string name;
    int exitCode = 0;
    const UniqueScHandle service = scm.Open(given, SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG, name, exitCode);
    if (!service) return exitCode;
    const service_control::Configuration config = service_control::QueryConfiguration(service.get());
    if (!config) return PrintFailure("Cannot read the configuration of the service '" + name + "'", GetLastError());
    if (!service_control::EndsInHostProgram(config->lpBinaryPathName ? config->lpBinaryPathName : "")) {
        std::fprintf(stderr, "Error: The service '%s' is not run by Velmora; nothing was changed.\n", name.c_str());
        return command_exit::kNotRunByVelmora;
    }
    const std::string account =
        config->lpServiceStartName && *config->lpServiceStartName ? config->lpServiceStartName : "LocalSystem";
    const service_account::Kind kind = service_account::Classify(account, name).kind;
    if (!service_account::NeedsPassword(kind)) {
        std::fprintf(stderr, "Error: The service '%s' logs on as %s, %s; nothing was changed.\n", name.c_str(),
                     account.c_str(),
                     kind == service_account::Kind::Invalid ? "which is not a user account this command knows"
                                                            : "which has no password");
        return command_exit::kFailed;
    }
    std::string password;
    const bool read = ReadPassword(account.c_str(), password, stderr);
    const WipedOnExit wipe(&password[0], password.size());
    if (!read) {
        std::fprintf(stderr, "Error: No password was given for %s; nothing was changed.\n", account.c_str());
        return command_exit::kFailed;
    }
    // The password alone: every other value is left as it is, the account too.
    if (!ChangeServiceConfigA(service.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, nullptr, nullptr,
                              nullptr, nullptr, nullptr, password.c_str(), nullptr))
        return PrintFailure("Cannot change the password of the service '" + name + "'", GetLastError());
    std::printf("The password of the service '%s' (account %s) was changed; it takes effect at the next start.\n",
                name.c_str(), account.c_str());
    return command_exit::kDone;
}

bool WaitUntilRemoved(const std::string& name)
{
    const Scm scm;
    if (!scm) return false;
    const auto gone = [&scm, &name] {
        const UniqueScHandle service(OpenServiceA(scm.Get(), name.c_str(), SERVICE_QUERY_STATUS));
        return !service && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    };
    if (gone()) return true;
    std::fprintf(stderr, "Waiting until the service '%s' is gone", name.c_str());
    const ULONGLONG start = GetTickCount64();
    ULONGLONG lastDot = start;
    bool isGone = false;
    while (!(isGone = gone()) && GetTickCount64() - start < kRemovalWaitMs) {
        if (GetTickCount64() - lastDot >= 1000) {
            std::fputc('.', stderr);
            lastDot = GetTickCount64();
        }
        Sleep(kRemovalPollMs);
    }
    std::fputc('\n', stderr);
    return isGone;
}

}  // namespace host
