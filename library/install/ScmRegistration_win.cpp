#include "ScmRegistration.h"

#include <windows.h>
#include <ntsecapi.h>

#include <cstring>
#include <vector>

#include "DefinitionRules.h"
#include "Failure.h"
#include "PathText.h"
#include "ProcessLimits.h"
#include "RegistryData.h"
#include "RegistryStore.h"
#include "ServiceAccount.h"
#include "ServiceCommandLine.h"
#include "ServiceControl_win.h"

namespace scm_registration {

namespace {

using service_control::QueryOptionalConfiguration;

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

// The entry's values, as an install creates it and an update brings it to the definition.
struct Entry {
    DWORD type;
    DWORD startType;
    std::string displayName;
    std::string commandLine;
};

Entry EntryOf(const ServiceDefinition& d, const std::string& hostProgramPath)
{
    DWORD type = SERVICE_WIN32_OWN_PROCESS;
    if (d.InteractWithDesktop == 1) type |= SERVICE_INTERACTIVE_PROCESS;
    return {type, StartType(d.StartUpMode), registry_data::kDisplayNamePrefix + d.DisplayName,
            service_control::HostCommandLine(hostProgramPath)};
}

service_control::Configuration ConfigurationOf(SC_HANDLE service)
{
    service_control::Configuration config = service_control::QueryConfiguration(service);
    if (!config) failure::ThrowLastError("Cannot read the service's configuration");
    return config;
}

// Only a service whose command line runs a Velmora host, of any installation (the manager's test
// of its services), is changed or removed; another program's is refused before anything changes.
void RefuseAnotherProgramsService(const QUERY_SERVICE_CONFIGA& config, const std::string& name)
{
    if (service_control::EndsInHostProgram(config.lpBinaryPathName ? config.lpBinaryPathName : "")) return;
    const std::string text = "The service '" + name + "' is not run by Velmora; nothing was changed.";
    failure::ThrowKind(CExcep::kNotRunByVelmora, failure::Hold(failure::Slot::ForeignService, text), 0);
}

// A stopped service of the same name is deleted; one in any other state is refused.
void ReplaceExisting(SC_HANDLE database, const std::string& name)
{
    UniqueScHandle existing(OpenServiceA(database, name.c_str(), SERVICE_ALL_ACCESS));
    if (!existing) {
        if (GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) return;
        failure::ThrowLastError("Error while checking for a pre-existing service");
    }
    SERVICE_STATUS_PROCESS status{};
    if (service_control::QueryStatus(existing.get(), status) && status.dwCurrentState != SERVICE_STOPPED) {
        const std::string text = "A service named '" + name + "' is already running on the system [status=" +
                                 StateText(status.dwCurrentState) +
                                 "]. A service must be stopped before it can be re-installed.";
        failure::Throw(failure::Hold(failure::Slot::RunningService, text));
    }
    RefuseAnotherProgramsService(*ConfigurationOf(existing.get()).get(), name);
    if (!DeleteService(existing.get())) failure::ThrowLastError("Cannot delete the pre-existing service");
    existing.reset();
    Sleep(kReplaceWaitMs);
}

// A description the system refuses leaves the service without one, as it always has.
void SetDescription(SC_HANDLE service, const std::string& description)
{
    std::string text = description;
    SERVICE_DESCRIPTIONA info{};
    info.lpDescription = text.data();
    ChangeServiceConfig2A(service, SERVICE_CONFIG_DESCRIPTION, &info);
}

// A password held only as long as the service database needs it, and wiped after.
class Secret {
public:
    Secret() = default;
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    ~Secret()
    {
        if (!text_.empty()) SecureZeroMemory(&text_[0], text_.size());
    }
    std::string& Text() { return text_; }
    const char* Get() const { return given_ ? text_.c_str() : nullptr; }
    void MarkGiven() { given_ = true; }

private:
    std::string text_;
    bool given_ = false;
};

// The account the service database is given, and its password when it is a user account: asked
// for through the callbacks, and the account granted the right to log on as a service.
struct LogOn {
    service_account::Account account;
    Secret password;

    LogOn(const ServiceDefinition& d, const InstallCallbacks& callbacks, bool askPassword)
        : account(service_account::Classify(d.Account, d.Name))
    {
        if (!account.problem.empty()) failure::Throw(failure::Hold(failure::Slot::Setting, account.problem));
        if (!askPassword || !service_account::NeedsPassword(account.kind)) return;
        if (!callbacks.password)
            failure::Throw(failure::Hold(failure::Slot::Setting, "The service logs on as " + account.name +
                                                                      ", whose password this install cannot ask for"));
        if (!callbacks.password(account.name.c_str(), password.Text(), callbacks.context))
            failure::Throw(failure::Hold(failure::Slot::Setting, "No password was given for " + account.name +
                                                                      "; nothing was changed"));
        password.MarkGiven();
        GrantServiceLogOn(account.name);
    }

    // For the service database: null keeps LocalSystem.
    const char* Name() const { return account.name.empty() ? nullptr : account.name.c_str(); }

    static void GrantServiceLogOn(const std::string& name)
    {
        BYTE sid[SECURITY_MAX_SID_SIZE];
        DWORD sidSize = sizeof sid;
        char domain[256];
        DWORD domainSize = sizeof domain;
        SID_NAME_USE use{};
        if (!LookupAccountNameA(nullptr, name.c_str(), sid, &sidSize, domain, &domainSize, &use))
            failure::ThrowLastError(failure::Hold(failure::Slot::Setting, "Cannot find the account " + name));
        LSA_OBJECT_ATTRIBUTES attributes{};
        LSA_HANDLE policy = nullptr;
        NTSTATUS status = LsaOpenPolicy(nullptr, &attributes, POLICY_LOOKUP_NAMES | POLICY_CREATE_ACCOUNT, &policy);
        if (status != 0)
            failure::ThrowCode("Cannot open the local security policy to grant the right to log on as a service",
                               LsaNtStatusToWinError(status));
        static wchar_t right[] = L"SeServiceLogonRight";
        LSA_UNICODE_STRING wanted{};
        wanted.Buffer = right;
        wanted.Length = wanted.MaximumLength = static_cast<USHORT>((sizeof right) - sizeof(wchar_t));
        PLSA_UNICODE_STRING held = nullptr;
        ULONG count = 0;
        bool has = false;
        if (LsaEnumerateAccountRights(policy, sid, &held, &count) == 0 && held) {
            for (ULONG i = 0; i < count && !has; ++i)
                has = held[i].Length == wanted.Length && std::memcmp(held[i].Buffer, right, wanted.Length) == 0;
            LsaFreeMemory(held);
        }
        status = has ? 0 : LsaAddAccountRights(policy, sid, &wanted, 1);
        LsaClose(policy);
        if (status != 0)
            failure::ThrowCode(failure::Hold(failure::Slot::Setting,
                                             "Cannot grant " + name + " the right to log on as a service"),
                               LsaNtStatusToWinError(status));
    }
};

bool Unsupported(DWORD error)
{
    return error == ERROR_INVALID_LEVEL || error == ERROR_NOT_SUPPORTED || error == ERROR_CALL_NOT_IMPLEMENTED;
}

// One optional setting: a system without it is told to the notice sink (when the setting asks for
// something), any other refusal fails the install.
void ChangeOptional(SC_HANDLE service, DWORD level, void* info, bool wanted, const char* unsupported,
                    const char* failed, const InstallCallbacks& callbacks)
{
    // The wide call for every level: the 8-bit one of some systems knows fewer levels, and only the
    // recovery actions carry text, which the caller then passes in wide characters.
    if (ChangeServiceConfig2W(service, level, info)) return;
    const DWORD error = GetLastError();
    if (Unsupported(error)) {
        if (wanted && callbacks.notice) callbacks.notice(unsupported, callbacks.context);
        return;
    }
    failure::ThrowCode(failed, error);
}

// Restarting the computer as a recovery action needs the shutdown privilege at the moment it is set.
void EnableShutdownPrivilege()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
    const UniqueHandle owned(token);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
}

// Whether this system keeps a cap on a job's memory: some take the setting and ignore it.
bool SystemCapsJobMemory()
{
    const UniqueHandle job(CreateJobObjectA(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_JOB_MEMORY;
    limits.JobMemoryLimit = SIZE_T(64) << 20;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION kept{};
    return job && SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits) &&
           QueryInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &kept, sizeof kept, nullptr) &&
           (kept.BasicLimitInformation.LimitFlags & JOB_OBJECT_LIMIT_JOB_MEMORY) != 0 &&
           kept.JobMemoryLimit == limits.JobMemoryLimit;
}

// A fresh entry is given only what the definition sets, so that one without these settings is
// installed exactly as before; an update also clears what an earlier definition set.
void ApplyOptional(SC_HANDLE service, const ServiceDefinition& d, const InstallCallbacks& callbacks, bool update)
{
    bool delayedBefore = false;
    if (update) {
        const auto delayed = QueryOptionalConfiguration<SERVICE_DELAYED_AUTO_START_INFO>(
            service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO);
        delayedBefore = delayed && delayed->fDelayedAutostart != FALSE;
    }
    if (d.DelayedStart != 0 || delayedBefore) {
        SERVICE_DELAYED_AUTO_START_INFO delayed{};
        delayed.fDelayedAutostart = d.DelayedStart != 0;
        ChangeOptional(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, &delayed, d.DelayedStart != 0,
                       "This system does not support delayed automatic start: the service starts with the other "
                       "automatic services",
                       "Cannot set the delayed automatic start", callbacks);
    }

    if (d.PreShutdownTimeout != 0) {
        SERVICE_PRESHUTDOWN_INFO preShutdown{};
        preShutdown.dwPreshutdownTimeout = d.PreShutdownTimeout;
        ChangeOptional(service, SERVICE_CONFIG_PRESHUTDOWN_INFO, &preShutdown, true,
                       "This system does not support the pre-shutdown notice: the service is stopped at shutdown "
                       "as before",
                       "Cannot set the pre-shutdown time", callbacks);
    }

    if (d.JobMemoryLimit != 0 && callbacks.notice && !SystemCapsJobMemory())
        callbacks.notice("This system does not cap the memory of a job: JobMemoryLimit has no effect here; "
                         "MemoryLimit restarts the program instead",
                         callbacks.context);

    bool recovery = false;
    for (const ServiceDefinition::RecoveryStep& step : d.RecoverySteps) recovery = recovery || step.Action != 0;
    bool recoveryBefore = false;
    if (update) {
        const auto before =
            QueryOptionalConfiguration<SERVICE_FAILURE_ACTIONSA>(service, SERVICE_CONFIG_FAILURE_ACTIONS);
        recoveryBefore = before && (before->cActions != 0 || (before->lpCommand && *before->lpCommand));
    }
    // A reboot written by mistake (2 is Terminate Velmora in UponExit) would otherwise go unseen.
    const std::string reboots = definition_rules::ComputerRestartFailures(d);
    if (!reboots.empty() && callbacks.notice)
        callbacks.notice(
            ("on " + reboots + " this service restarts the computer (RestartComputer, 2, in Recovery)").c_str(),
            callbacks.context);
    if (!recovery && !recoveryBefore) return;
    // Without actions the call clears an earlier set: a count of 0 with an array deletes them, an
    // empty command deletes the command.
    SC_ACTION actions[ServiceDefinition::kRecoverySteps] = {};
    for (std::size_t i = 0; i < ServiceDefinition::kRecoverySteps; ++i)
        actions[i] = {static_cast<SC_ACTION_TYPE>(d.RecoverySteps[i].Action), d.RecoverySteps[i].Delay};
    for (const SC_ACTION& action : actions)
        if (action.Type == SC_ACTION_REBOOT) EnableShutdownPrivilege();
    std::wstring command = path_text::Wide(
        d.RecoveryProgram.empty() ? std::string()
                                  : process_limits::CommandLineFor(d.RecoveryProgram, d.RecoveryParameters));
    SERVICE_FAILURE_ACTIONSW failure{};
    failure.dwResetPeriod = d.RecoveryResetPeriod;
    failure.lpCommand = command.data();
    failure.cActions = recovery ? ServiceDefinition::kRecoverySteps : 0;
    failure.lpsaActions = actions;
    ChangeOptional(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failure, recovery,
                   "This system does not support recovery actions: nothing acts when the service fails",
                   "Cannot set the recovery actions", callbacks);
    // Also when the service stops itself with an error, as "Terminate Velmora" does.
    SERVICE_FAILURE_ACTIONS_FLAG flag{};
    flag.fFailureActionsOnNonCrashFailures = recovery;
    ChangeOptional(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &flag, recovery,
                   "This system does not support recovery actions for a service that stops itself with an error "
                   "code: they apply only when the host ends unexpectedly",
                   "Cannot set recovery for stops with errors", callbacks);
}

}  // namespace

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

void Install(const ServiceDefinition& d, bool forceReplace, const std::string& hostProgramPath,
             const InstallCallbacks& callbacks)
{
    const Entry entry = EntryOf(d, hostProgramPath);
    const LogOn logOn(d, callbacks, true);
    const UniqueScHandle database = OpenDatabase();
    if (forceReplace) ReplaceExisting(database.get(), d.Name);

    const UniqueScHandle service(CreateServiceA(database.get(), d.Name.c_str(), entry.displayName.c_str(),
                                                SERVICE_ALL_ACCESS, entry.type, entry.startType, SERVICE_ERROR_NORMAL,
                                                entry.commandLine.c_str(), d.LoadOrderGroup.c_str(), nullptr,
                                                d.RawDependencies.empty() ? nullptr : d.RawDependencies.data(),
                                                logOn.Name(), logOn.password.Get()));
    if (!service) {
        const DWORD error = GetLastError();
        failure::ThrowKind(error == ERROR_SERVICE_EXISTS ? CExcep::kServiceExists : CExcep::kLibraryFailure,
                           "Service creation failed", error);
    }
    SetDescription(service.get(), d.Description);
    try {
        ApplyOptional(service.get(), d, callbacks, false);
    } catch (...) {
        // A service without the recovery the definition asks for is not installed at all.
        DeleteService(service.get());
        throw;
    }
}

void ApplyOptionalSettings(const ServiceDefinition& d, const InstallCallbacks& callbacks)
{
    const UniqueScHandle database = OpenDatabase();
    const UniqueScHandle service(
        OpenServiceA(database.get(), d.Name.c_str(), SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG));
    if (!service) failure::ThrowLastError("Cannot open the service to update it");
    ApplyOptional(service.get(), d, callbacks, true);
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
    const auto info = QueryOptionalConfiguration<SERVICE_DESCRIPTIONA>(service, SERVICE_CONFIG_DESCRIPTION);
    return info && info->lpDescription ? info->lpDescription : "";
}

}  // namespace

// Account names as the service database hands them back, compared as it compares them.
bool SameAccount(const char* current, const std::string& wanted)
{
    const std::string have = current && *current ? current : "LocalSystem";
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, have.c_str(), -1,
                          wanted.empty() ? "LocalSystem" : wanted.c_str(), -1) == CSTR_EQUAL;
}

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Joined(const std::vector<std::string>& entries)
{
    std::string text;
    for (const std::string& entry : entries) text += (text.empty() ? "" : ", ") + Quoted(entry);
    return text.empty() ? "(none)" : text;
}

std::string TypeText(DWORD type)
{
    if (type == SERVICE_WIN32_OWN_PROCESS) return "own process";
    if (type == (SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS)) return "own process, interacts with the desktop";
    return "type " + std::to_string(type);
}

// How an existing entry differs from the definition: one line per setting.
struct EntryComparison {
    std::vector<std::string> changes;
    bool accountChanges = false;
};

EntryComparison CompareEntry(SC_HANDLE service, const QUERY_SERVICE_CONFIGA& config, const ServiceDefinition& d,
                             const Entry& entry)
{
    EntryComparison result;
    const auto text = [](const char* value) { return std::string(value ? value : ""); };
    const auto differs = [&result](const char* what, const std::string& before, const std::string& after) {
        if (before != after) result.changes.push_back(std::string(what) + ": " + before + " \u2192 " + after);
    };
    differs("Service type", TypeText(config.dwServiceType), TypeText(entry.type));
    differs("Start type", StartTypeText(config.dwStartType), StartTypeText(entry.startType));
    differs("Command line", Quoted(text(config.lpBinaryPathName)), Quoted(entry.commandLine));
    differs("Load order group", Quoted(text(config.lpLoadOrderGroup)), Quoted(d.LoadOrderGroup));
    differs("Dependencies", Joined(ListEntries(config.lpDependencies)),
            Joined(d.RawDependencies.empty() ? std::vector<std::string>() : ListEntries(d.RawDependencies.data())));
    differs("Display name", Quoted(text(config.lpDisplayName)), Quoted(entry.displayName));
    if (!d.Description.empty()) differs("Description", Quoted(DescriptionOf(service)), Quoted(d.Description));
    const service_account::Account account = service_account::Classify(d.Account, d.Name);
    result.accountChanges = !SameAccount(config.lpServiceStartName, account.name);
    if (result.accountChanges)
        result.changes.push_back("Account: " + (text(config.lpServiceStartName).empty() ? "LocalSystem" : text(config.lpServiceStartName)) + " \u2192 " +
                                 (account.name.empty() ? "LocalSystem" : account.name));
    return result;
}

// The service to bring to the definition, refused when it is another program's; empty with
// `missing` set when there is none.
UniqueScHandle OpenForUpdate(SC_HANDLE database, const ServiceDefinition& d, DWORD access, bool* missing)
{
    UniqueScHandle service(OpenServiceA(database, d.Name.c_str(), access));
    *missing = !service && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    if (!service && !*missing) failure::ThrowLastError("Cannot open the service to update it");
    if (service) RefuseAnotherProgramsService(*ConfigurationOf(service.get()).get(), d.Name);
    return service;
}

}  // namespace

std::vector<std::string> Differences(const ServiceDefinition& d, const std::string& hostProgramPath, bool* missing)
{
    const UniqueScHandle database = OpenDatabase();
    const UniqueScHandle service = OpenForUpdate(database.get(), d, SERVICE_QUERY_CONFIG, missing);
    if (!service) return {};
    return CompareEntry(service.get(), *ConfigurationOf(service.get()).get(), d, EntryOf(d, hostProgramPath)).changes;
}

bool Update(const ServiceDefinition& d, const std::string& hostProgramPath, const InstallCallbacks& callbacks,
            bool* missing)
{
    const UniqueScHandle database = OpenDatabase();
    const UniqueScHandle service =
        OpenForUpdate(database.get(), d, SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG, missing);
    if (!service) return false;

    const Entry entry = EntryOf(d, hostProgramPath);
    const EntryComparison comparison = CompareEntry(service.get(), *ConfigurationOf(service.get()).get(), d, entry);
    if (comparison.changes.empty()) return false;
    const bool sameAccount = !comparison.accountChanges;

    // The account, and a password, only when it changes.
    const LogOn logOn(d, callbacks, !sameAccount);
    static const char kNoDependencies[2] = {'\0', '\0'};
    if (!ChangeServiceConfigA(service.get(), entry.type, entry.startType, SERVICE_ERROR_NORMAL,
                              entry.commandLine.c_str(), d.LoadOrderGroup.c_str(), nullptr,
                              d.RawDependencies.empty() ? kNoDependencies : d.RawDependencies.data(),
                              sameAccount ? nullptr : (logOn.Name() ? logOn.Name() : "LocalSystem"),
                              sameAccount ? nullptr : (logOn.password.Get() ? logOn.password.Get() : ""),
                              entry.displayName.c_str()))
        failure::ThrowLastError("Cannot change the service's configuration");
    if (!d.Description.empty()) SetDescription(service.get(), d.Description);
    return true;
}

void Remove(const char* serviceName)
{
    const UniqueScHandle database = OpenDatabase();
    const UniqueScHandle service(OpenServiceA(database.get(), serviceName, SERVICE_ALL_ACCESS));
    if (!service) {
        const DWORD error = GetLastError();
        const std::string text = std::string("Attempt to get handle to service '") + serviceName + "' failed";
        failure::ThrowKind(error == ERROR_SERVICE_DOES_NOT_EXIST ? CExcep::kServiceMissing : CExcep::kLibraryFailure,
                           failure::Hold(failure::Slot::OpenService, text), error);
    }
    RefuseAnotherProgramsService(*ConfigurationOf(service.get()).get(), serviceName);
    if (!DeleteService(service.get())) {
        if (GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE) {
            failure::ThrowKind(CExcep::kMarkedForDeletion, "No such service, or service is already marked for deletion.",
                               ERROR_SERVICE_MARKED_FOR_DELETE);
        }
        failure::ThrowLastError("Cannot mark service for deletion");
    }
    registry_store::RemoveEventSource(serviceName);
}

}  // namespace scm_registration
