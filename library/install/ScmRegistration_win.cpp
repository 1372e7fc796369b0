#include "ScmRegistration.h"

#include <windows.h>

#include "Failure.h"
#include "RegistryData.h"
#include "RegistryStore.h"

namespace scm_registration {

namespace {

constexpr DWORD kReplaceWaitMs = 3000;
// Long enough for several installs of the same name ahead of this one, each with its replace wait.
constexpr DWORD kInstallLockWaitMs = 60000;

UniqueScHandle OpenDatabase()
{
    UniqueScHandle database(OpenSCManagerA(nullptr, SERVICES_ACTIVE_DATABASEA, SC_MANAGER_ALL_ACCESS));
    if (!database) failure::ThrowLastError("Cannot open Service Control Manager database");
    return database;
}

DWORD StartType(std::uint32_t startUpMode)
{
    switch (startUpMode) {
    case 0: return SERVICE_DEMAND_START;
    case 2: return SERVICE_DISABLED;
    default: return SERVICE_AUTO_START;
    }
}

// A stopped service of the same name is deleted; one in any other state is refused.
void ReplaceExisting(SC_HANDLE database, const std::string& name)
{
    UniqueScHandle existing(OpenServiceA(database, name.c_str(), SERVICE_ALL_ACCESS));
    if (!existing) {
        if (GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) return;
        failure::ThrowLastError("Error while checking for a pre-existing service");
    }
    SERVICE_STATUS status{};
    if (QueryServiceStatus(existing.get(), &status) && status.dwCurrentState != SERVICE_STOPPED) {
        const std::string text = "A service named '" + name + "' is already running on the system [status=" +
                                 StateText(status.dwCurrentState) +
                                 "]. A service must be stopped before it can be re-installed.";
        failure::Throw(failure::Hold(failure::Slot::RunningService, text));
    }
    if (!DeleteService(existing.get())) failure::ThrowLastError("Cannot delete the pre-existing service");
    existing.reset();
    Sleep(kReplaceWaitMs);
}

// Descriptions came with later systems, so the call is looked up rather than imported.
void SetDescription(SC_HANDLE service, const std::string& description)
{
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    if (!advapi) return;
    using ChangeConfig2 = BOOL(WINAPI*)(SC_HANDLE, DWORD, LPVOID);
    const auto change = reinterpret_cast<ChangeConfig2>(
        reinterpret_cast<void*>(GetProcAddress(advapi, "ChangeServiceConfig2A")));
    if (!change) return;
    std::string text = description;
    SERVICE_DESCRIPTIONA info{};
    info.lpDescription = text.data();
    change(service, SERVICE_CONFIG_DESCRIPTION, &info);
}

}  // namespace

std::string HostCommandLine(const std::string& hostProgramPath)
{
    if (hostProgramPath.find(' ') == std::string::npos) return hostProgramPath + " -s";
    return "\"" + hostProgramPath + "\" -s";
}

const char* StateText(unsigned long state)
{
    switch (state) {
    case SERVICE_STOPPED: return "Stopped";
    case SERVICE_START_PENDING: return "Start-pending";
    case SERVICE_STOP_PENDING: return "Stop-pending";
    case SERVICE_RUNNING: return "Running";
    case SERVICE_CONTINUE_PENDING: return "Continue-pending";
    case SERVICE_PAUSE_PENDING: return "Pause-pending";
    case SERVICE_PAUSED: return "Paused";
    default: return "??";
    }
}

const char* StartTypeText(unsigned long startType)
{
    static const char* const kNames[] = {"Boot", "System", "Automatic", "Manual", "Disabled"};
    return startType < sizeof kNames / sizeof kNames[0] ? kNames[startType] : "??";
}

InstallLock::InstallLock(const std::string& serviceName)
{
    // Service names are letters and digits by now, and the system compares them ignoring case.
    std::string name = "Global\\Velmora.Install.";
    for (char c : serviceName) name += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    mutex_.reset(CreateMutexA(nullptr, FALSE, name.c_str()));
    if (!mutex_) failure::ThrowLastError("Cannot create the lock for installing the service");
    // An abandoned lock is taken over: its holder is gone, and its install stopped where it stopped.
    const DWORD waited = WaitForSingleObject(mutex_.get(), kInstallLockWaitMs);
    if (waited == WAIT_TIMEOUT) failure::Throw("Another install of this service is still in progress");
    if (waited == WAIT_FAILED) failure::ThrowLastError("Cannot take the lock for installing the service");
}

InstallLock::~InstallLock() { ReleaseMutex(mutex_.get()); }

void Install(const ServiceDefinition& d, bool forceReplace, const std::string& hostProgramPath)
{
    DWORD type = SERVICE_WIN32_OWN_PROCESS;
    if (d.InteractWithDesktop == 1) type |= SERVICE_INTERACTIVE_PROCESS;

    const UniqueScHandle database = OpenDatabase();
    if (forceReplace) ReplaceExisting(database.get(), d.Name);

    const std::string displayName = registry_data::kDisplayNamePrefix + d.DisplayName;
    const std::string commandLine = HostCommandLine(hostProgramPath);
    const UniqueScHandle service(CreateServiceA(database.get(), d.Name.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS,
                                                type, StartType(d.StartUpMode), SERVICE_ERROR_NORMAL,
                                                commandLine.c_str(), d.LoadOrderGroup.c_str(), nullptr,
                                                d.RawDependencies.empty() ? nullptr : d.RawDependencies.data(),
                                                nullptr, nullptr));
    if (!service) failure::ThrowLastError("Service creation failed");
    SetDescription(service.get(), d.Description);
}

void Remove(const char* serviceName)
{
    const UniqueScHandle database = OpenDatabase();
    const UniqueScHandle service(OpenServiceA(database.get(), serviceName, SERVICE_ALL_ACCESS));
    if (!service) {
        const std::string text = std::string("Attempt to get handle to service '") + serviceName + "' failed";
        failure::ThrowLastError(failure::Hold(failure::Slot::OpenService, text));
    }
    if (!DeleteService(service.get())) {
        if (GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE) {
            failure::ThrowCode("No such service, or service is already marked for deletion.",
                               ERROR_SERVICE_MARKED_FOR_DELETE);
        }
        failure::ThrowLastError("Cannot mark service for deletion");
    }
    registry_store::RemoveEventSource(serviceName);
}

}  // namespace scm_registration
