#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "PasswordPrompt_win.h"
#include "Quillon.h"
#include "ScmRegistration.h"
#include "ServiceCommandLine.h"
#include "ServiceCommands_win.h"
#include "ServiceControl_win.h"
#include "ServiceHost_win.h"
#include "Supervisor_win.h"
#include "UniqueResource.h"
#include "UpgradeCommands_win.h"
#include "VelmoraVersion.h"

namespace {

using namespace host::command_exit;

constexpr std::size_t kMaxServiceName = 256;

// The exit code for a library failure the caller can tell apart.
int ExitFor(const CExcep& e)
{
    switch (e.code) {
    case CExcep::kServiceMissing: return kNotInstalled;
    case CExcep::kNotRunByVelmora: return kNotRunByVelmora;
    default: return kFailed;
    }
}

// -v, -i and -u print on standard output, which the manager shows as the failure details; the
// later commands print their diagnostics on standard error.
int ReportFailure(const CExcep& e, std::FILE* out)
{
    std::string message = e.message ? e.message : "";
    std::string detail = e.detail ? e.detail : "";
    for (std::string* text : {&message, &detail})
        while (!text->empty() && (text->back() == '\n' || text->back() == '\r')) text->pop_back();
    std::fprintf(out, "Error: %s\nDetail: %s\n", message.c_str(), detail.c_str());
    std::fflush(out);
    return ExitFor(e);
}

// Whether the service of that name is one of Velmora's (any installation), or is not there.
bool RunByVelmora(const std::string& name)
{
    const UniqueScHandle database(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    const UniqueScHandle service(OpenServiceA(database.get(), name.c_str(), SERVICE_QUERY_CONFIG));
    const service_control::Configuration config =
        service ? service_control::QueryConfiguration(service.get()) : service_control::Configuration();
    return !config || service_control::EndsInHostProgram(config->lpBinaryPathName ? config->lpBinaryPathName : "");
}

int Install(const std::string& file)
{
    if (!host::MayChangeServices(stdout)) return kNeedsAdministrator;
    char name[kMaxServiceName + 1] = {};
    try {
        ServiceInstallWith(file.c_str(), host::HostDirectory(), name, sizeof name, host::ConsoleCallbacks(stdout));
    } catch (const CExcep& e) {
        const int code = ReportFailure(e, stdout);
        // The library's text stays as it was; what to do next comes on a line of its own.
        if (e.code == CExcep::kFileNotFound) {
            std::printf("The definition file '%s' was not found.\n", file.c_str());
        } else if (e.code == CExcep::kServiceExists && RunByVelmora(name)) {
            std::printf("The service '%s' is already installed: \"Velmora -update %s\" changes it in place, or "
                        "<ForceReplace>true</ForceReplace> in the definition replaces it.\n",
                        name, file.c_str());
        } else if (e.code == CExcep::kServiceExists) {
            std::printf("The service '%s' is not run by Velmora; nothing was changed.\n", name);
            return kNotRunByVelmora;
        }
        return code;
    }
    std::printf("The service '%s' was installed.\n", name);
    return kDone;
}

int PreviewUpdate(const std::string& file)
{
    char name[kMaxServiceName + 1] = {};
    std::vector<std::string> changes;
    UpdateResult result = UpdateResult::Unchanged;
    try {
        result = ServicePreviewUpdate(file.c_str(), host::HostDirectory(), name, sizeof name, &changes);
    } catch (const CExcep& e) {
        return ReportFailure(e, stderr);
    }
    switch (result) {
    case UpdateResult::Unchanged: std::printf("The service '%s' is unchanged.\n", name); return kDone;
    case UpdateResult::Installed:
        std::printf("The service '%s' is not installed; applying the definition installs it.\n", name);
        return kWouldChange;
    case UpdateResult::Updated: break;
    }
    for (const std::string& change : changes) std::printf("%s\n", change.c_str());
    return kWouldChange;
}

// Applies a definition in place; a running service that changed is restarted to take it.
int Update(const std::string& file, bool whatIf)
{
    if (!host::MayChangeServices(stderr)) return kNeedsAdministrator;
    if (whatIf) return PreviewUpdate(file);
    char name[kMaxServiceName + 1] = {};
    UpdateResult result = UpdateResult::Unchanged;
    try {
        result = ServiceUpdateWith(file.c_str(), host::HostDirectory(), name, sizeof name, host::ConsoleCallbacks(stderr));
    } catch (const CExcep& e) {
        return ReportFailure(e, stderr);
    }
    switch (result) {
    case UpdateResult::Unchanged: std::printf("The service '%s' is unchanged.\n", name); return kDone;
    case UpdateResult::Installed: std::printf("The service '%s' was installed.\n", name); return kDone;
    case UpdateResult::Updated: break;
    }
    std::printf("The service '%s' was updated.\n", name);
    std::fflush(stdout);
    return host::Restart(name, true);
}

int Uninstall(const std::string& given)
{
    if (!host::MayChangeServices(stdout)) return kNeedsAdministrator;
    // The name as the service control manager holds it; the library says when there is none.
    std::string name = given;
    DWORD state = SERVICE_STOPPED;
    if (host::FindService(given, name, state, true) != kDone) {
        name = given;
        state = SERVICE_STOPPED;
    }
    // A running service is stopped first, so that its entry goes at once; another program's is
    // left for the library to refuse, untouched.
    if (state != SERVICE_STOPPED && RunByVelmora(name)) {
        const int stopped = host::StopAndWait(name);
        // One gone in the meantime is the library's to report.
        if (stopped != kDone && stopped != kNotInstalled) {
            std::printf("The service '%s' did not stop; nothing was removed.\n", name.c_str());
            return stopped;
        }
    }
    try {
        ServiceUninstall(name.c_str());
    } catch (const CExcep& e) {
        if (e.code == CExcep::kMarkedForDeletion) {
            std::printf("Note: The service '%s' is already marked for deletion; it goes when it has stopped and "
                        "no program holds it open.\n", name.c_str());
            return kDone;
        }
        return ReportFailure(e, stdout);
    }
    std::fflush(stdout);
    if (!host::WaitUntilRemoved(name)) {
        std::printf("Note: The service '%s' is marked for deletion; it goes when no program holds it open any "
                    "more.\n", name.c_str());
        return kDone;
    }
    std::printf("The service '%s' was removed.\n", name.c_str());
    return kDone;
}

bool IsFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// -c: an installed service, or a definition file, run in this console; never a second copy of a
// service that runs. It prints on standard output, as the supervision it runs does.
int Console(const std::string& argument)
{
    ServiceDefinition definition;
    const bool fromFile = IsFile(argument);
    std::string name = argument;
    if (fromFile) {
        unsigned char forceReplace = 0;
        try {
            LoadXMLFile(argument.c_str(), &definition, &forceReplace, 1);
        } catch (const CExcep& e) {
            return ReportFailure(e, stdout);
        }
        name = definition.Name;
    }
    // A definition is tried before it is installed: no service of its name is no failure.
    DWORD state = SERVICE_STOPPED;
    const std::string given = name;
    const int found = host::FindService(given, name, state, fromFile);
    if (found != kDone && !(fromFile && found == kNotInstalled)) return found;
    if (state != SERVICE_STOPPED) {
        std::printf("The service '%s' is running; stop it first.\n", name.c_str());
        return kServiceRunning;
    }
    const int code = host::RunInConsole(name.c_str(), fromFile ? &definition : nullptr);
    if (code == 0) return kDone;
    std::printf("The service would have stopped with service-specific exit code %s.\n",
                 host::ServiceExitText(static_cast<DWORD>(code)).c_str());
    return kFailed;
}

// The texts are UTF-8 (the program's code page); a console shows them so only with its output
// code page set, and gets its own back when the command ends.
class ConsoleInUtf8 {
public:
    ConsoleInUtf8() : previous_(GetConsoleOutputCP())
    {
        if (previous_ != 0 && previous_ != CP_UTF8) SetConsoleOutputCP(CP_UTF8);
    }
    ~ConsoleInUtf8()
    {
        if (previous_ != 0 && previous_ != CP_UTF8) SetConsoleOutputCP(previous_);
    }
    ConsoleInUtf8(const ConsoleInUtf8&) = delete;
    ConsoleInUtf8& operator=(const ConsoleInUtf8&) = delete;

private:
    const UINT previous_;
};

}  // namespace

int main()
{
    const ConsoleInUtf8 console;
    // Unbuffered, as standard error is meant to be: progress and errors appear when they happen,
    // also in a redirected stream.
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    const host::Invocation invocation = host::ParseArguments(host::ArgumentsOf(GetCommandLineA()));
    switch (invocation.command) {
    case host::Command::Help:
        std::fputs(host::kUsage, stdout);
        return kDone;
    case host::Command::Version:
        std::printf(VELMORA_PRODUCT " v" VELMORA_VERSION " Service Host\n");
        PrintQuillonVersion();
        return kDone;
    case host::Command::Install:
        return Install(invocation.argument);
    case host::Command::Uninstall:
        return Uninstall(invocation.argument);
    case host::Command::Service:
        return host::RunServiceProcess();
    case host::Command::Console:
        return Console(invocation.argument);
    case host::Command::List:
        return host::ListServices(invocation.tabs, invocation.json);
    case host::Command::Status:
        return host::ShowStatus(invocation.argument, invocation.json);
    case host::Command::Start:
        return host::StartAndWait(invocation.argument);
    case host::Command::Stop:
        return host::StopAndWait(invocation.argument);
    case host::Command::Restart:
        return host::Restart(invocation.argument);
    case host::Command::Update:
        return Update(invocation.argument, invocation.whatIf);
    case host::Command::Export:
        return host::ExportDefinition(invocation.argument, invocation.file);
    case host::Command::StopAll:
        return host::StopAllServices();
    case host::Command::StartStopped:
        return host::StartStoppedServices();
    case host::Command::CheckUninstall:
        return host::CheckUninstall(invocation.messageBox);
    case host::Command::Password:
        return host::ChangePassword(invocation.argument);
    case host::Command::Usage:
        break;
    }
    std::fprintf(stderr, "Error: %s.\n%s", invocation.error.c_str(), host::kUsage);
    return kUsage;
}
