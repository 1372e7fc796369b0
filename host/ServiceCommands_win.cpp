#include "ServiceCommands_win.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "DefinitionWriter.h"
#include "ParameterReader.h"
#include "RegistryData.h"
#include "Platform.h"
#include "ScmRegistration.h"
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

// What a service's last exit code means, the host's own codes in its words.
std::string ExitMeaning(const SERVICE_STATUS_PROCESS& status)
{
    if (status.dwWin32ExitCode != ERROR_SERVICE_SPECIFIC_ERROR) {
        if (status.dwWin32ExitCode == NO_ERROR) return "0 (no error)";
        return Text(status.dwWin32ExitCode) + " (" + platform::SystemErrorText(status.dwWin32ExitCode) + ")";
    }
    const DWORD code = status.dwServiceSpecificExitCode;
    const char* meaning = "a code of the service's own";
    switch (code) {
    case exit_code::kSettingsUnreadable: meaning = "the settings could not be read or name no program"; break;
    case exit_code::kProgramDidNotStart: meaning = "the program could not be started"; break;
    case exit_code::kProgramEnded: meaning = "the program ended and the service was set to terminate"; break;
    case exit_code::kHostFailure: meaning = "a failure inside the service host"; break;
    }
    return "service-specific " + Text(code) + " (" + meaning + ")";
}

void PrintFailure(const std::string& what, DWORD error)
{
    if (error == ERROR_ACCESS_DENIED) {
        std::printf("Error: %s: %s", what.c_str(), kRunAsAdministrator);
        return;
    }
    std::printf("Error: %s: %s (error %lu)\n", what.c_str(), platform::SystemErrorText(error).c_str(), error);
}

}  // namespace

const char kRunAsAdministrator[] =
    "this needs administrator rights. Run Velmora from a command prompt opened with \"Run as administrator\".\n";

bool MayChangeServices()
{
    const UniqueScHandle database(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (database || GetLastError() != ERROR_ACCESS_DENIED) return true;
    std::printf("Error: %s", kRunAsAdministrator);
    std::fflush(stdout);
    return false;
}

namespace {

class Scm {
public:
    Scm() : database_(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE))
    {
        if (!database_) PrintFailure("Cannot open the service control manager", GetLastError());
    }
    explicit operator bool() const { return static_cast<bool>(database_); }
    SC_HANDLE Get() const { return database_.get(); }

    // The service, or an empty handle after saying why; `missing` tells a service that is not there.
    UniqueScHandle Open(const std::string& name, DWORD access, bool* missing = nullptr) const
    {
        UniqueScHandle service(OpenServiceA(database_.get(), name.c_str(), access));
        const DWORD error = service ? 0 : GetLastError();
        if (missing) *missing = error == ERROR_SERVICE_DOES_NOT_EXIST;
        if (error == ERROR_SERVICE_DOES_NOT_EXIST)
            std::printf("The service '%s' is not installed.\n", name.c_str());
        else if (!service)
            PrintFailure("Cannot open the service '" + name + "'", error);
        return service;
    }

private:
    UniqueScHandle database_;
};

// Where the service's debug log is, when it writes one.
void PrintDebugLog(const std::string& name)
{
    ServiceDefinition definition;
    if (registry_data::ReadParameters(name, definition) && definition.DebugEnabled && !definition.DebugLogFile.empty())
        std::printf("Its debug log: %s\n", definition.DebugLogFile.c_str());
}

// The client's wait, with a dot a second for a person watching.
bool WaitFor(SC_HANDLE service, DWORD pending, DWORD target, SERVICE_STATUS_PROCESS& status)
{
    bool dots = false;
    const bool reached = service_control::WaitWhilePending(service, pending, target, status, [&dots] {
        std::fputc('.', stdout);
        std::fflush(stdout);
        dots = true;
    });
    if (dots) std::fputc('\n', stdout);
    return reached;
}

int Failed(const std::string& name, const SERVICE_STATUS_PROCESS& status, const char* what)
{
    std::printf("Error: The service '%s' %s; it is %s. Its last exit code: %s.\n", name.c_str(), what,
                StateText(status.dwCurrentState), ExitMeaning(status).c_str());
    PrintDebugLog(name);
    return command_exit::kFailed;
}

int StopService(const Scm& scm, const std::string& name, bool quietWhenStopped)
{
    bool missing = false;
    const UniqueScHandle service = scm.Open(name, SERVICE_STOP | SERVICE_QUERY_STATUS, &missing);
    if (!service) return missing ? command_exit::kNotInstalled : command_exit::kFailed;
    SERVICE_STATUS_PROCESS status{};
    if (!QueryStatus(service.get(), status)) {
        PrintFailure("Cannot query the service '" + name + "'", GetLastError());
        return command_exit::kFailed;
    }
    if (status.dwCurrentState == SERVICE_STOPPED) {
        if (!quietWhenStopped) std::printf("The service '%s' is already stopped.\n", name.c_str());
        return command_exit::kDone;
    }
    if (status.dwCurrentState != SERVICE_STOP_PENDING) {
        SERVICE_STATUS plain{};
        if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &plain)) {
            PrintFailure("Cannot stop the service '" + name + "'", GetLastError());
            return command_exit::kFailed;
        }
    }
    std::printf("Stopping the service '%s'", name.c_str());
    std::fflush(stdout);
    const bool stopped = WaitFor(service.get(), SERVICE_STOP_PENDING, SERVICE_STOPPED, status);
    std::fputc('\n', stdout);
    if (!stopped) return Failed(name, status, "did not stop");
    std::printf("The service '%s' is stopped.\n", name.c_str());
    return command_exit::kDone;
}

int StartService(const Scm& scm, const std::string& name)
{
    bool missing = false;
    const UniqueScHandle service = scm.Open(name, SERVICE_START | SERVICE_QUERY_STATUS, &missing);
    if (!service) return missing ? command_exit::kNotInstalled : command_exit::kFailed;
    SERVICE_STATUS_PROCESS status{};
    if (QueryStatus(service.get(), status) && status.dwCurrentState == SERVICE_RUNNING) {
        std::printf("The service '%s' is already running.\n", name.c_str());
        return command_exit::kDone;
    }
    if (!StartServiceA(service.get(), 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
        const DWORD error = GetLastError();
        PrintFailure("Cannot start the service '" + name + "'", error);
        if (QueryStatus(service.get(), status)) std::printf("Its last exit code: %s.\n", ExitMeaning(status).c_str());
        PrintDebugLog(name);
        return command_exit::kFailed;
    }
    std::printf("Starting the service '%s'", name.c_str());
    std::fflush(stdout);
    status = SERVICE_STATUS_PROCESS{};
    const bool running = WaitFor(service.get(), SERVICE_START_PENDING, SERVICE_RUNNING, status);
    std::fputc('\n', stdout);
    if (!running) return Failed(name, status, "did not start");
    std::printf("The service '%s' is running as process %lu.\n", name.c_str(), status.dwProcessId);
    return command_exit::kDone;
}

struct Row {
    std::string name, state, startType, processId, displayName;
};

}  // namespace

int ListServices(bool tabs)
{
    const Scm scm;
    if (!scm) return command_exit::kFailed;
    const std::string hostPath = service_control::HostProgramPath(HostDirectory());
    std::vector<Row> rows;
    DWORD resume = 0;
    for (;;) {
        DWORD needed = 0, count = 0;
        EnumServicesStatusExA(scm.Get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &needed,
                              &count, &resume, nullptr);
        if (GetLastError() != ERROR_MORE_DATA) break;
        std::vector<BYTE> buffer(needed);
        const BOOL done = EnumServicesStatusExA(scm.Get(), SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL,
                                                buffer.data(), needed, &needed, &count, &resume, nullptr);
        if (!done && GetLastError() != ERROR_MORE_DATA) {
            PrintFailure("Cannot list the services", GetLastError());
            return command_exit::kFailed;
        }
        const auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSA*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) {
            const UniqueScHandle service(OpenServiceA(scm.Get(), entries[i].lpServiceName, SERVICE_QUERY_CONFIG));
            const service_control::Configuration config =
                service ? service_control::QueryConfiguration(service.get()) : service_control::Configuration();
            if (!config ||
                !service_control::RunsHost(config->lpBinaryPathName ? config->lpBinaryPathName : "", hostPath))
                continue;
            const SERVICE_STATUS_PROCESS& status = entries[i].ServiceStatusProcess;
            rows.push_back({entries[i].lpServiceName, StateText(status.dwCurrentState),
                            StartTypeText(config->dwStartType),
                            status.dwProcessId ? Text(status.dwProcessId) : "-",
                            entries[i].lpDisplayName ? entries[i].lpDisplayName : ""});
        }
        if (done) break;
    }
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.name < b.name; });
    if (tabs) {
        for (const Row& r : rows)
            std::printf("%s\t%s\t%s\t%s\t%s\n", r.name.c_str(), r.state.c_str(), r.startType.c_str(),
                        r.processId.c_str(), r.displayName.c_str());
        return command_exit::kDone;
    }
    Row widths{"Name", "State", "Start type", "Process", "Display name"};
    std::size_t w[4] = {widths.name.size(), widths.state.size(), widths.startType.size(), widths.processId.size()};
    for (const Row& r : rows) {
        w[0] = std::max(w[0], r.name.size());
        w[1] = std::max(w[1], r.state.size());
        w[2] = std::max(w[2], r.startType.size());
        w[3] = std::max(w[3], r.processId.size());
    }
    const auto print = [&w](const Row& r) {
        std::printf("%-*s  %-*s  %-*s  %*s  %s\n", static_cast<int>(w[0]), r.name.c_str(), static_cast<int>(w[1]),
                    r.state.c_str(), static_cast<int>(w[2]), r.startType.c_str(), static_cast<int>(w[3]),
                    r.processId.c_str(), r.displayName.c_str());
    };
    print(widths);
    for (const Row& r : rows) print(r);
    if (rows.empty()) std::puts("(no service of this installation)");
    return command_exit::kDone;
}

int ShowStatus(const std::string& name)
{
    const Scm scm;
    if (!scm) return command_exit::kFailed;
    bool missing = false;
    const UniqueScHandle service = scm.Open(name, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG, &missing);
    if (!service) return missing ? command_exit::kNotInstalled : command_exit::kFailed;
    SERVICE_STATUS_PROCESS status{};
    const service_control::Configuration config = service_control::QueryConfiguration(service.get());
    if (!QueryStatus(service.get(), status) || !config) {
        PrintFailure("Cannot query the service '" + name + "'", GetLastError());
        return command_exit::kFailed;
    }
    std::printf("Service:      %s\n", name.c_str());
    std::printf("Display name: %s\n", config->lpDisplayName ? config->lpDisplayName : "");
    std::printf("State:        %s\n", StateText(status.dwCurrentState));
    if (status.dwProcessId) std::printf("Process id:   %lu\n", status.dwProcessId);
    std::printf("Start type:   %s\n", StartTypeText(config->dwStartType));
    std::printf("Last exit:    %s\n", ExitMeaning(status).c_str());
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
    return scm ? StartService(scm, name) : command_exit::kFailed;
}

int StopAndWait(const std::string& name)
{
    const Scm scm;
    return scm ? StopService(scm, name, false) : command_exit::kFailed;
}

// `onlyIfRunning`: a stopped service stays stopped.
int Restart(const std::string& name, bool onlyIfRunning)
{
    const Scm scm;
    if (!scm) return command_exit::kFailed;
    if (onlyIfRunning) {
        const UniqueScHandle service = scm.Open(name, SERVICE_QUERY_STATUS);
        SERVICE_STATUS_PROCESS status{};
        if (!service || !QueryStatus(service.get(), status)) return command_exit::kFailed;
        if (status.dwCurrentState == SERVICE_STOPPED) return command_exit::kDone;
    }
    const int stopped = StopService(scm, name, true);
    return stopped == command_exit::kDone ? StartService(scm, name) : stopped;
}

int ExportDefinition(const std::string& name, const std::string& file)
{
    const Scm scm;
    if (!scm) return command_exit::kFailed;
    bool missing = false;
    if (!scm.Open(name, SERVICE_QUERY_CONFIG, &missing)) return missing ? command_exit::kNotInstalled : command_exit::kFailed;
    ServiceDefinition definition;
    if (!registry_data::ReadParameters(name, definition) || definition.Service.Executable.empty()) {
        std::printf("Error: The service '%s' has no settings of this product in %s\n", name.c_str(),
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
        std::printf("Error: Cannot write the definition to %s: %s\n", file.c_str(), error.c_str());
        return command_exit::kFailed;
    }
    std::printf("The definition of the service '%s' was written to %s.\n", name.c_str(), file.c_str());
    return command_exit::kDone;
}

}  // namespace host
