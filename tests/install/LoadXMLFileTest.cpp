#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "Definitions.h"
#include "LoadXMLFile.h"
#include "Quillon.h"
#include "RelativePaths.h"

namespace {

std::string WithoutCarriageReturns(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

// Runs LoadXMLFile and returns the failure's message, or "" when it succeeded.
std::string LoadFailure(const std::string& file, ServiceDefinition& definition, bool errorsInException = true)
{
    unsigned char force = 9;
    try {
        LoadXMLFile(file.c_str(), &definition, &force, errorsInException ? 1 : 0);
    } catch (const CExcep& e) {
        // A missing file is the one failure a caller tells apart by its code.
        EXPECT_EQ(e.code, std::string(e.message) == "The input file cannot be found." ? CExcep::kFileNotFound
                                                                                      : CExcep::kLibraryFailure);
        return e.message;
    }
    return "";
}

// A pre- or post-service block: `kind` is "Pre" or "Post", `more` what follows the program.
std::string Block(const std::string& kind, const std::string& folder, const std::string& program,
                  const std::string& more)
{
    return "<" + kind + "Service><" + kind + "WorkingDir>" + folder + "</" + kind + "WorkingDir><" + kind +
           "Executable>" + program + "</" + kind + "Executable>" + more + "</" + kind + "Service>";
}

TEST(LoadXMLFile, ReadsEveryFieldOfACompleteDefinition)
{
    DefinitionDir dir;
    const std::string exe = dir.Program("svc.exe");
    const std::string pre = dir.Program("pre.exe");
    const std::string work = dir.Folder("work");
    const std::string file = dir.Write(
        "full.xml",
        DefinitionDir::Xml(DefinitionDir::Required("Svc1", exe, work) +
                               "<Description>Does things</Description><Parameters>-a -b</Parameters>"
                               "<Delay>1500</Delay><ConsoleApp>yes</ConsoleApp><ForceReplace>on</ForceReplace>",
                           "<Options><UponExit>2</UponExit><AffinityMask>5</AffinityMask><Priority>5</Priority>"
                           "<InteractWithDesktop>false</InteractWithDesktop><StartUpMode>0</StartUpMode>"
                           "<ShowWindow>1</ShowWindow><JobType>2</JobType><LoadOrderGroup>Grp</LoadOrderGroup>"
                           "<Dependencies><GroupName>G1</GroupName><ServiceName>S1</ServiceName>"
                           "<GroupName>G2</GroupName></Dependencies></Options>"
                           "<Debug><DebugEnabled>1</DebugEnabled><DebugLocation>C:\\log.txt</DebugLocation></Debug>"
                           "<Environment><Variable Name=\"A\">1</Variable><Variable Name=\"B\">22</Variable>"
                           "</Environment>"
                           "<SMF><SMFEnabled>0</SMFEnabled><SMFFrequency>750</SMFFrequency></SMF>" +
                           Block("Pre", work, pre, "<PreParameters>p</PreParameters><PreDelay>10</PreDelay>")));
    ServiceDefinition d;
    unsigned char force = 0;
    LoadXMLFile(file.c_str(), &d, &force, 1);

    EXPECT_EQ(force, 1);
    EXPECT_EQ(d.Name, "Svc1");
    EXPECT_EQ(d.DisplayName, "Display Svc1");
    EXPECT_EQ(d.Description, "Does things");
    EXPECT_EQ(d.Service.Executable, exe);
    EXPECT_EQ(d.Service.WorkingDir, work);
    EXPECT_EQ(d.Service.Parameters, "-a -b");
    EXPECT_EQ(d.Service.Delay, 1500u);
    EXPECT_EQ(d.ConsoleApp, 1u);
    EXPECT_EQ(d.InteractWithDesktop, 0u);
    EXPECT_EQ(d.StartUpMode, 0u);
    EXPECT_EQ(d.ShowWindow, 1u);
    EXPECT_EQ(d.JobType, 2u);
    EXPECT_EQ(d.LoadOrderGroup, "Grp");
    EXPECT_EQ(d.SMFEnabled, 0u);
    EXPECT_EQ(d.SMFFrequency, 750u);
    EXPECT_EQ(d.UponExit, 2u);
    EXPECT_EQ(d.AffinityMask, 5u);
    EXPECT_EQ(d.Priority, 5u);
    EXPECT_EQ(d.GroupDependencies, (std::vector<std::string>{"G1", "G2"}));
    EXPECT_EQ(d.ServiceDependencies, (std::vector<std::string>{"S1"}));
    EXPECT_EQ(std::string(d.RawDependencies.begin(), d.RawDependencies.end()), std::string("+G1\0+G2\0S1\0\0", 12));
    ASSERT_EQ(d.Environment.size(), 2u);
    EXPECT_EQ(d.Environment[1].name, "B");
    EXPECT_EQ(d.Environment[1].value, "22");
    EXPECT_EQ(d.EnvironmentSize, 10u);
    EXPECT_EQ(d.DebugEnabled, 1u);
    EXPECT_EQ(d.DebugLogFile, "C:\\log.txt");
    EXPECT_EQ(d.PreService.Executable, pre);
    EXPECT_EQ(d.PreService.Parameters, "p");
    EXPECT_EQ(d.PreService.Delay, 10u);
    EXPECT_EQ(d.PostService.Executable, "");
    EXPECT_EQ(d.PostService.Delay, 3000u);
}

TEST(LoadXMLFile, MinimalDefinitionTakesTheReadersDefaults)
{
    DefinitionDir dir;
    const std::string file =
        dir.Write("min.xml", DefinitionDir::Xml(DefinitionDir::Required("Abc9", dir.Program(), dir.Folder("w"))));
    ServiceDefinition d;
    unsigned char force = 7;
    LoadXMLFile(file.c_str(), &d, &force, 1);
    EXPECT_EQ(force, 0);
    EXPECT_EQ(d.Service.Delay, 0u) << "the reader's value for an absent delay, not 3000";
    EXPECT_EQ(d.PreService.Delay, 3000u);
    EXPECT_EQ(d.PreService.Executable, "");
    EXPECT_EQ(d.StartUpMode, 1u);
    EXPECT_EQ(d.InteractWithDesktop, 1u);
    EXPECT_EQ(d.UponExit, 1u);
    EXPECT_EQ(d.JobType, 1u);
    EXPECT_EQ(d.SMFEnabled, 1u);
    EXPECT_EQ(d.SMFFrequency, 5000u);
    EXPECT_TRUE(d.RawDependencies.empty());
    EXPECT_EQ(d.EnvironmentSize, 0u);
}

TEST(LoadXMLFile, ChecksFailInTheirOrder)
{
    DefinitionDir dir;
    const std::string exe = dir.Program();
    const std::string work = dir.Folder("work");
    const std::string text = dir.Write("notes.txt", "plain text");
    const std::string missing = (dir.Path() / "missing.exe").string();
    struct Case {
        const char* what;
        std::string program;
        std::string rest;
        const char* message;
    };
    const Case cases[] = {
        {"missing program before a bad name", DefinitionDir::Required("9lives", missing, work), "",
         "application binary is invalid"},
        {"program is a folder", DefinitionDir::Required("Svc", work, work), "",
         "application binary is not a regular file"},
        {"program is a text file", DefinitionDir::Required("Svc", text, work), "",
         "application binary is not executable"},
        {"working folder missing", DefinitionDir::Required("Svc", exe, work + "/nowhere"), "",
         "working directory is invalid"},
        {"working folder is a file", DefinitionDir::Required("Svc", exe, text), "",
         "working directory is not a directory"},
        {"name starts with a digit", DefinitionDir::Required("1a", exe, work), "",
         "The service name begins with a non-alphabetic character."},
        {"name with an underscore", DefinitionDir::Required("a_b", exe, work), "",
         "The service name contains a non-alphanumeric character."},
        {"name with a hyphen", DefinitionDir::Required("a-b", exe, work), "",
         "The service name contains a non-alphanumeric character."},
        {"name with an inner blank", DefinitionDir::Required("a b", exe, work), "",
         "The service name contains a non-alphanumeric character."},
        {"name with a byte above 127", DefinitionDir::Required("a\xc3\xa9", exe, work), "",
         "The service name contains a non-alphanumeric character."},
        {"pre-service program missing", DefinitionDir::Required("Svc", exe, work),
         Block("Pre", work, missing, ""),
         "application binary is invalid"},
        {"post-service folder missing", DefinitionDir::Required("Svc", exe, work),
         Block("Post", work + "/x", exe, ""),
         "working directory is invalid"},
        {"start-up time at the limit", DefinitionDir::Required("Svc", exe, work) + "<Delay>600000</Delay>", "", ""},
        {"start-up time beyond the limit", DefinitionDir::Required("Svc", exe, work) + "<Delay>600001</Delay>", "",
         "start-up time is longer than 600000 ms"},
        {"pre-service time that never ends", DefinitionDir::Required("Svc", exe, work),
         Block("Pre", work, exe, "<PreDelay>4294967295</PreDelay>"),
         "pre-service time is longer than 600000 ms"},
        {"post-service time beyond the limit", DefinitionDir::Required("Svc", exe, work),
         Block("Post", work, exe, "<PostDelay>0x100000</PostDelay>"),
         "post-service time is longer than 600000 ms"},
        {"a letter and a digit pass", DefinitionDir::Required("a1", exe, work), "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ServiceDefinition d;
        EXPECT_EQ(LoadFailure(dir.Write("case.xml", DefinitionDir::Xml(c.program, c.rest)), d), c.message);
    }
}

// The log-on, recovery and health settings Windows would refuse or ignore, or that could never
// work, are refused at install, each naming the settings involved.
TEST(LoadXMLFile, LogOnRecoveryHealthChecksAndLimits)
{
    DefinitionDir dir;
    const std::string required = DefinitionDir::Required("Web1", dir.Program(), dir.Folder("work"));
    const auto options = [](const std::string& inner) { return "<Options>" + inner + "</Options>"; };
    const std::string quiet = "<InteractWithDesktop>false</InteractWithDesktop>";
    const auto health = [](const std::string& inner) { return "<Health>" + inner + "</Health>"; };
    const auto notify = [](const std::string& inner) { return "<Notify>" + inner + "</Notify>"; };
    const struct {
        const char* what;
        std::string rest;
        std::string message;
    } cases[] = {
        {"a virtual account", options(quiet + "<Account>NT SERVICE\\web1</Account>"), ""},
        {"an account beside the desktop's default",
         options("<Account>LocalService</Account>"),
         "Account \"LocalService\" cannot be used with InteractWithDesktop true (its value when Options does not "
         "name it): Windows lets only LocalSystem services interact with the desktop; set InteractWithDesktop to "
         "false"},
        {"an account beside the desktop as written",
         options("<InteractWithDesktop>true</InteractWithDesktop><Account>LocalService</Account>"),
         "Account \"LocalService\" cannot be used with InteractWithDesktop true (as written in Options): Windows "
         "lets only LocalSystem services interact with the desktop; set InteractWithDesktop to false"},
        {"LocalSystem with the desktop", options("<Account>LocalSystem</Account>"), ""},
        {"an account without its domain", options(quiet + "<Account>web</Account>"),
         "Account \"web\" needs its domain: \".\\web\" for an account of this computer, or \"DOMAIN\\web\""},
        {"delayed start of a manual service",
         options("<StartUpMode>0</StartUpMode><DelayedStart>true</DelayedStart>"),
         "DelayedStart applies to automatic start-up only, but StartUpMode is 0; set StartUpMode to 1 or leave "
         "DelayedStart out"},
        {"delayed automatic start", options("<DelayedStart>yes</DelayedStart>"), ""},
        {"a program action without a program", "<Recovery><SecondFailure>3</SecondFailure></Recovery>",
         "A recovery action runs a program, but RecoveryProgram is not set"},
        {"a program action with its program",
         "<Recovery><LaterFailures>3</LaterFailures><RecoveryProgram>notify.cmd</RecoveryProgram></Recovery>", ""},
        {"a recovery command line past the limit",
         "<Recovery><RecoveryProgram>n.cmd</RecoveryProgram><RecoveryParameters>" + std::string(32760, 'p') +
             "</RecoveryParameters></Recovery>",
         "command line of the recovery program is too long: 32768 characters, the system takes at most 32766"},
        {"every kind of check", health("<ReadyCheck>line:Listening on</ReadyCheck><LiveCheck>HTTPS://[::1]/up</LiveCheck>"), ""},
        {"a tcp check", health("<ReadyCheck>tcp://localhost:8080</ReadyCheck><LiveCheck>program:probe.exe -q</LiveCheck>"), ""},
        {"an unknown scheme", health("<LiveCheck>ftp://host/</LiveCheck>"),
         "LiveCheck \"ftp://host/\" is no check: it does not begin with tcp://, http://, https://, program: or line:"},
        {"a tcp check without a port", health("<ReadyCheck>tcp://127.0.0.1</ReadyCheck>"),
         "ReadyCheck \"tcp://127.0.0.1\" is no check: the port is missing"},
        {"a port out of range", health("<LiveCheck>http://h:65536/</LiveCheck>"),
         "LiveCheck \"http://h:65536/\" is no check: the port 65536 is not from 1 to 65535"},
        {"an empty host", health("<LiveCheck>http://:80/</LiveCheck>"), "LiveCheck \"http://:80/\" is no check: the host is empty"},
        {"an empty program", health("<LiveCheck>program: </LiveCheck>"), "LiveCheck \"program: \" is no check: no program is named"},
        {"a line check for liveness", health("<LiveCheck>line:ok</LiveCheck>"),
         "LiveCheck \"line:ok\" is a line: check, which only a ReadyCheck can be"},
        {"a check that outlasts its interval", health("<LiveInterval>5000</LiveInterval>"),
         "LiveTimeout (5000 ms) must be below LiveInterval (5000 ms)"},
        {"every limit and schedule",
         "<Limits><MemoryLimit>512</MemoryLimit><CpuLimit>90</CpuLimit><HandleLimit>10000</HandleLimit>"
         "<JobMemoryLimit>1024</JobMemoryLimit></Limits><Supervision><RestartAt>23:59</RestartAt>"
         "<RestartAt> 00:00 </RestartAt><RestartEvery>60000</RestartEvery></Supervision>", ""},
        {"a job memory cap without a job", options("<JobType>0</JobType>") + "<Limits><JobMemoryLimit>1</JobMemoryLimit></Limits>",
         "JobMemoryLimit caps the memory of the service's job, but JobType is 0 (no job); set JobType to 1 or 2, or "
         "leave JobMemoryLimit out"},
        {"an hour past the day", "<Supervision><RestartAt>24:00</RestartAt></Supervision>",
         "RestartAt \"24:00\" is not a time of day from 00:00 to 23:59"},
        {"a time without its leading zero", "<Supervision><RestartAt>3:00</RestartAt></Supervision>",
         "RestartAt \"3:00\" is not a time of day HH:MM"},
        {"a time listed twice", "<Supervision><RestartAt>03:00</RestartAt><RestartAt>03:00</RestartAt></Supervision>",
         "RestartAt \"03:00\" is listed twice"},
        {"two times in one element", "<Supervision><RestartAt>03:00,04:00</RestartAt></Supervision>",
         "Invalid service configuration, errors are as follows:\r\nInvalid value \"03:00,04:00\" for element \"RestartAt\": write each value in an element of its own\r\n"},
        {"a memory limit of 0", "<Limits><MemoryLimit>0</MemoryLimit></Limits>",
         "Invalid service configuration, errors are as follows:\r\nInvalid value (0) for element \"MemoryLimit\".  Valid range is [1, 1048576].\r\n"},
        {"hooks and webhooks",
         "<Notify><Hook On=\"Start, restart\">notify.cmd %VELMORA_EVENT%</Hook><Webhook On=\"Restart,RestartLimit\" "
         "Header=\"X-Token: abc\">https://127.0.0.1:8443/hook</Webhook></Notify>", ""},
        {"an unknown event", notify("<Hook On=\"Start,Crash\">n.cmd</Hook>"),
         "Hook \"n.cmd\": On names \"Crash\", which is no event (Start, Ready, Exit, Restart, RestartLimit, "
         "HealthFailed, HealthPassed, LimitReached, Stop, Stopped, Rotate, OutputLost)"},
        {"a webhook that is no URL", notify("<Webhook On=\"Stop\">ftp://h/x</Webhook>"),
         "Webhook \"ftp://h/x\" is no URL: it does not begin with http:// or https://"},
        {"a webhook without a host", notify("<Webhook On=\"Stop\">http:///x</Webhook>"),
         "Webhook \"http:///x\" is no URL: the host is empty"},
        {"a header without a colon", notify("<Webhook On=\"Stop\" Header=\"token\">http://h/</Webhook>"),
         "The Header of Webhook \"http://h/\" is not \"Name: value\""},
        {"a header with a line break", notify("<Webhook On=\"Stop\" Header=\"A: b&#10;C: d\">http://h/</Webhook>"),
         "The Header of Webhook \"http://h/\" holds a line break or another control character"},
        {"a hook without its events", notify("<Hook>n.cmd</Hook>"),
         "Invalid service configuration, errors are as follows:\r\nElement \"Hook\" needs the attribute On, the events "
         "it is for\r\n"},
        {"a restart sooner than a minute", "<Supervision><RestartEvery>59999</RestartEvery></Supervision>",
         "Invalid service configuration, errors are as follows:\r\nInvalid value (59999) for element \"RestartEvery\".  Valid range is [60000, 4294967295].\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ServiceDefinition d;
        EXPECT_EQ(LoadFailure(dir.Write("case.xml", DefinitionDir::Xml(required, c.rest)), d), c.message);
    }
}

// A program started with a longer command line or environment would run without its parameters
// or variables, so the install refuses them. The system counts UTF-16 characters, not bytes.
TEST(LoadXMLFile, RefusesWhatTheSystemCannotCarry)
{
    DefinitionDir dir;
    const std::string exe = dir.Program();
    const std::string work = dir.Folder("work");
    const std::size_t room = 32766 - (exe.size() + 3);  // the quoted program and a blank come first
    const std::string euro = "\xe2\x82\xac";              // one character, three bytes
    const auto repeated = [](const std::string& piece, std::size_t times) {
        std::string all;
        for (std::size_t i = 0; i < times; ++i) all += piece;
        return all;
    };
    const auto variable = [](const std::string& name, const std::string& value) {
        return "<Variable Name=\"" + name + "\">" + value + "</Variable>";
    };
    const auto block = [](const std::string& variables) { return "<Environment>" + variables + "</Environment>"; };
    const auto tooLong = [](const std::string& what, std::size_t length, std::size_t most) {
        return what + " is too long: " + std::to_string(length) + " characters, the system takes at most " +
               std::to_string(most);
    };
    const std::string required = DefinitionDir::Required("Svc", exe, work);
    struct Case {
        const char* what;
        std::string program;
        std::string rest;
        std::string message;
    };
    const Case cases[] = {
        {"a command line at the limit", required + "<Parameters>" + std::string(room, 'p') + "</Parameters>", "", ""},
        {"a command line of characters beyond a byte",
         required + "<Parameters>" + repeated(euro, room) + "</Parameters>", "", ""},
        {"a command line past the limit", required + "<Parameters>" + std::string(room + 1, 'p') + "</Parameters>",
         "", tooLong("command line of the service program", 32767, 32766)},
        {"a pre-service command line past the limit", required,
         Block("Pre", work, exe, "<PreParameters>" + std::string(room + 1, 'p') + "</PreParameters>"),
         tooLong("command line of the pre-service program", 32767, 32766)},
        {"a post-service command line past the limit", required,
         Block("Post", work, exe, "<PostParameters>" + repeated(euro, room + 1) + "</PostParameters>"),
         tooLong("command line of the post-service program", 32767, 32766)},
        {"an environment block at the limit", required, block(variable("A", std::string(32763, 'v'))), ""},
        {"an environment block past the limit", required,
         block(variable("A", std::string(20000, 'v')) + variable("B", std::string(20000, 'v'))),
         tooLong("environment block", 40007, 32767)},
        {"a variable past the limit", required, block(variable("LONG", std::string(32762, 'v'))),
         tooLong("environment variable \"LONG\"", 32767, 32766)},
        {"a name holding '='", required, block(variable("A=B", "v")),
         "environment variable name \"A=B\" contains '='"},
        {"an empty name", required, block(variable("", "v")), "environment variable name is empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ServiceDefinition d;
        EXPECT_EQ(LoadFailure(dir.Write("case.xml", DefinitionDir::Xml(c.program, c.rest)), d), c.message);
    }
}

// With ExpandVariables the checks look at the paths as the host will use them, the definition's
// variables first; the record keeps them as written. Without it, "%" is an ordinary character.
TEST(LoadXMLFile, ExpandedPathsAreCheckedAndKeptAsWritten)
{
    DefinitionDir dir;
    dir.Program("svc.exe");
    dir.Folder("work");
    const std::string root = dir.Path().string();
    const std::string body =
        DefinitionDir::Required("Svc1", "%VL_ROOT%/svc.exe", "%VL_ROOT%/work") + "<Parameters>100%%</Parameters>";
    const std::string variables = "<Environment><Variable Name=\"vl_root\">" + root + "</Variable></Environment>";
    const struct {
        const char* what;
        std::string rest;
        const char* failure;
    } cases[] = {
        {"expanded", "<Options><ExpandVariables>true</ExpandVariables></Options>" + variables, ""},
        {"not asked for", variables, "application binary is invalid"},
        {"undefined", "<Options><ExpandVariables>true</ExpandVariables></Options>", "application binary is invalid"},
    };
    for (const auto& c : cases) {
        ServiceDefinition d;
        const std::string failure = LoadFailure(dir.Write("expand.xml", DefinitionDir::Xml(body, c.rest)), d);
        EXPECT_EQ(failure.substr(0, std::string(c.failure).size()), c.failure) << c.what;
        if (!*c.failure) {
            EXPECT_EQ(d.Service.Executable, "%VL_ROOT%/svc.exe");
            EXPECT_EQ(d.Service.Parameters, "100%%");
            EXPECT_EQ(d.ExpandVariables, 1u);
        }
    }
}

// The host runs its programs from the folder of Velmora.exe: the install takes relative paths from
// that folder too, never from the folder it was started in, and says where each one points.
TEST(LoadXMLFile, RelativePathsAreTakenFromTheHostsFolder)
{
    DefinitionDir host;
    host.Program("app.exe");
    host.Folder("work");
    DefinitionDir current;
    current.Program("here.exe");
    // The folder as the system writes it, with its own separator (a backslash on Windows).
    const std::string root = host.Path().string();
    const std::string from = root + (root.find('\\') != std::string::npos ? "\\" : "/");
    const std::string out = "<Output><OutputLocation>logs/out.log</OutputLocation></Output>";
    const struct {
        const char* what;
        std::string program;
        std::string rest;
        const char* failure;
        std::vector<std::string> notes;
    } cases[] = {
        {"program and folder", DefinitionDir::Required("Svc", "app.exe", "work"), out, "",
         {"the service program \"app.exe\" is a relative path: the service takes it from the folder of "
          "Velmora.exe, as " + from + "app.exe",
          "the working folder of the service program \"work\" is a relative path: the service takes it from the "
          "folder of Velmora.exe, as " + from + "work",
          "the output file \"logs/out.log\" is a relative path: the service takes it from the folder of "
          "Velmora.exe, as " + from + "logs/out.log"}},
        {"written from the current folder", DefinitionDir::Required("Svc", "./app.exe", host.Path().string()), "", "",
         {"the service program \"./app.exe\" is a relative path: the service takes it from the folder of "
          "Velmora.exe, as " + from + "app.exe"}},
        {"only in the current folder", DefinitionDir::Required("Svc", "here.exe", "work"), "",
         "application binary is invalid",
         {"the service program \"here.exe\" is a relative path: the service takes it from the folder of "
          "Velmora.exe, as " + from + "here.exe"}},
        {"full paths", DefinitionDir::Required("Svc", from + "app.exe", from + "work"), "", "", {}},
    };
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(current.Path());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> notes;
        relative_paths::Base base;
        base.folder = host.Path().string();
        base.note = [&notes](const std::string& text) { notes.push_back(text); };
        ServiceDefinition d;
        unsigned char force = 0;
        std::string failure;
        try {
            LoadDefinitionFile(host.Write("rel.xml", DefinitionDir::Xml(c.program, c.rest)).c_str(), &d, &force, true,
                               base);
        } catch (const CExcep& e) {
            failure = e.message;
        }
        EXPECT_EQ(failure, c.failure);
        EXPECT_EQ(notes, c.notes);
    }
    std::filesystem::current_path(before);
}

// How the system completes a path from a folder, as the host's programs are started.
TEST(RelativePaths, ResolvedAsTheSystemTakesThemFromAFolder)
{
    const struct {
        const char* path;
        const char* folder;
        const char* resolved;
    } cases[] = {
        {"app\\server.exe", "C:\\Program Files\\Velmora", "C:\\Program Files\\Velmora\\app\\server.exe"},
        {".\\server.exe", "C:\\Velmora\\", "C:\\Velmora\\server.exe"},
        {"..\\apps\\x.exe", "D:\\Tools\\Velmora", "D:\\Tools\\Velmora\\..\\apps\\x.exe"},
        {"\\apps\\x.exe", "D:\\Tools\\Velmora", "D:\\apps\\x.exe"},
        {"C:\\apps\\x.exe", "D:\\Tools", "C:\\apps\\x.exe"},
        {"\\\\server\\share\\x.exe", "D:\\Tools", "\\\\server\\share\\x.exe"},
        {"//server/share/x.exe", "D:\\Tools", "//server/share/x.exe"},
        {"/opt/x", "/srv/velmora", "/opt/x"},
        {"x", "/srv/velmora", "/srv/velmora/x"},
        {"x.exe", "", "x.exe"},
        {"", "D:\\Tools", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(relative_paths::Resolved(c.path, c.folder), c.resolved) << c.path;
}

TEST(LoadXMLFile, LocatesTheFileWithOrWithoutItsEnding)
{
    DefinitionDir dir;
    const std::string body = DefinitionDir::Xml(DefinitionDir::Required("Svc", dir.Program(), dir.Folder("w")));
    const std::string base = (dir.Path() / "def").string();
    dir.Write("def.xml", body);
    dir.Write("upper.XML.xml", body);
    dir.Write("twice.xml.xml", body);
    struct Case {
        std::string name;
        bool found;
    };
    const Case cases[] = {
        {base, true},
        {base + ".xml", true},
        {(dir.Path() / "upper.XML").string(), true},   // the ending test is case-sensitive
        {(dir.Path() / "twice.xml").string(), false},  // never a second ending
        {(dir.Path() / "none").string(), false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ServiceDefinition d;
        EXPECT_EQ(LoadFailure(c.name, d), c.found ? "" : "The input file cannot be found.");
    }
}

TEST(LoadXMLFile, LongNamesAreNotRetriedWithTheEnding)
{
    DefinitionDir dir;
    std::string name = (dir.Path() / "").string();
    name += std::string(256 - name.size(), 'n');
    ASSERT_EQ(name.size(), 256u);
    ServiceDefinition d;
    EXPECT_EQ(LoadFailure(name, d), "The input file cannot be found.");
}

TEST(LoadXMLFile, ReportsDefinitionErrorsInEitherWay)
{
    DefinitionDir dir;
    const std::string file = dir.Write(
        "bad.xml", DefinitionDir::Xml(DefinitionDir::Required("Svc", dir.Program(), dir.Folder("w")) +
                                          "<ConsoleApp>maybe</ConsoleApp>",
                                      "<Options><UponExit>7</UponExit></Options>"));
    const std::string first =
        "Invalid value \"maybe\" for element \"ConsoleApp\".  Valid values are:\n\t\"true\", \"on\", \"1\" or\n\t"
        "\"false\", \"off\", \"0\".";
    const std::string second = "Invalid value (7) for element \"UponExit\".  Valid range is [0, 3].";

    ServiceDefinition d;
    testing::internal::CaptureStdout();
    const std::string inException = LoadFailure(file, d, true);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(inException,
              "Invalid service configuration, errors are as follows:\r\n" + first + "\r\n" + second + "\r\n");

    testing::internal::CaptureStdout();
    const std::string printed = LoadFailure(file, d, false);
    EXPECT_EQ(WithoutCarriageReturns(testing::internal::GetCapturedStdout()),
              WithoutCarriageReturns("Invalid service configuration, errors are as follows:\n" + first + "\n" +
                                     second + "\n"));
    EXPECT_EQ(printed, "Invalid service configuration");
}

TEST(PrintQuillonVersion, PrintsTheBanner)
{
    testing::internal::CaptureStdout();
    PrintQuillonVersion();
    EXPECT_EQ(WithoutCarriageReturns(testing::internal::GetCapturedStdout()), "Quillon Tessel v1.5.1 Build 20021013 (unsigned)\n");
}

}  // namespace
