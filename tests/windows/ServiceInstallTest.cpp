#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Definitions.h"
#include "Quillon.h"
#include "WinTestUtil.h"

namespace {

// Services created during a test carry lower-case names: Wine's service manager finds a service
// created since it started only by its name in lower case (after a restart, by any case).

const char kHostNoBlank[] = "C:\\VelmoraHost";
const char kHostWithBlank[] = "C:\\Program Files\\Velmora Host";

struct Config {
    DWORD type = 0;
    DWORD startType = 0;
    std::string binaryPath, group, displayName, description, startName;
};

Config QueryConfig(const char* name)
{
    Config c;
    UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle service(OpenServiceA(scm.get(), name, SERVICE_QUERY_CONFIG));
    if (!service) {
        ADD_FAILURE() << "cannot open " << name << ": " << GetLastError();
        return c;
    }
    std::vector<char> buffer(8192);
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!QueryServiceConfigA(service.get(), config, static_cast<DWORD>(buffer.size()), &needed)) {
        ADD_FAILURE() << "cannot query " << name << ": " << GetLastError();
    } else {
        c.type = config->dwServiceType;
        c.startType = config->dwStartType;
        c.binaryPath = config->lpBinaryPathName ? config->lpBinaryPathName : "";
        c.group = config->lpLoadOrderGroup ? config->lpLoadOrderGroup : "";
        c.displayName = config->lpDisplayName ? config->lpDisplayName : "";
        c.startName = config->lpServiceStartName ? config->lpServiceStartName : "";
    }
    auto* described = reinterpret_cast<SERVICE_DESCRIPTIONA*>(buffer.data());
    if (QueryServiceConfig2A(service.get(), SERVICE_CONFIG_DESCRIPTION, reinterpret_cast<BYTE*>(buffer.data()),
                             static_cast<DWORD>(buffer.size()), &needed) &&
        described->lpDescription) {
        c.description = described->lpDescription;
    }
    return c;
}

class ServiceInstallTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const char* name : {"vlinsta", "vlinsta0", "vlinsta1", "vlinsta2", "vlinstb", "vlinstc", "vlinstd", "vlrun",
                                 "vlacct0", "vlacct1", "vlacct2", "vlacct3", "vlacct4", "vlacct5"})
            wintest::RemoveServiceQuietly(name);
    }

    std::string Definition(const std::string& name, const std::string& extraProgram = "",
                           const std::string& rest = "")
    {
        return dir_.Write(name + ".xml",
                          DefinitionDir::Xml(DefinitionDir::Required(name, dir_.Program(), dir_.Folder("w")) +
                                                 extraProgram,
                                             rest));
    }

    // Installs and returns the failure message, or "" on success.
    static std::string Install(const std::string& file, const std::string& host = kHostNoBlank)
    {
        char name[257] = {};
        try {
            ServiceInstall(file.c_str(), host, name, sizeof name);
        } catch (const CExcep& e) {
            return e.message;
        }
        return "";
    }

    DefinitionDir dir_;
};

TEST_F(ServiceInstallTest, CreatesTheEntryWithTheDefinitionsSettings)
{
    struct Case {
        const char* name;  // one per case: a deleted entry's key may vanish only after a new one is made
        const char* startUpMode;
        DWORD startType;
        const char* interact;
        DWORD type;
    };
    const Case cases[] = {
        {"vlinsta0", "0", SERVICE_DEMAND_START, "0", SERVICE_WIN32_OWN_PROCESS},
        {"vlinsta1", "1", SERVICE_AUTO_START, "1", SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS},
        {"vlinsta2", "2", SERVICE_DISABLED, "0", SERVICE_WIN32_OWN_PROCESS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = Definition(
            c.name, "<Description>Sample service</Description>",
            std::string("<Options><StartUpMode>") + c.startUpMode + "</StartUpMode><InteractWithDesktop>" +
                c.interact + "</InteractWithDesktop><LoadOrderGroup>VlGroup</LoadOrderGroup><Dependencies>"
                             "<ServiceName>Tcpip</ServiceName><GroupName>NetGroup</GroupName></Dependencies></Options>");
        ASSERT_EQ(Install(file), "");
        const Config config = QueryConfig(c.name);
        EXPECT_EQ(config.startType, c.startType);
        EXPECT_EQ(config.type, c.type);
        EXPECT_EQ(config.displayName, std::string("Velmora Service: Display ") + c.name);
        EXPECT_EQ(config.binaryPath, "C:\\VelmoraHost\\Velmora.exe -s");
        EXPECT_EQ(config.group, "VlGroup");
        EXPECT_EQ(config.description, "Sample service");

        // What a client we did not write reads from the service's key.
        const wintest::CommandResult listed =
            wintest::Run(std::string("reg.exe query \"HKLM\\SYSTEM\\CurrentControlSet\\Services\\") + c.name + "\"");
        EXPECT_TRUE(wintest::Contains(listed.output, std::string("DisplayName    REG_SZ    Velmora Service: Display ") + c.name))
            << listed.output;
        EXPECT_TRUE(wintest::Contains(listed.output, "ImagePath    REG_SZ    C:\\VelmoraHost\\Velmora.exe -s"));
        EXPECT_TRUE(wintest::Contains(listed.output, "Group    REG_SZ    VlGroup"));
        // Wine garbles the service entries of a CreateServiceA dependency block and reports none
        // through QueryServiceConfigA; the group entry arrives intact. Windows keeps both.
        EXPECT_TRUE(wintest::Contains(listed.output, "DependOnGroup    REG_MULTI_SZ    NetGroup"));

        ServiceUninstall(c.name);
        EXPECT_FALSE(wintest::ServiceExists(c.name));
    }
}

TEST_F(ServiceInstallTest, QuotesAHostPathWithBlanks)
{
    ASSERT_EQ(Install(Definition("vlinstb"), kHostWithBlank), "");
    EXPECT_EQ(QueryConfig("vlinstb").binaryPath, "\"C:\\Program Files\\Velmora Host\\Velmora.exe\" -s");
    const wintest::CommandResult source = wintest::Run(
        "reg.exe query \"HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\vlinstb\"");
    EXPECT_TRUE(wintest::Contains(source.output,
                                  "EventMessageFile    REG_SZ    C:\\Program Files\\Velmora Host\\Velmora.exe"))
        << source.output;
    EXPECT_TRUE(wintest::Contains(source.output, "TypesSupported    REG_DWORD    0x7"));
}

TEST_F(ServiceInstallTest, ExistingServiceIsKeptWithoutForceReplace)
{
    ASSERT_EQ(Install(Definition("vlinstc")), "");
    const std::string again = dir_.Write(
        "again.xml", DefinitionDir::Xml("<Name>vlinstc</Name><DisplayName>Changed</DisplayName><WorkingDir>" +
                                        dir_.Folder("w") + "</WorkingDir><Executable>" + dir_.Program() +
                                        "</Executable>"));
    EXPECT_EQ(Install(again), "Service creation failed");
    EXPECT_EQ(QueryConfig("vlinstc").displayName, "Velmora Service: Display vlinstc");

    // A stopped service is replaced when the definition asks for it.
    const std::string forced = dir_.Write(
        "forced.xml", DefinitionDir::Xml("<Name>vlinstc</Name><DisplayName>Changed</DisplayName><WorkingDir>" +
                                         dir_.Folder("w") + "</WorkingDir><Executable>" + dir_.Program() +
                                         "</Executable><ForceReplace>1</ForceReplace>"));
    EXPECT_EQ(Install(forced), "");
    EXPECT_EQ(QueryConfig("vlinstc").displayName, "Velmora Service: Changed");
}

TEST_F(ServiceInstallTest, ConcurrentForcedInstallsOfOneNameLeaveOneWholeDefinition)
{
    const std::string words[] = {"one", "two"};
    std::string files[2];
    for (int i = 0; i < 2; ++i) {
        const std::string& word = words[i];
        files[i] = dir_.Write(
            word + ".xml", DefinitionDir::Xml("<Name>vlinstd</Name><DisplayName>" + word + "</DisplayName><WorkingDir>" +
                                              dir_.Folder("w") + "</WorkingDir><Executable>" + dir_.Program() +
                                              "</Executable><Parameters>" + word +
                                              "</Parameters><ForceReplace>1</ForceReplace>"));
    }
    ASSERT_EQ(Install(files[0]), "");  // a stopped entry for both to replace
    std::string failures[2];
    std::thread first([&] { failures[0] = Install(files[0]); });
    std::thread second([&] { failures[1] = Install(files[1]); });
    first.join();
    second.join();
    EXPECT_EQ(failures[0], "");
    EXPECT_EQ(failures[1], "");
    // Whichever came last, the entry and its settings are all its own.
    const std::string shown = QueryConfig("vlinstd").displayName;
    ASSERT_TRUE(shown == "Velmora Service: one" || shown == "Velmora Service: two") << shown;
    const wintest::CommandResult settings = wintest::Run(
        "reg.exe query \"HKLM\\SYSTEM\\CurrentControlSet\\Services\\vlinstd\\Parameters\" /v ServiceParams");
    EXPECT_TRUE(wintest::Contains(settings.output, "ServiceParams    REG_SZ    " + shown.substr(17) + "\r\n"))
        << settings.output;
}

TEST_F(ServiceInstallTest, ForcedReplacementRefusesARunningOrPausedService)
{
    const std::string testService = wintest::ProgramFolder() + "\\velmora_test_service.exe";
    {
        UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        UniqueScHandle service(CreateServiceA(scm.get(), "vlrun", "Running test service", SERVICE_ALL_ACCESS,
                                              SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                              testService.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(service);
        ASSERT_TRUE(StartServiceA(service.get(), 0, nullptr));
    }
    ASSERT_TRUE(wintest::WaitForState("vlrun", SERVICE_RUNNING));
    const std::string forced = Definition("vlrun", "<ForceReplace>yes</ForceReplace>");
    EXPECT_EQ(Install(forced),
              "A service named 'vlrun' is already running on the system [status=Running]. A service must be "
              "stopped before it can be re-installed.");

    {
        UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        UniqueScHandle service(OpenServiceA(scm.get(), "vlrun", SERVICE_ALL_ACCESS));
        SERVICE_STATUS status{};
        ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_PAUSE, &status));
    }
    ASSERT_TRUE(wintest::WaitForState("vlrun", SERVICE_PAUSED));
    EXPECT_EQ(Install(forced),
              "A service named 'vlrun' is already running on the system [status=Paused]. A service must be "
              "stopped before it can be re-installed.");
    EXPECT_EQ(QueryConfig("vlrun").displayName, "Running test service") << "nothing may be deleted";
}

TEST_F(ServiceInstallTest, NameThatDoesNotFitTheBufferIsRefusedWithoutOverflow)
{
    const std::string file = Definition("vlinsta");
    char buffer[12];
    std::memset(buffer, '#', sizeof buffer);
    try {
        ServiceInstall(file.c_str(), kHostNoBlank, buffer, 7);  // room for 6 characters and the terminator
        ADD_FAILURE() << "a 7-character name cannot fit";
    } catch (const CExcep& e) {
        EXPECT_STREQ(e.message, "The service name is too long for the caller's buffer.");
    }
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(12, '#'));
    EXPECT_FALSE(wintest::ServiceExists("vlinsta"));
}

TEST_F(ServiceInstallTest, FailuresBeforeAnythingIsRead)
{
    char name[32] = {};
    try {
        ServiceInstall("", kHostNoBlank, name, sizeof name);
        ADD_FAILURE();
    } catch (const CExcep& e) {
        EXPECT_STREQ(e.message, "Input file name is blank");
        EXPECT_STREQ(e.detail, "N/A");
    }
    try {
        ServiceUninstall(nullptr);
        ADD_FAILURE();
    } catch (const CExcep& e) {
        EXPECT_STREQ(e.message, "No service name specified");
    }
    try {
        ServiceUninstall("VlNoSuchService");
        ADD_FAILURE();
    } catch (const CExcep& e) {
        EXPECT_STREQ(e.message, "Attempt to get handle to service 'VlNoSuchService' failed");
        char expected[260] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       ERROR_SERVICE_DOES_NOT_EXIST, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), expected,
                       sizeof expected, nullptr);
        EXPECT_STREQ(e.detail, expected);
    }
}

TEST_F(ServiceInstallTest, RemovingARunningServiceTwice)
{
    // The test service under the host's name, so that its entry still counts as run by Velmora.
    const std::string testService = dir_.Folder("host") + "\\Velmora.exe";
    ASSERT_TRUE(CopyFileA((wintest::ProgramFolder() + "\\velmora_test_service.exe").c_str(), testService.c_str(), FALSE));
    ASSERT_EQ(Install(Definition("vlrun")), "");
    {
        // Point the entry at the test service so that it really runs.
        UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        UniqueScHandle service(OpenServiceA(scm.get(), "vlrun", SERVICE_ALL_ACCESS));
        ASSERT_TRUE(ChangeServiceConfigA(service.get(), SERVICE_NO_CHANGE, SERVICE_DEMAND_START, SERVICE_NO_CHANGE,
                                         testService.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
        ASSERT_TRUE(StartServiceA(service.get(), 0, nullptr));
    }
    ASSERT_TRUE(wintest::WaitForState("vlrun", SERVICE_RUNNING));
    ServiceUninstall("vlrun");
    const wintest::CommandResult source = wintest::Run(
        "reg.exe query \"HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\vlrun\"");
    EXPECT_FALSE(wintest::Contains(source.output, "EventMessageFile"));
    try {
        ServiceUninstall("vlrun");
        ADD_FAILURE() << "a service marked for deletion cannot be removed again";
    } catch (const CExcep& e) {
        EXPECT_STREQ(e.message, "No such service, or service is already marked for deletion.");
    }
}

// What an install asked and was told through its callbacks.
struct Asked {
    std::vector<std::string> accounts;
    std::vector<std::string> notices;
    const char* password = nullptr;  // null: the user gives none
};

InstallCallbacks CallbacksFor(Asked& asked)
{
    InstallCallbacks callbacks;
    callbacks.password = [](const char* account, std::string& password, void* context) {
        auto& a = *static_cast<Asked*>(context);
        a.accounts.emplace_back(account);
        if (!a.password) return false;
        password = a.password;
        return true;
    };
    callbacks.notice = [](const char* text, void* context) { static_cast<Asked*>(context)->notices.emplace_back(text); };
    callbacks.context = &asked;
    return callbacks;
}

// Every value under a key and its subkeys, as raw bytes: where a password must never be.
void CollectValues(HKEY parent, const std::string& path, std::string& all)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    char name[256];
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name;
        DWORD size = static_cast<DWORD>(data.size());
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) break;
        all.append(reinterpret_cast<const char*>(data.data()), size);
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        CollectValues(key, name, all);
    }
    RegCloseKey(key);
}

std::string SidText(PSID sid)
{
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) return "?";
    const std::string copy = text;
    LocalFree(text);
    return copy;
}

// Who may do what with the Parameters key: "protected" when nothing is inherited, then one
// "SID=access" per entry.
std::vector<std::string> ParametersAccess(const char* service)
{
    std::vector<std::string> entries;
    HKEY key = nullptr;
    const std::string path = std::string("SYSTEM\\CurrentControlSet\\Services\\") + service + "\\Parameters";
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS) return entries;
    std::vector<BYTE> buffer(4096);
    DWORD size = static_cast<DWORD>(buffer.size());
    const LONG read = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer.data(), &size);
    RegCloseKey(key);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    BOOL present = FALSE, defaulted = FALSE;
    ACL* dacl = nullptr;
    if (read != ERROR_SUCCESS || !GetSecurityDescriptorControl(buffer.data(), &control, &revision) ||
        !GetSecurityDescriptorDacl(buffer.data(), &present, &dacl, &defaulted) || !present || !dacl)
        return entries;
    if (control & SE_DACL_PROTECTED) entries.push_back("protected");
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace))) continue;
        const bool allowed = ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE;
        entries.push_back((allowed ? "" : "not allowed ") + SidText(&ace->SidStart) + "=" +
                          (ace->Mask == KEY_ALL_ACCESS ? "all" : ace->Mask == KEY_READ ? "read" : std::to_string(ace->Mask)));
    }
    return entries;
}

std::string AccountSid(const std::string& account)
{
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    char domain[256];
    DWORD domainSize = sizeof domain;
    SID_NAME_USE use{};
    return LookupAccountNameA(nullptr, account.c_str(), sid, &size, domain, &domainSize, &use) ? SidText(sid) : "?";
}

// Each kind of account is registered under the name the service database takes; only a user
// account is asked for a password, which reaches no registry value. The Parameters key is for
// Administrators, SYSTEM and the service's own account alone.
TEST_F(ServiceInstallTest, EachAccountIsRegisteredAndOnlyAUserIsAskedForAPassword)
{
    char user[257] = {};
    DWORD userSize = sizeof user;
    ASSERT_TRUE(GetUserNameA(user, &userSize));
    const std::string self = std::string(".\\") + user;
    const char* const kPassword = "Pw-7Qz!only-here";
    const struct {
        const char* name;
        std::string account;
        std::string registered;
        std::string reader;  // the account's SID, "" when only SYSTEM and Administrators read
    } cases[] = {
        {"vlacct0", "", "LocalSystem", ""},
        {"vlacct1", "LocalService", "NT AUTHORITY\\LocalService", "S-1-5-19"},
        {"vlacct2", "NT AUTHORITY\\NetworkService", "NT AUTHORITY\\NetworkService", "S-1-5-20"},
        // S-1-5-80 and the SHA-1 of "VLACCT3" in UTF-16, as Windows names a service's own account.
        {"vlacct3", "NT SERVICE\\vlacct3", "NT SERVICE\\vlacct3",
         "S-1-5-80-2248040767-1317985355-1525247224-2165761115-1167497849"},
        {"vlacct4", "CORP\\web01$", "CORP\\web01$", ""},  // no such domain here: left out, with a note
        {"vlacct5", self, self, AccountSid(self)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string options = c.account.empty() ? "" :
            "<Options><InteractWithDesktop>false</InteractWithDesktop><Account>" + c.account + "</Account></Options>";
        Asked asked;
        asked.password = kPassword;
        char name[257] = {};
        ServiceInstallWith(Definition(c.name, "", options).c_str(), kHostNoBlank, name, sizeof name,
                           CallbacksFor(asked));
        EXPECT_EQ(QueryConfig(c.name).startName, c.registered);
        EXPECT_EQ(asked.accounts, c.account == self ? std::vector<std::string>{self} : std::vector<std::string>{});
        std::string stored;
        CollectValues(HKEY_LOCAL_MACHINE, std::string("SYSTEM\\CurrentControlSet\\Services\\") + c.name, stored);
        EXPECT_FALSE(wintest::Contains(stored, kPassword));
        EXPECT_FALSE(wintest::Contains(stored, std::string(reinterpret_cast<const char*>(L"Pw-7Qz!only-here"), 32)));
        EXPECT_TRUE(wintest::Contains(stored, c.account));
        std::vector<std::string> access = {"protected", "S-1-5-18=all", "S-1-5-32-544=all"};
        if (!c.reader.empty()) access.push_back(c.reader + "=read");
        EXPECT_EQ(ParametersAccess(c.name), access);
        EXPECT_EQ(asked.notices.size(), c.reader.empty() && !c.account.empty() ? 1u : 0u);
    }

    // Without a password nothing is installed; the old entry point cannot ask for one.
    wintest::RemoveServiceQuietly("vlacct5");
    const std::string file = Definition("vlacct5", "", "<Options><InteractWithDesktop>0</InteractWithDesktop><Account>" +
                                                           self + "</Account></Options>");
    Asked refused;
    char name[257] = {};
    try {
        ServiceInstallWith(file.c_str(), kHostNoBlank, name, sizeof name, CallbacksFor(refused));
        ADD_FAILURE() << "installed without a password";
    } catch (const CExcep& e) {
        EXPECT_EQ(std::string(e.message), "No password was given for " + self + "; nothing was changed");
    }
    EXPECT_EQ(Install(file), "The service logs on as " + self + ", whose password this install cannot ask for");
    EXPECT_FALSE(wintest::ServiceExists("vlacct5"));
}

// The settings kept beside the entry read back as given, where the system keeps them; where it
// does not (Wine keeps neither delayed start nor the recovery actions), the install says so and
// still succeeds.
TEST_F(ServiceInstallTest, RecoveryDelayedStartAndPreShutdownReadBack)
{
    const std::string file = Definition(
        "vlinstd", "<ForceReplace>true</ForceReplace>",
        "<Options><StartUpMode>1</StartUpMode><DelayedStart>true</DelayedStart></Options>"
        "<Supervision><PreShutdownTimeout>120000</PreShutdownTimeout></Supervision>"
        "<Recovery><FirstFailure>1</FirstFailure><SecondFailure Delay=\"5000\">1</SecondFailure>"
        "<LaterFailures Delay=\"0\">3</LaterFailures><ResetPeriod>3600</ResetPeriod>"
        "<RecoveryProgram>C:\\tools\\notify.cmd</RecoveryProgram><RecoveryParameters>/fail</RecoveryParameters>"
        "</Recovery>");
    Asked asked;
    char name[257] = {};
    ServiceInstallWith(file.c_str(), kHostNoBlank, name, sizeof name, CallbacksFor(asked));
    // A forced replacement makes a new entry, which must get the settings again.
    ServiceInstallWith(file.c_str(), kHostNoBlank, name, sizeof name, CallbacksFor(asked));

    UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle service(OpenServiceA(scm.get(), "vlinstd", SERVICE_QUERY_CONFIG));
    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    const auto query = [&](DWORD level) {
        const BOOL ok = QueryServiceConfig2W(service.get(), level, buffer.data(), static_cast<DWORD>(buffer.size()), &needed);
        return ok ? NO_ERROR : GetLastError();
    };
    const auto told = [&](const char* part) {
        for (const std::string& notice : asked.notices)
            if (wintest::Contains(notice, part)) return true;
        return false;
    };
    ASSERT_EQ(query(SERVICE_CONFIG_PRESHUTDOWN_INFO), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(reinterpret_cast<SERVICE_PRESHUTDOWN_INFO*>(buffer.data())->dwPreshutdownTimeout, 120000u);

    if (query(SERVICE_CONFIG_DELAYED_AUTO_START_INFO) == ERROR_INVALID_LEVEL) {
        EXPECT_TRUE(told("does not support delayed automatic start"));
    } else {
        EXPECT_TRUE(reinterpret_cast<SERVICE_DELAYED_AUTO_START_INFO*>(buffer.data())->fDelayedAutostart);
    }
    if (query(SERVICE_CONFIG_FAILURE_ACTIONS) == ERROR_INVALID_LEVEL) {
        // Wine takes the actions without complaint and keeps none of them.
        EXPECT_FALSE(told("does not support recovery actions:"));
    } else {
        const auto* failure = reinterpret_cast<SERVICE_FAILURE_ACTIONSW*>(buffer.data());
        EXPECT_EQ(failure->dwResetPeriod, 3600u);
        EXPECT_STREQ(failure->lpCommand, L"C:\\tools\\notify.cmd /fail");
        ASSERT_EQ(failure->cActions, 3u);
        const SC_ACTION expected[] = {{SC_ACTION_RESTART, 60000}, {SC_ACTION_RESTART, 5000}, {SC_ACTION_RUN_COMMAND, 0}};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(failure->lpsaActions[i].Type, expected[i].Type);
            EXPECT_EQ(failure->lpsaActions[i].Delay, expected[i].Delay);
        }
    }
    if (query(SERVICE_CONFIG_FAILURE_ACTIONS_FLAG) == ERROR_INVALID_LEVEL) {
        EXPECT_TRUE(told("does not support recovery actions for a service that stops itself"));
    } else {
        EXPECT_TRUE(reinterpret_cast<SERVICE_FAILURE_ACTIONS_FLAG*>(buffer.data())->fFailureActionsOnNonCrashFailures);
    }
}

}  // namespace
