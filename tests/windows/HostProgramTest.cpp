#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "DefinitionWriter.h"
#include "Definitions.h"
#include "RegistryData.h"
#include "VelmoraVersion.h"
#include "WinTestUtil.h"

namespace {

// Services created during a test carry lower-case names: Wine's service manager finds a service
// created since it started only by its name in lower case (after a restart, by any case).

wintest::CommandResult Host(const std::string& arguments) { return wintest::RunHost(arguments); }

class HostProgram : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const char* name : {"vlhostsvc", "vlhostsvc0", "vlhostsvc1", "vlhostsvc2", "vlforeign"}) {
            wintest::RemoveServiceQuietly(name);
        }
    }
    DefinitionDir dir_;
};

TEST_F(HostProgram, VersionBannerBeginsWithTheProductName)
{
    const wintest::CommandResult r = Host("-v");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output.rfind("Velmora Tessel", 0), 0u) << r.output;
    EXPECT_TRUE(wintest::Contains(r.output, "Quillon Tessel v1.5.1 Build 20021013"));
}

TEST_F(HostProgram, InstallsFromAPathWithBlanksQuotedOrNot)
{
    struct Case {
        const char* name;  // one per case: a deleted entry's keys may vanish only after a new one is made
        bool quoted;
        bool withEnding;
    };
    const Case cases[] = {{"vlhostsvc0", false, true}, {"vlhostsvc1", true, true}, {"vlhostsvc2", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir_.Write(
            std::string("my service ") + c.name + ".xml",
            DefinitionDir::Xml(DefinitionDir::Required(c.name, dir_.Program(), dir_.Folder("w"))));
        if (!c.withEnding) path.resize(path.size() - 4);
        if (c.quoted) path = "\"" + path + "\"";
        const wintest::CommandResult installed = Host("-i " + path);
        EXPECT_EQ(installed.exitCode, 0) << installed.output;
        EXPECT_TRUE(wintest::ServiceExists(c.name));

        const wintest::CommandResult removed = Host(std::string("-u \"") + c.name + "\"");
        EXPECT_EQ(removed.exitCode, 0) << removed.output;
        EXPECT_FALSE(wintest::ServiceExists(c.name));
    }
}

TEST_F(HostProgram, FindsTheDtdInItsOwnFolderWhateverTheCurrentFolder)
{
    std::filesystem::remove(dir_.Path() / "Velmora.dtd");
    const std::string file = dir_.Write(
        "vlhostsvc.xml", DefinitionDir::Xml(DefinitionDir::Required("vlhostsvc", dir_.Program(), dir_.Folder("w"))));
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(dir_.Folder("elsewhere").c_str());
    const wintest::CommandResult r = wintest::Run(wintest::ProgramFolder() + "\\Velmora.exe -i " + file);
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(wintest::ServiceExists("vlhostsvc"));
}

TEST_F(HostProgram, FailuresExitNonZeroWithTheirTextOnStandardOutput)
{
    const std::string invalid = dir_.Write(
        "invalid.xml", DefinitionDir::Xml(DefinitionDir::Required("vlhostsvc", dir_.Program(), dir_.Folder("w")) +
                                              "<Delay>5s</Delay>",
                                          "<Options><JobType>9</JobType></Options>"));
    const wintest::CommandResult r = Host("-i " + invalid);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(wintest::Contains(r.output,
                                  "Invalid service configuration, errors are as follows:\r\n"
                                  "Invalid value (5s) for element \"Delay\": Invalid trailing characters in integer "
                                  "\"5s\"\r\n"
                                  "Invalid value (9) for element \"JobType\".  Valid range is [0, 2].\r\n"))
        << r.output;
    EXPECT_TRUE(wintest::Contains(r.output, "Error: Invalid service configuration\r\n")) << r.output;
    EXPECT_FALSE(wintest::ServiceExists("vlhostsvc"));

    const wintest::CommandResult missing = Host("-u \"VlNoSuchService\"");
    EXPECT_EQ(missing.exitCode, 4);
    EXPECT_TRUE(wintest::Contains(missing.output, "Error: Attempt to get handle to service 'VlNoSuchService' failed"))
        << missing.output;
}

// A hostile or careless definition gets a short answer and installs nothing: one that asks for
// more than the system carries, and ten megabytes of unknown elements.
TEST_F(HostProgram, HostileDefinitionsAreRefusedWithAShortAnswer)
{
    const std::string required = DefinitionDir::Required("vlhostsvc", dir_.Program(), dir_.Folder("w"));
    std::string flood;
    while (flood.size() < 10 * 1024 * 1024) flood += "<Unknown/>\n";
    const struct {
        const char* what;
        std::string definition;
        const char* said;
    } cases[] = {
        {"parameters longer than a command line", required + "<Parameters>" + std::string(40000, 'p') + "</Parameters>",
         "command line of the service program is too long: 40"},
        {"ten megabytes of unknown elements", required + flood, "more problems were found and not listed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const wintest::CommandResult r = Host("-i " + dir_.Write("hostile.xml", DefinitionDir::Xml(c.definition)));
        EXPECT_NE(r.exitCode, 0);
        EXPECT_TRUE(wintest::Contains(r.output, c.said)) << r.output.substr(0, 2000);
        EXPECT_LT(std::count(r.output.begin(), r.output.end(), '\n'), 110) << "the list of problems is capped";
        EXPECT_FALSE(wintest::ServiceExists("vlhostsvc"));
    }
}

std::string ReadBytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The commands for scripts, against a service that runs, one that cannot start and one that is
// not there: each answers with its exit code and says what happened.
TEST_F(HostProgram, ScriptCommandsAnswerWithExitCodesAndWaitForTheState)
{
    const std::string example = wintest::ProgramFolder() + "\\VelmoraExample.exe";
    const std::string work = dir_.Folder("w");
    ASSERT_EQ(Host("-i " + dir_.Write("a.xml", DefinitionDir::Xml(DefinitionDir::Required("vlhostsvc", example, work) +
                                                                   "<ConsoleApp>true</ConsoleApp>")))
                  .exitCode,
              0);
    ASSERT_EQ(Host("-i " + dir_.Write("b.xml", DefinitionDir::Xml(DefinitionDir::Required("vlhostsvc1", dir_.Program(),
                                                                                           work))))
                  .exitCode,
              0);
    const struct {
        const char* arguments;
        int exitCode;
        const char* said;
    } steps[] = {
        {"-status vlhostsvc", 3, "State:        Stopped"},
        {"-status vlnosuchservice", 4, "is not installed"},
        {"-stop vlhostsvc", 0, "is already stopped"},
        {"-start vlhostsvc", 0, "is running as process"},
        {"-start vlhostsvc", 0, "is already running"},
        {"-status vlhostsvc", 0, "State:        Running"},
        {"-list -t", 0, "vlhostsvc\tRunning\t"},
        {"-list", 0, "vlhostsvc1  Stopped"},
        {"-restart vlhostsvc", 0, "is running as process"},
        {"-stop vlhostsvc", 0, "The service 'vlhostsvc' is stopped."},
        {"-status vlhostsvc", 3, "Last exit:    0 (no error)"},
        {"-start vlhostsvc1", 1, "service-specific 2 (the program could not be started)"},
        {"-restart vlnosuchservice", 4, "is not installed"},
        {"-list everything", 2, "Usage:"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.arguments);
        const wintest::CommandResult r = wintest::RunHostApart(step.arguments);
        EXPECT_EQ(r.exitCode, step.exitCode) << r.output << r.errors;
        EXPECT_TRUE(wintest::Contains(r.output + r.errors, step.said)) << r.output << r.errors;
    }
}

// What the editor writes installs and exports to the same bytes, and the export installs again
// to the same settings.
TEST_F(HostProgram, ExportWritesTheInstalledDefinitionBackByteForByte)
{
    ServiceDefinition d = definition_writer::NewDefinition();
    d.Name = "vlhostsvc2";
    d.DisplayName = "Exported";
    d.Description = "Written back";
    d.Service = {dir_.Program(), dir_.Folder("w"), "-x \"a b\" 100%", 2500};
    d.PostService = {dir_.Program("post.exe"), dir_.Folder("p"), "q", 4000};
    d.ConsoleApp = 1;
    d.JobType = 2;
    d.UponExit = 2;
    d.Priority = 5;
    d.Environment = {{"A", "1"}, {"PATH", "C:\\x;C:\\y"}};
    d.DebugEnabled = 1;
    d.DebugLogFile = dir_.Path().string() + "\\svc.log";
    d.OutputFile = dir_.Path().string() + "\\out.log";
    d.ErrorFile = dir_.Path().string() + "\\err.log";
    d.RotateSize = 1u << 20;
    d.RotateKeep = 3;
    d.OutputTimeStamp = 1;
    const std::string written = dir_.Path().string() + "\\written.xml";
    ASSERT_TRUE(definition_writer::WriteDefinitionFile(d, written));
    ASSERT_EQ(Host("-i " + written).exitCode, 0);

    const std::string exported = dir_.Path().string() + "\\exported.xml";
    const wintest::CommandResult toFile = Host("-export vlhostsvc2 " + exported);
    EXPECT_EQ(toFile.exitCode, 0) << toFile.output;
    EXPECT_EQ(ReadBytes(exported), ReadBytes(written));
    const wintest::CommandResult toOutput = Host("-export \"vlhostsvc2\"");
    EXPECT_EQ(toOutput.exitCode, 0);
    EXPECT_EQ(toOutput.output, ReadBytes(written));

    ASSERT_EQ(Host("-u vlhostsvc2").exitCode, 0);
    ASSERT_EQ(Host("-i " + exported).exitCode, 0);
    const std::string again = dir_.Path().string() + "\\again.xml";
    EXPECT_EQ(Host("-export vlhostsvc2 " + again).exitCode, 0);
    EXPECT_EQ(ReadBytes(again), ReadBytes(written));

    EXPECT_EQ(Host("-export vlnosuchservice").exitCode, 4);
}

// Every value of a key but the display name, which differs with the service: name, type, bytes.
std::map<std::string, std::pair<DWORD, std::string>> ValuesButDisplayName(const std::string& keyPath)
{
    std::map<std::string, std::pair<DWORD, std::string>> values;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return values;
    const UniqueHkey key(opened);
    std::string data(65536, '\0');
    for (DWORD i = 0; i < 1000; ++i) {
        char name[256];
        DWORD nameSize = sizeof name, type = 0, size = static_cast<DWORD>(data.size());
        if (RegEnumValueA(key.get(), i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                          &size) != ERROR_SUCCESS)
            break;
        if (std::string(name) != "DisplayName") values[name] = {type, data.substr(0, size)};
    }
    return values;
}

// The newer settings written with words and units install to the very registry values of the
// same definition in numbers, and export as numbers; a recovery that restarts the computer says
// on which failure.
TEST_F(HostProgram, WordsAndUnitsInstallAsTheirNumbers)
{
    const std::string words =
        "<Supervision><StopTimeout>15 s</StopTimeout><ExitAction Code=\"3\">terminate</ExitAction></Supervision>"
        "<Recovery><FirstFailure Delay=\"2 min\">RestartService</FirstFailure><SecondFailure>restartcomputer"
        "</SecondFailure><ResetPeriod>1 h</ResetPeriod></Recovery><Limits><MemoryLimit>2 GB</MemoryLimit>"
        "<LimitAction>Shutdown</LimitAction></Limits><Output><RotateSize>10 MB</RotateSize></Output>";
    const std::string numbers =
        "<Supervision><StopTimeout>15000</StopTimeout><ExitAction Code=\"3\">2</ExitAction></Supervision>"
        "<Recovery><FirstFailure Delay=\"120000\">1</FirstFailure><SecondFailure>2"
        "</SecondFailure><ResetPeriod>3600</ResetPeriod></Recovery><Limits><MemoryLimit>2048</MemoryLimit>"
        "<LimitAction>3</LimitAction></Limits><Output><RotateSize>10485760</RotateSize></Output>";
    const std::string program = dir_.Program(), folder = dir_.Folder("w");
    const auto install = [&](const std::string& name, const std::string& rest) {
        const std::string file = name + ".xml";
        return Host("-i " + dir_.Write(file, DefinitionDir::Xml(DefinitionDir::Required(name, program, folder), rest)));
    };
    const wintest::CommandResult inWords = install("vlhostsvc0", words);
    ASSERT_EQ(inWords.exitCode, 0) << inWords.output;
    EXPECT_TRUE(wintest::Contains(inWords.output, "Note: on its second failure this service restarts the computer"))
        << inWords.output;
    ASSERT_EQ(install("vlhostsvc1", numbers).exitCode, 0);

    const auto written = ValuesButDisplayName(registry_data::ParametersKeyPath("vlhostsvc0"));
    EXPECT_GT(written.size(), 10u);
    EXPECT_EQ(written, ValuesButDisplayName(registry_data::ParametersKeyPath("vlhostsvc1")));
    std::string expected = Host("-export vlhostsvc1").output;
    for (std::size_t at; (at = expected.find("vlhostsvc1")) != std::string::npos;)
        expected.replace(at, 10, "vlhostsvc0");
    EXPECT_EQ(Host("-export vlhostsvc0").output, expected);
    EXPECT_TRUE(wintest::Contains(expected, "<MemoryLimit>2048</MemoryLimit>")) << expected;
}

FILETIME LastWrite(const std::string& keyPath)
{
    FILETIME written{};
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &written);
        RegCloseKey(key);
    }
    return written;
}

bool Waited(const std::function<bool()>& done)
{
    for (int i = 0; i < 100 && !done(); ++i) Sleep(100);
    return done();
}

// A definition applied in place: installed when missing, the running service restarted on its
// new settings, what was set by other means kept, stray values gone, the same definition twice
// touching nothing, and a stopped service left stopped.
TEST_F(HostProgram, UpdateAppliesADefinitionInPlaceAndTwiceIsUnchanged)
{
    const std::string record = dir_.Path().string() + "\\runs.txt";
    const std::string key = registry_data::ParametersKeyPath("vlhostsvc");
    const auto definition = [&](const std::string& word) {
        return dir_.Write("u.xml", DefinitionDir::Xml(DefinitionDir::Required("vlhostsvc", wintest::ProgramFolder() +
                                                                                              "\\VelmoraExample.exe",
                                                                              dir_.Folder("w")) +
                                                      "<Parameters>--record \"" + record + "\" " + word +
                                                      "</Parameters><ConsoleApp>true</ConsoleApp>"));
    };
    wintest::CommandResult r = Host("-update " + definition("first"));
    EXPECT_TRUE(wintest::Contains(r.output, "was installed")) << r.output;
    ASSERT_EQ(Host("-start vlhostsvc").exitCode, 0);
    ASSERT_TRUE(Waited([&] { return wintest::Contains(ReadBytes(record), "first"); }));

    UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle service(OpenServiceA(scm.get(), "vlhostsvc", SERVICE_CHANGE_CONFIG | SERVICE_QUERY_STATUS));
    char byHand[] = "Set by hand";
    SERVICE_DESCRIPTIONA description{byHand};
    ASSERT_TRUE(ChangeServiceConfig2A(service.get(), SERVICE_CONFIG_DESCRIPTION, &description));
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), "Stray", REG_SZ, "x", 2), ERROR_SUCCESS);

    r = Host("-update " + definition("second"));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(wintest::Contains(r.output, "was updated")) << r.output;
    EXPECT_TRUE(wintest::Contains(r.output, "is running as process")) << r.output;
    EXPECT_TRUE(Waited([&] { return wintest::Contains(ReadBytes(record), "second"); })) << "restarted on the new settings";
    EXPECT_NE(RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), "Stray", RRF_RT_ANY, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_TRUE(wintest::Contains(Host("-export vlhostsvc").output, "second"));
    // The same process runs on: the status but for how long the program has run.
    const auto withoutRunTime = [](std::string text) {
        const std::size_t up = text.find(", up ");
        return up == std::string::npos ? text : text.erase(up, text.find('\n', up) - up);
    };
    const std::string status = withoutRunTime(Host("-status vlhostsvc").output);

    const FILETIME before = LastWrite(key);
    r = Host("-update " + definition("second"));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(wintest::Contains(r.output, "is unchanged")) << r.output;
    const FILETIME after = LastWrite(key);
    EXPECT_EQ(CompareFileTime(&before, &after), 0) << "nothing written";
    EXPECT_EQ(withoutRunTime(Host("-status vlhostsvc").output), status) << "the same process runs on";
    DWORD needed = 0;
    BYTE buffer[512] = {};
    const UniqueScHandle config(OpenServiceA(scm.get(), "vlhostsvc", SERVICE_QUERY_CONFIG));
    ASSERT_TRUE(QueryServiceConfig2A(config.get(), SERVICE_CONFIG_DESCRIPTION, buffer, sizeof buffer, &needed));
    EXPECT_STREQ(reinterpret_cast<SERVICE_DESCRIPTIONA*>(buffer)->lpDescription, "Set by hand");

    ASSERT_EQ(Host("-stop vlhostsvc").exitCode, 0);
    r = Host("-update " + definition("third"));
    EXPECT_TRUE(wintest::Contains(r.output, "was updated")) << r.output;
    EXPECT_EQ(Host("-status vlhostsvc").exitCode, 3) << "a stopped service stays stopped";
    EXPECT_FALSE(wintest::Contains(ReadBytes(record), "third"));
}

// Every command line answers with one exit code, its data on standard output and everything else
// on standard error; -u keeps its texts on standard output for the manager.
TEST_F(HostProgram, CommandLinesAnswerWithOneCodeOnTheRightStream)
{
    const struct {
        const char* arguments;
        int exitCode;
        const char* out;  // "" for nothing on standard output
        const char* err;  // "" for nothing on standard error
    } cases[] = {
        {"-h", 0, "Usage", ""},
        {"-?", 0, "Usage", ""},
        {"/?", 0, "Usage", ""},
        {"--help", 0, "Usage", ""},
        {"--VERSION", 0, "Velmora Tessel", ""},
        {"-LIST -T", 0, "", ""},
        {"--list --json", 0, "[]", ""},
        {"--Status vlnosuchservice", 4, "", "The service 'vlnosuchservice' is not installed."},
        {"-START vlnosuchservice", 4, "", "is not installed"},
        {"-start vlnosuchservice extra", 2, "", "Error: unexpected argument 'extra' after '-start'.\r\nUsage"},
        {"-q", 2, "", "Error: '-q' is not a command.\r\nUsage"},
        {"--uninstall vlnosuchservice", 4, "Error: Attempt to get handle to service 'vlnosuchservice' failed", ""},
        {"-c vlnosuchservice", 4, "", "is not installed"},
        {"-password vlnosuchservice", 4, "", "The service 'vlnosuchservice' is not installed."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const wintest::CommandResult r = wintest::RunHostApart(c.arguments);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.output.empty(), !*c.out) << r.output;
        EXPECT_TRUE(wintest::Contains(r.output, c.out)) << r.output;
        EXPECT_EQ(r.errors.empty(), !*c.err) << r.errors;
        EXPECT_TRUE(wintest::Contains(r.errors, c.err)) << r.errors;
    }
    const std::string file = dir_.Path().string() + "\\export.xml";
    const wintest::CommandResult failed = wintest::RunHostApart("-export vlnosuchservice > \"" + file + "\"");
    EXPECT_EQ(failed.exitCode, 4);
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(std::filesystem::file_size(file), 0u) << "the error stays out of the file";
    EXPECT_TRUE(wintest::Contains(failed.errors, "is not installed")) << failed.errors;
}

// A service of another program is refused by every command that would change it, and keeps its
// entry exactly (a service made with sc.exe running notepad).
TEST_F(HostProgram, AnotherProgramsServiceIsRefusedAndLeftAsItIs)
{
    ASSERT_EQ(wintest::Run("sc.exe create vlforeign binPath= C:\\windows\\system32\\notepad.exe").exitCode, 0);
    const std::string key = "reg.exe query HKLM\\SYSTEM\\CurrentControlSet\\Services\\vlforeign /s";
    const std::string before = wintest::Run(key).output;
    ASSERT_TRUE(wintest::Contains(before, "notepad.exe")) << before;
    const std::string file = dir_.Write(
        "vlforeign.xml", DefinitionDir::Xml(DefinitionDir::Required("vlforeign", dir_.Program(), dir_.Folder("w")) +
                                            "<ForceReplace>true</ForceReplace>"));
    for (const std::string& arguments : {std::string("-u vlforeign"), std::string("-password vlforeign"),
                                         "-update " + file, "-update " + file + " -whatif", "-i " + file}) {
        SCOPED_TRACE(arguments);
        const wintest::CommandResult r = wintest::RunHostApart(arguments);
        EXPECT_EQ(r.exitCode, 9);
        EXPECT_TRUE(wintest::Contains(r.output + r.errors,
                                      "The service 'vlforeign' is not run by Velmora; nothing was changed."))
            << r.output << r.errors;
        EXPECT_EQ(wintest::Run(key).output, before);
    }
}

// -u of a Velmora service succeeds without its event source, and a second -u finds nothing.
TEST_F(HostProgram, RemovingAnswersForWhatItFound)
{
    ASSERT_EQ(Host("-i " + dir_.Write("s.xml", DefinitionDir::Xml(DefinitionDir::Required(
                                                   "vlhostsvc", dir_.Program(), dir_.Folder("w"))))).exitCode,
              0);
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\vlhostsvc"),
              ERROR_SUCCESS);
    const wintest::CommandResult removed = Host("-u vlhostsvc");
    EXPECT_EQ(removed.exitCode, 0) << removed.output;
    EXPECT_EQ(removed.output, "The service 'vlhostsvc' was removed.\r\n");
    ASSERT_TRUE(Waited([] { return !wintest::ServiceExists("vlhostsvc"); }));
    EXPECT_EQ(Host("-u vlhostsvc").exitCode, 4);
}

// What the commands say names the right thing: the service as the service control manager holds
// it, the file that is missing, what to do about a service that exists; and no empty line.
TEST_F(HostProgram, MessagesNameWhatTheyAreAbout)
{
    const std::string file = dir_.Write(
        "m.xml", DefinitionDir::Xml(DefinitionDir::Required("vlhostsvc", wintest::ProgramFolder() + "\\VelmoraExample.exe",
                                                            dir_.Folder("w")) +
                                    "<ConsoleApp>true</ConsoleApp>"));
    ASSERT_EQ(Host("-i " + file).exitCode, 0);
    const std::string missing = dir_.Path().string() + "\\nothing here.xml";
    const struct {
        std::string arguments;
        int exitCode;
        std::string said;
    } cases[] = {
        {"-i " + file, 1,
         "Error: Service creation failed\r\nDetail: " },
        {"-i " + file, 1,
         "\r\nThe service 'vlhostsvc' is already installed: \"Velmora -update " + file +
             "\" changes it in place, or <ForceReplace>true</ForceReplace> in the definition replaces it.\r\n"},
        {"-i " + missing, 1, "Error: The input file cannot be found.\r\n"},
        {"-i " + missing, 1, "\r\nThe definition file '" + missing + "' was not found.\r\n"},
        {"-status VLHOSTSVC", 3, "Service:      vlhostsvc\r\n"},
        {"-status VLHOSTSVC", 3, "Stopped:      on request\r\n"},
        {"-start VlHostSvc", 0, "The service 'vlhostsvc' is running as process"},
        {"-stop VLHOSTSVC", 0, "Stopping the service 'vlhostsvc'"},
        {"-start vlhostsvc", 0, "is running"},
        {"-stop vlhostsvc", 0, "The service 'vlhostsvc' is stopped.\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const wintest::CommandResult r = Host(c.arguments + " 2>&1");
        EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
        EXPECT_TRUE(wintest::Contains(r.output, c.said)) << r.output;
        EXPECT_FALSE(wintest::Contains(r.output, "\n\r\n")) << "no empty line: " << r.output;
    }
}

// -update -whatif says what would change and changes nothing: unchanged, changed, and missing.
TEST_F(HostProgram, UpdateWhatIfChangesNothing)
{
    const auto definition = [&](const char* name, const std::string& more) {
        return dir_.Write(std::string(name) + ".xml",
                          DefinitionDir::Xml(DefinitionDir::Required(name, dir_.Program(), dir_.Folder("w")) + more));
    };
    ASSERT_EQ(Host("-i " + definition("vlhostsvc", "<Parameters>first</Parameters>")).exitCode, 0);
    const std::string key = registry_data::ParametersKeyPath("vlhostsvc");
    const FILETIME before = LastWrite(key);
    const std::string secret = "<Environment><Variable Name=\"TOKEN\">s3cr3t</Variable></Environment>";
    const struct {
        std::string file;
        int exitCode;
        std::vector<std::string> lines;
    } cases[] = {
        {definition("vlhostsvc", "<Parameters>first</Parameters>"), 0, {"The service 'vlhostsvc' is unchanged."}},
        {dir_.Write("changed.xml", DefinitionDir::Xml(DefinitionDir::Required("vlhostsvc", dir_.Program(), dir_.Folder("w")) +
                                                      "<Parameters>second</Parameters><Description>New</Description>",
                                                      "<Options><StartUpMode>0</StartUpMode></Options>" + secret)),
         10,
         {"Start type: Automatic \xE2\x86\x92 Manual", "Description: \"\" \xE2\x86\x92 \"New\"",
          "Parameters\\Description: \"\" \xE2\x86\x92 \"New\"", "Parameters\\Environment: TOKEN added (value not shown)",
          "Parameters\\ServiceParams: \"first\" \xE2\x86\x92 \"second\"", "Parameters\\StartUpMode: 1 \xE2\x86\x92 0"}},
        {definition("vlhostsvc1", ""), 10, {"The service 'vlhostsvc1' is not installed; applying the definition installs it."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const wintest::CommandResult r = wintest::RunHostApart("-update " + c.file + " -whatif");
        EXPECT_EQ(r.exitCode, c.exitCode) << r.output << r.errors;
        std::string expected;
        for (const std::string& line : c.lines) expected += line + "\r\n";
        EXPECT_EQ(r.output, expected);
        EXPECT_FALSE(wintest::Contains(r.output, "s3cr3t"));
        const FILETIME after = LastWrite(key);
        EXPECT_EQ(CompareFileTime(&before, &after), 0) << "nothing written";
    }
    EXPECT_FALSE(wintest::ServiceExists("vlhostsvc1"));
    EXPECT_TRUE(wintest::Contains(Host("-status vlhostsvc").output, "Start type:   Automatic"));
}

// An installation in a folder with blanks registers its services quoted; its list shows them,
// and another installation's list does not.
TEST_F(HostProgram, ListShowsTheServicesOfItsOwnInstallationOnly)
{
    const std::filesystem::path copy = dir_.Path() / "Velmora Host";
    std::filesystem::create_directories(copy);
    for (const auto& entry : std::filesystem::directory_iterator(wintest::ProgramFolder())) {
        const std::string file = entry.path().filename().string();
        if (file == "Velmora.exe" || file == "Velmora.dtd" || entry.path().extension() == ".dll")
            std::filesystem::copy_file(entry.path(), copy / file);
    }
    const std::string host = "\"" + (copy / "Velmora.exe").string() + "\" ";
    const std::string file =
        dir_.Write("q.xml", DefinitionDir::Xml(DefinitionDir::Required("vlhostsvc0", dir_.Program(), dir_.Folder("w"))));
    ASSERT_EQ(wintest::Run(host + "-i " + file).exitCode, 0);
    ASSERT_EQ(Host("-i " + dir_.Write("r.xml", DefinitionDir::Xml(DefinitionDir::Required(
                                                   "vlhostsvc1", dir_.Program(), dir_.Folder("w"))))).exitCode,
              0);

    const wintest::CommandResult there = wintest::Run(host + "-list -t");
    EXPECT_TRUE(wintest::Contains(there.output, "vlhostsvc0\tStopped\tAutomatic\t-\tVelmora Service: Display vlhostsvc0"))
        << there.output;
    EXPECT_FALSE(wintest::Contains(there.output, "vlhostsvc1")) << there.output;
    const wintest::CommandResult here = Host("-list");
    EXPECT_TRUE(wintest::Contains(here.output, "vlhostsvc1")) << here.output;
    EXPECT_FALSE(wintest::Contains(here.output, "vlhostsvc0")) << here.output;
    EXPECT_EQ(wintest::Run(host + "-status vlhostsvc0").exitCode, 3);
}

// Every shipped file and the setup program carry the one version of the build, as the host's
// banner does; Explorer shows it in their properties.
TEST_F(HostProgram, EveryShippedFileCarriesTheBuildsVersion)
{
    const std::string folder = wintest::ProgramFolder();
    const std::string files[] = {folder + "\\Velmora.exe", folder + "\\Quillon.dll", folder + "\\VelmoraUI.exe",
                                 folder + "\\VelmoraExample.exe", folder + "\\..\\VelmoraSetup.exe"};
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        DWORD ignored = 0;
        std::vector<char> info(GetFileVersionInfoSizeA(file.c_str(), &ignored));
        ASSERT_FALSE(info.empty());
        ASSERT_TRUE(GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        const std::string numbers = std::to_string(HIWORD(fixed->dwProductVersionMS)) + "." +
                                    std::to_string(LOWORD(fixed->dwProductVersionMS)) + "." +
                                    std::to_string(HIWORD(fixed->dwProductVersionLS));
        EXPECT_EQ(numbers, VELMORA_VERSION);
        for (const char* key : {"ProductVersion", "FileVersion"}) {
            char* text = nullptr;
            const std::string path = std::string("\\StringFileInfo\\040904B0\\") + key;
            ASSERT_TRUE(VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&text), &length)) << key;
            EXPECT_STREQ(text, VELMORA_VERSION) << key;
        }
    }
    EXPECT_EQ(Host("-v").output.rfind("Velmora Tessel v" VELMORA_VERSION " Service Host", 0), 0u);
}

}  // namespace

namespace {

std::string ManifestOf(const std::string& file)
{
    const HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) return "";
    std::string text;
    if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
        if (HGLOBAL loaded = LoadResource(module, found))
            text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
    }
    FreeLibrary(module);
    return text;
}

// Each program carries its manifest: UTF-8 as its code page, long paths and the supported
// systems; the manager asks for administrator rights, DPI awareness and the themed controls,
// the host and the example run as they are invoked.
TEST(Manifests, EveryProgramCarriesItsManifest)
{
    const struct {
        const char* file;
        const char* level;
        bool window;
    } programs[] = {{"Velmora.exe", "asInvoker", false},
                    {"VelmoraUI.exe", "requireAdministrator", true},
                    {"VelmoraExample.exe", "asInvoker", false}};
    for (const auto& p : programs) {
        SCOPED_TRACE(p.file);
        const std::string manifest = ManifestOf(wintest::ProgramFolder() + "\\" + p.file);
        ASSERT_FALSE(manifest.empty());
        const std::string settings[] = {
            ">UTF-8</activeCodePage>", ">true</longPathAware>", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
            "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", std::string("level=\"") + p.level + "\""};
        for (const std::string& setting : settings) EXPECT_TRUE(wintest::Contains(manifest, setting)) << setting;
        EXPECT_EQ(wintest::Contains(manifest, ">PerMonitorV2, PerMonitor</dpiAwareness>"), p.window);
        EXPECT_EQ(wintest::Contains(manifest, "Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), p.window);
    }
}

}  // namespace
