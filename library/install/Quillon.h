#pragma once

// The library's exported entry points and the definition record shared with the programs.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "QuillonExport.h"

// How every failure of the library reaches its caller: thrown by value.
struct QUILLON_API CExcep {
    static constexpr std::int32_t kLibraryFailure = 2;
    // The failures a caller acts on apart from the others; every other one is kLibraryFailure.
    static constexpr std::int32_t kServiceMissing = 3;      // no service of that name
    static constexpr std::int32_t kServiceExists = 4;       // an install found the name taken
    static constexpr std::int32_t kNotRunByVelmora = 5;     // another program's service: nothing changed
    static constexpr std::int32_t kMarkedForDeletion = 6;   // a removal found it already marked
    static constexpr std::int32_t kFileNotFound = 7;        // the definition file is not there
    // 260 characters of the system's text, in UTF-8 up to three bytes each.
    static constexpr std::size_t kSystemTextSize = 3 * 260;

    // `systemCode` 0 gives the detail "N/A"; any other code the system's text for it.
    CExcep(const char* message, unsigned long systemCode);
    // A copy's detail points into its own buffer, never into the object it was copied from.
    CExcep(const CExcep& other);
    CExcep& operator=(const CExcep& other);

    const char* message;
    const char* detail;
    std::int32_t code;
    char systemText[kSystemTextSize];
};

class QUILLON_API EnvironmentVariable {
public:
    EnvironmentVariable() = default;
    EnvironmentVariable(std::string name, std::string value) : name(std::move(name)), value(std::move(value)) {}
    EnvironmentVariable(const EnvironmentVariable&) = default;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = default;
    virtual ~EnvironmentVariable();

    std::string name;
    std::string value;
};

// The flat definition of one service: filled from a file or the registry, written to both.
struct QUILLON_API ServiceDefinition {
    // The time of a new definition's programs and of a program block a file leaves out; a block
    // a file has without its Delay takes 0, and a service without the registry value 0 too.
    static constexpr std::uint32_t kDefaultDelay = 3000;

    // One program run: the service program, or the one run before or after it.
    struct Invocation {
        std::string Executable;
        std::string WorkingDir;
        std::string Parameters;
        std::uint32_t Delay = kDefaultDelay;  // ms: start-up time, or execution time
    };

    Invocation Service;
    Invocation PreService;
    Invocation PostService;
    std::string Name;
    std::string DisplayName;
    std::string Description;
    std::uint32_t ConsoleApp = 0;
    std::uint32_t InteractWithDesktop = 0;
    std::uint32_t StartUpMode = 0;
    std::uint32_t ShowWindow = 0;
    std::uint32_t JobType = 1;
    std::string LoadOrderGroup;
    std::uint32_t SMFEnabled = 1;
    std::uint32_t SMFFrequency = 5000;
    std::uint32_t UponExit = 0;
    std::uint32_t AffinityMask = 0;
    std::uint32_t Priority = 0;
    std::vector<std::string> ServiceDependencies;
    std::vector<std::string> GroupDependencies;
    // Group entries ("+name"), then service entries, each zero-terminated, then one more zero;
    // empty when there are no dependencies. Its size is the block's byte count.
    std::vector<char> RawDependencies;
    std::vector<EnvironmentVariable> Environment;
    std::uint32_t EnvironmentSize = 0;  // bytes of the "name=value" block with all terminators
    std::uint32_t DebugEnabled = 0;
    std::string DebugLogFile;

    // The settings below are described in the settings table (library/definition/Settings.cpp),
    // which holds their defaults and limits; the initial values here are those defaults.

    // The programs' output, kept in files when a path is set; the same path for both streams
    // merges them. Rotation by size applies to the debug log too.
    std::string OutputFile;
    std::string ErrorFile;
    std::uint32_t RotateSize = 0;  // bytes; 0: never by size
    std::uint32_t RotateDaily = 0;
    std::uint32_t RotateKeep = 10;  // rotated files kept; older ones are deleted
    std::uint32_t OutputTimeStamp = 0;
    // With a folder, a program about to be ended for a failed liveness check or a hung window
    // is dumped there first (its whole memory with DumpFull); the newest DumpKeep dumps stay.
    std::string DumpFolder;
    std::uint32_t DumpKeep = 5;
    std::uint32_t DumpFull = 0;

    // Supervision: how long a stop waits for the program before ending it, the action an exit
    // code calls for (before UponExit, which decides for codes the list leaves out), and how many
    // restarts a period allows before the service stops as with "Terminate Velmora".
    struct ExitCodeAction {
        bool anyCode = false;  // the action for every code the list does not name
        std::uint32_t code = 0;
        std::uint32_t action = 0;  // as UponExit
        bool operator==(const ExitCodeAction& o) const
        {
            return anyCode == o.anyCode && code == o.code && action == o.action;
        }
    };
    std::uint32_t StopTimeout = 5000;  // ms
    std::vector<ExitCodeAction> ExitActions;
    std::uint32_t RestartLimit = 0;  // restarts within RestartPeriod; 0: no limit
    std::uint32_t RestartPeriod = 60000;  // ms
    // Graceful restarts of the program on a schedule: after RestartEvery ms of its run (0: off),
    // and every day at each RestartAt time ("HH:MM" local time, several joined by commas).
    std::uint32_t RestartEvery = 0;
    std::string RestartAt;
    // Run first when the service stops, for at most the stop timeout (its Delay is not used).
    Invocation StopService;
    // "%NAME%" in paths and parameters is expanded when the service starts.
    std::uint32_t ExpandVariables = 0;

    // The account the service logs on as: empty for LocalSystem, else a name as the service
    // database takes it ("NT AUTHORITY\LocalService", "NT SERVICE\<Name>", "DOMAIN\name$",
    // ".\user"). A user account's password is asked for at install and never kept here.
    std::string Account;
    // Automatic start-up after the other automatic services, when StartUpMode is automatic.
    std::uint32_t DelayedStart = 0;
    // ms the system waits for the stop before it shuts down; 0: the host is told only at shutdown.
    std::uint32_t PreShutdownTimeout = 0;

    // What the service database does when the service fails (its host ends unexpectedly, or it
    // stops with an exit code other than 0): per failure (the first, the second, every later
    // one), an SC_ACTION_TYPE number (0 none, 1 restart the service, 2 restart the computer, 3 run
    // the recovery program) after its delay; the failure count returns to 0 after a period
    // without failures.
    static constexpr std::uint32_t kRecoveryRunProgram = 3;
    struct RecoveryStep {
        std::uint32_t Action = 0;
        std::uint32_t Delay = 60000;  // ms
    };
    static constexpr std::size_t kRecoverySteps = 3;
    RecoveryStep RecoverySteps[kRecoverySteps];
    std::uint32_t RecoveryResetPeriod = 86400;  // s, a day
    std::string RecoveryProgram;
    std::string RecoveryParameters;

    // Health: a check the program must pass before the service reports running, and one it
    // must keep passing while it runs (health_check::Parse reads both), with their times in ms.
    // After LiveFailures failures in a row the host acts as LiveAction says (as UponExit).
    // HungWindow: ms a top-level window of the program may leave messages unanswered; 0: off.
    std::string ReadyCheck;
    std::uint32_t ReadyTimeout = 60000;
    std::string LiveCheck;
    std::uint32_t LiveInterval = 10000;
    std::uint32_t LiveTimeout = 5000;
    std::uint32_t LiveFailures = 3;
    std::uint32_t LiveGrace = 0;  // after each start, failures are not counted
    std::uint32_t LiveAction = 1;
    std::uint32_t HungWindow = 0;
    std::uint32_t HealthInsecure = 0;  // https: a certificate that does not verify still passes

    // Limits: the program and its descendants are acted on (as LimitAction says, as UponExit)
    // once their private memory (MB), CPU (percent of the machine) or handle count stays above
    // its limit for its period (ms); 0: no limit. JobMemoryLimit (MB) caps the job's committed
    // memory outright, which needs a job.
    std::uint32_t MemoryLimit = 0;
    std::uint32_t MemoryPeriod = 60000;
    std::uint32_t CpuLimit = 0;
    std::uint32_t CpuPeriod = 300000;
    std::uint32_t HandleLimit = 0;
    std::uint32_t LimitAction = 1;
    std::uint32_t JobMemoryLimit = 0;

    // Notify: programs run (Hook) and URLs posted to (Webhook) on the events their On lists
    // ("Start,Restart"), in the order written; each hook may take HookTimeout ms.
    struct Notification {
        bool webhook = false;
        std::string on;
        std::string header;  // Webhook: one "Name: value" header, or empty
        std::string target;  // Hook: a command line; Webhook: an http:// or https:// URL
        bool operator==(const Notification& o) const
        {
            return webhook == o.webhook && on == o.on && header == o.header && target == o.target;
        }
    };
    std::vector<Notification> Notifications;
    std::uint32_t HookTimeout = 30000;
};

// The exports keep plain, undecorated names.
extern "C" {

// Reads, checks and converts a definition file (".xml" may be left off) into `definition`,
// which must be fresh or reset. Definition errors go into the exception text when
// `errorsInException` is set, else to standard output before the exception.
QUILLON_API void LoadXMLFile(const char* fileName, ServiceDefinition* definition, unsigned char* forceReplace,
                             unsigned char errorsInException);

// Installs the service a definition file describes. The service's name is copied into
// `serviceName` (room for `serviceNameSize` bytes with the terminator) as soon as it is known.
QUILLON_API void ServiceInstall(const char* fileName, const std::string& hostDirectory, char* serviceName,
                                std::size_t serviceNameSize);

// What an install may need from the program running it. Either function may be left out: with no
// password source, a definition naming a user account is refused; with no notice sink, notices
// are dropped.
struct InstallCallbacks {
    // Asked, once the definition has passed its checks and before anything changes, for the
    // password of the user account the service is to log on as. Returns false when none is given,
    // which stops the install. The library wipes the password once the service database has it.
    bool (*password)(const char* account, std::string& password, void* context) = nullptr;
    // Told of a setting this system does not support, the install going on without it, and of a
    // recovery that restarts the computer.
    void (*notice)(const char* text, void* context) = nullptr;
    void* context = nullptr;
};

// ServiceInstall with a password source and a notice sink.
QUILLON_API void ServiceInstallWith(const char* fileName, const std::string& hostDirectory, char* serviceName,
                                    std::size_t serviceNameSize, const InstallCallbacks& callbacks);

// What ServiceUpdate did.
enum class UpdateResult { Unchanged, Updated, Installed };

// Applies a definition file to the service it names without deleting it: the same checks as
// ServiceInstall, then the service entry changed in place and its Parameters rewritten (values
// the definition does not set removed). Touches nothing when the service already is as the
// definition says (Unchanged), and installs the service when there is none (Installed).
QUILLON_API UpdateResult ServiceUpdate(const char* fileName, const std::string& hostDirectory, char* serviceName,
                                       std::size_t serviceNameSize);
// ServiceUpdate with a password source (asked only when the account changes to a user account)
// and a notice sink.
QUILLON_API UpdateResult ServiceUpdateWith(const char* fileName, const std::string& hostDirectory, char* serviceName,
                                           std::size_t serviceNameSize, const InstallCallbacks& callbacks);

// What applying a definition file would change, without changing anything: one line per setting
// of the service entry or its Parameters that differs ("name: old → new"; a password is never
// known here, environment values are not shown). Installed means that there is no such service.
QUILLON_API UpdateResult ServicePreviewUpdate(const char* fileName, const std::string& hostDirectory,
                                              char* serviceName, std::size_t serviceNameSize,
                                              std::vector<std::string>* changes);

// Marks an installed service for deletion and drops its event-log source (a missing source is no
// failure). A service whose command line runs no Velmora host is refused and left as it is.
QUILLON_API void ServiceUninstall(const char* serviceName);

QUILLON_API void PrintQuillonVersion();

}  // extern "C"
