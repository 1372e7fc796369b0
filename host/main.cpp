#include <windows.h>

#include <cstdio>
#include <string>

#include "CommandLine.h"
#include "PasswordPrompt_win.h"
#include "Quillon.h"
#include "ServiceCommands_win.h"
#include "ServiceHost_win.h"
#include "Supervisor_win.h"
#include "VelmoraVersion.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr std::size_t kMaxServiceName = 256;

// The manager shows standard output as the failure details, so everything goes there.
int ReportFailure(const CExcep& e)
{
    std::string detail = e.detail ? e.detail : "";
    while (!detail.empty() && (detail.back() == '\n' || detail.back() == '\r')) detail.pop_back();
    std::printf("Error: %s\nDetail: %s\n", e.message ? e.message : "", detail.c_str());
    std::fflush(stdout);
    return kExitFailure;
}

int Install(const std::string& file)
{
    if (!host::MayChangeServices()) return kExitFailure;
    char name[kMaxServiceName + 1] = {};
    try {
        ServiceInstallWith(file.c_str(), host::HostDirectory(), name, sizeof name, host::ConsoleCallbacks());
    } catch (const CExcep& e) {
        return ReportFailure(e);
    }
    std::printf("The service '%s' was installed.\n", name);
    return 0;
}

// Applies a definition in place; a running service that changed is restarted to take it.
int Update(const std::string& file)
{
    char name[kMaxServiceName + 1] = {};
    if (!host::MayChangeServices()) return kExitFailure;
    UpdateResult result = UpdateResult::Unchanged;
    try {
        result = ServiceUpdateWith(file.c_str(), host::HostDirectory(), name, sizeof name, host::ConsoleCallbacks());
    } catch (const CExcep& e) {
        return ReportFailure(e);
    }
    switch (result) {
    case UpdateResult::Unchanged: std::printf("The service '%s' is unchanged.\n", name); return 0;
    case UpdateResult::Installed: std::printf("The service '%s' was installed.\n", name); return 0;
    case UpdateResult::Updated: break;
    }
    std::printf("The service '%s' was updated.\n", name);
    std::fflush(stdout);
    return host::Restart(name, true);
}

int Uninstall(const std::string& name)
{
    if (!host::MayChangeServices()) return kExitFailure;
    try {
        ServiceUninstall(name.c_str());
    } catch (const CExcep& e) {
        return ReportFailure(e);
    }
    std::printf("The service '%s' was removed.\n", name.c_str());
    return 0;
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
    const host::Invocation invocation = host::ParseArguments(host::ArgumentsOf(GetCommandLineA()));
    switch (invocation.command) {
    case host::Command::Version:
        std::printf(VELMORA_PRODUCT " v" VELMORA_VERSION " Service Host\n");
        PrintQuillonVersion();
        return 0;
    case host::Command::Install:
        return Install(invocation.argument);
    case host::Command::Uninstall:
        return Uninstall(invocation.argument);
    case host::Command::Service:
        return host::RunServiceProcess();
    case host::Command::Console:
        return host::RunInConsole(invocation.argument.c_str());
    case host::Command::List:
        return host::ListServices(invocation.tabs);
    case host::Command::Status:
        return host::ShowStatus(invocation.argument);
    case host::Command::Start:
        return host::StartAndWait(invocation.argument);
    case host::Command::Stop:
        return host::StopAndWait(invocation.argument);
    case host::Command::Restart:
        return host::Restart(invocation.argument);
    case host::Command::Update:
        return Update(invocation.argument);
    case host::Command::Export:
        return host::ExportDefinition(invocation.argument, invocation.file);
    default:
        std::fputs(host::kUsage, stdout);
        return kExitUsage;
    }
}
