#include "ScmRegistration.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

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

namespace {

// A double-zero-terminated list as its entries, for comparing what the system hands back.
std::vector<std::string> ListEntries(const char* list)
{
    std::vector<std::string> entries;
    for (const char* entry = list; entry && *entry; entry += std::strlen(entry) + 1) entries.emplace_back(entry);
    return entries;
}

std::string DescriptionOf(SC_HANDLE service)
{
    DWORD needed = 0;
    QueryServiceConfig2A(service, SERVICE_CONFIG_DESCRIPTION, nullptr, 0, &needed);
    std::vector<BYTE> buffer(std::max<DWORD>(needed, sizeof(SERVICE_DESCRIPTIONA)));
    if (!QueryServiceConfig2A(service, SERVICE_CONFIG_DESCRIPTION, buffer.data(), static_cast<DWORD>(buffer.size()),
                              &needed))
        return {};
    const auto* description = reinterpret_cast<const SERVICE_DESCRIPTIONA*>(buffer.data());
    return description->lpDescription ? description->lpDescription : "";
}

}  // namespace

bool Update(const ServiceDefinition& d, const std::string& hostProgramPath, bool* missing)
{
    const UniqueScHandle database = OpenDatabase();
    const UniqueScHandle service(OpenServiceA(database.get(), d.Name.c_str(), SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG));
    *missing = !service && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    if (*missing) return false;
    if (!service) failure::ThrowLastError("Cannot open the service to update it");

    DWORD needed = 0;
    QueryServiceConfigA(service.get(), nullptr, 0, &needed);
    std::vector<BYTE> buffer(std::max<DWORD>(needed, sizeof(QUERY_SERVICE_CONFIGA)));
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!QueryServiceConfigA(service.get(), config, static_cast<DWORD>(buffer.size()), &needed))
        failure::ThrowLastError("Cannot read the service's configuration");

    DWORD type = SERVICE_WIN32_OWN_PROCESS;
    if (d.InteractWithDesktop == 1) type |= SERVICE_INTERACTIVE_PROCESS;
    const std::string displayName = registry_data::kDisplayNamePrefix + d.DisplayName;
    const std::string commandLine = HostCommandLine(hostProgramPath);
    const std::vector<std::string> dependencies =
        d.RawDependencies.empty() ? std::vector<std::string>() : ListEntries(d.RawDependencies.data());
    const auto text = [](const char* value) { return std::string(value ? value : ""); };
    const bool same = config->dwServiceType == type && config->dwStartType == StartType(d.StartUpMode) &&
                      text(config->lpBinaryPathName) == commandLine &&
                      text(config->lpLoadOrderGroup) == d.LoadOrderGroup &&
                      ListEntries(config->lpDependencies) == dependencies &&
                      text(config->lpDisplayName) == displayName &&
                      (d.Description.empty() || DescriptionOf(service.get()) == d.Description);
    if (same) return false;

    static const char kNoDependencies[2] = {'\0', '\0'};
    if (!ChangeServiceConfigA(service.get(), type, StartType(d.StartUpMode), SERVICE_ERROR_NORMAL, commandLine.c_str(),
                              d.LoadOrderGroup.c_str(), nullptr,
                              d.RawDependencies.empty() ? kNoDependencies : d.RawDependencies.data(), nullptr, nullptr,
                              displayName.c_str()))
        failure::ThrowLastError("Cannot change the service's configuration");
    if (!d.Description.empty()) SetDescription(service.get(), d.Description);
    return true;
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
