#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Definitions.h"
#include "HostMessages.h"
#include "RegistryData.h"
#include "SupervisionPolicy.h"
#include "WinTestUtil.h"

namespace {

// Services created during a test carry lower-case names: Wine's service manager finds a service
// created since it started only by its name in lower case.
const char kName[] = "vlhosted";
constexpr DWORD kGraceMs = 5000;  // the host's stop grace period
constexpr unsigned long long kTicksPerMs = 10000;
// How long a program may take to start: a Wine process start on a busy machine can take seconds.
constexpr DWORD kStartMs = 20000;

unsigned long long Now()
{
    FILETIME time{};
    GetSystemTimePreciseAsFileTime(&time);
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// One run of the example program as it recorded itself.
struct ProgramRun {
    DWORD pid = 0;
    unsigned long long started = 0, ended = 0;
    std::vector<std::string> args, env;
    std::string cwd, endReason, input;  // input: what its standard input was (pipe, char, file, none)
    DWORD childPid = 0;
    bool ready = false;
    bool ctrlC = false;  // it recorded a Ctrl-C reaching it
    int listening = 0;  // 1 it listens on its port, -1 the port was taken
};

std::string Field(const std::string& line, const std::string& key)
{
    const std::string::size_type at = line.find(" " + key + "=");
    if (at == std::string::npos) return "";
    const std::string::size_type begin = at + key.size() + 2;
    return line.substr(begin, line.find(' ', begin) - begin);
}

std::vector<ProgramRun> ReadRuns(const std::string& file)
{
    std::vector<ProgramRun> runs;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("run ", 0) == 0) {
            runs.emplace_back();
            runs.back().pid = std::stoul(Field(line, "pid"));
            runs.back().started = std::stoull(Field(line, "time"));
        } else if (runs.empty()) {
            continue;
        } else if (line.rfind("arg=", 0) == 0) {
            runs.back().args.push_back(line.substr(4));
        } else if (line.rfind("env=", 0) == 0) {
            runs.back().env.push_back(line.substr(4));
        } else if (line.rfind("cwd=", 0) == 0) {
            runs.back().cwd = line.substr(4);
        } else if (line.rfind("stdin=", 0) == 0) {
            runs.back().input = line.substr(6);
        } else if (line.rfind("ready ", 0) == 0) {
            runs.back().ready = true;
        } else if (line.rfind("listening ", 0) == 0 || line.rfind("listen-failed ", 0) == 0) {
            runs.back().listening = line.rfind("listening ", 0) == 0 ? 1 : -1;
        } else if (line.rfind("control ", 0) == 0 && std::stoul(Field(line, "pid")) == runs.back().pid) {
            runs.back().ctrlC = runs.back().ctrlC || Field(line, "event") == std::to_string(CTRL_C_EVENT);
        } else if (line.rfind("child ", 0) == 0) {
            runs.back().childPid = std::stoul(Field(line, "pid"));
        } else if (line.rfind("end ", 0) == 0 && std::stoul(Field(line, "pid")) == runs.back().pid) {
            runs.back().endReason = Field(line, "reason");
            runs.back().ended = std::stoull(Field(line, "time"));
        }
    }
    return runs;
}

enum class Until { Started, Ready, Ended };

// Waits up to `ms` for the record to hold `count` runs, the last of them as far as `until`.
std::vector<ProgramRun> WaitForRuns(const std::string& file, std::size_t count, DWORD ms, Until until = Until::Started)
{
    std::vector<ProgramRun> runs;
    for (DWORD waited = 0; waited <= ms; waited += 20) {
        runs = ReadRuns(file);
        if (runs.size() >= count && (until != Until::Ready || runs[count - 1].ready) &&
            (until != Until::Ended || !runs[count - 1].endReason.empty()))
            break;
        Sleep(20);
    }
    return runs;
}

bool ProcessGone(DWORD pid)
{
    UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    return !process || WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0;
}

SERVICE_STATUS_PROCESS Status(const char* name)
{
    SERVICE_STATUS_PROCESS status{};
    UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle service(OpenServiceA(scm.get(), name, SERVICE_QUERY_STATUS));
    DWORD needed = 0;
    QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status, &needed);
    return status;
}

// Handles a process holds, from the system's handle table (Wine's GetProcessHandleCount says 0).
ULONG HandleCount(DWORD pid)
{
    struct Entry {
        USHORT process, backTrace;
        UCHAR type, attributes;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<char> buffer(1 << 20);
    ULONG size = 0;
    while (query(16 /* SystemHandleInformation */, buffer.data(), static_cast<ULONG>(buffer.size()), &size) ==
           static_cast<LONG>(0xC0000004)) {
        buffer.resize(buffer.size() * 2);
    }
    const ULONG total = *reinterpret_cast<ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
    ULONG count = 0;
    for (ULONG i = 0; i < total; ++i) count += entries[i].process == static_cast<USHORT>(pid);
    return count;
}

// A port nothing listens on now, for the example program to take.
int FreePort()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 0;
    const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    const bool bound = bind(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                       getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    closesocket(probe);
    WSACleanup();
    return bound ? ntohs(address.sin_port) : 0;
}

std::string ReadText(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::string::size_type at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

wintest::CommandResult Host(const std::string& arguments) { return wintest::RunHost(arguments); }

std::string Sc(const std::string& arguments) { return wintest::Run("sc.exe " + arguments).output; }

class ServiceHost : public ::testing::Test {
protected:
    void TearDown() override { wintest::RemoveServiceQuietly(kName); }

    std::string Example() const { return wintest::ProgramFolder() + "\\VelmoraExample.exe"; }
    std::string File(const std::string& name) const { return (dir_.Path() / name).string(); }
    std::string Record(const std::string& name) const { return "--record \"" + File(name) + "\""; }
    std::string Debug() const
    {
        return "<Debug><DebugEnabled>true</DebugEnabled><DebugLocation>" + File("debug.log") + "</DebugLocation></Debug>";
    }

    // The example program as the service's definition file.
    std::string Definition(const std::string& parameters, const std::string& program = "", const std::string& rest = "",
                           const std::string& executable = "", const std::string& workingDir = "")
    {
        return dir_.Write("service.xml", DefinitionDir::Xml(DefinitionDir::Required(kName, executable.empty() ? Example() : executable,
                                                                                    workingDir.empty() ? dir_.Folder("work") : workingDir) +
                                                                "<Parameters>" + parameters + "</Parameters>" + program,
                                                            rest));
    }

    // Installs the example program as the service through Velmora.exe -i.
    void Install(const std::string& parameters, const std::string& program = "", const std::string& rest = "",
                 const std::string& executable = "", const std::string& workingDir = "")
    {
        const wintest::CommandResult installed = Host("-i " + Definition(parameters, program, rest, executable, workingDir));
        ASSERT_EQ(installed.exitCode, 0) << installed.output;
    }

    void Start()
    {
        ASSERT_EQ(wintest::StartNamedService(kName), static_cast<DWORD>(NO_ERROR));
        ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_RUNNING, kStartMs)) << Sc(std::string("query ") + kName);
    }

    DefinitionDir dir_;
};

// For tests that assert the program saw its Ctrl-C: a loaded machine can take longer than the
// default 5 s to deliver it, and a program that takes it ends at once anyway.
const std::string kLoadedStop = "<Supervision><StopTimeout>30000</StopTimeout></Supervision>";

TEST_F(ServiceHost, ProgramRunsWithItsSettingsBetweenPreAndPost)
{
    dir_.Write("debug.log", "an earlier line\r\n");
    const std::string example = Example();
    Install(Record("service.txt") + " \"two words\"", "<Delay>200</Delay><ConsoleApp>true</ConsoleApp>",
            "<PreService><PreWorkingDir>" + dir_.Folder("pre") + "</PreWorkingDir><PreExecutable>" + example +
                "</PreExecutable><PreParameters>" + Record("pre.txt") +
                " --run 300</PreParameters><PreDelay>10000</PreDelay></PreService>"
                "<PostService><PostWorkingDir>" + dir_.Folder("post") + "</PostWorkingDir><PostExecutable>" + example +
                "</PostExecutable><PostParameters>" + Record("post.txt") +
                " --exit 0</PostParameters><PostDelay>10000</PostDelay></PostService>"
                "<Environment><Variable Name=\"VL_ONE\">1</Variable><Variable Name=\"temp\">" + File("tmp") +
                "</Variable></Environment>"
                "<Debug><DebugEnabled>true</DebugEnabled><DebugLocation>" + File("debug.log") +
                "</DebugLocation></Debug>" + kLoadedStop);
    Start();

    const std::vector<ProgramRun> pre = ReadRuns(File("pre.txt"));
    const std::vector<ProgramRun> runs = WaitForRuns(File("service.txt"), 1, kStartMs);
    ASSERT_EQ(pre.size(), 1u);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(pre[0].endReason, "timeout");
    EXPECT_LT(pre[0].ended, runs[0].started) << "the pre-service program ends before the program starts";
    EXPECT_EQ(pre[0].cwd, dir_.Folder("pre"));
    EXPECT_EQ(runs[0].args, (std::vector<std::string>{"--record", File("service.txt"), "two words"}));
    EXPECT_EQ(runs[0].cwd, dir_.Folder("work"));
    EXPECT_NE(std::find(runs[0].env.begin(), runs[0].env.end(), "VL_ONE=1"), runs[0].env.end());
    std::vector<std::string> temps;
    for (const std::string& e : runs[0].env)
        if (_strnicmp(e.c_str(), "TEMP=", 5) == 0) temps.push_back(e);
    EXPECT_EQ(temps, std::vector<std::string>{"temp=" + File("tmp")}) << "the definition's variable replaces TEMP";
    EXPECT_TRUE(wintest::Contains(Sc(std::string("query ") + kName), "RUNNING"));

    ASSERT_EQ(wintest::StopNamedService(kName), static_cast<DWORD>(NO_ERROR));
    ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_STOPPED, 40000));
    EXPECT_TRUE(wintest::Contains(Sc(std::string("query ") + kName), "STOPPED"));
    const std::vector<ProgramRun> ended = ReadRuns(File("service.txt"));
    const std::vector<ProgramRun> post = ReadRuns(File("post.txt"));
    ASSERT_EQ(post.size(), 1u);
    EXPECT_EQ(ended[0].endReason, "ctrl-c");
    EXPECT_GT(post[0].started, ended[0].ended) << "the post-service program starts after the program ended";
    EXPECT_EQ(post[0].cwd, dir_.Folder("post"));

    std::ifstream logFile(File("debug.log"), std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(logFile)), std::istreambuf_iterator<char>());
    EXPECT_EQ(log.rfind("an earlier line\r\n", 0), 0u) << "the log is appended to, never truncated";
    // An event's line carries the event's own text, once, with one line end.
    const std::string service = std::string("The service ") + kName;
    for (const std::string& line :
         {service + " is running: program " + example + " started as process " + std::to_string(runs[0].pid) + ".\r\n",
          std::string("Asking the service program"), service + " has stopped (service exit code 0).\r\n"})
        EXPECT_TRUE(wintest::Contains(log, line)) << line << " in\n" << log;
}

TEST_F(ServiceHost, AKilledProgramIsReplacedWithinTheIntervalAndItsLocalJobEnds)
{
    constexpr unsigned long long kIntervalMs = 1000;
    Install(Record("service.txt") + " --child", "",
            "<Options><UponExit>1</UponExit><JobType>2</JobType></Options><SMF><SMFFrequency>1000</SMFFrequency></SMF>"
            "<Debug><DebugEnabled>true</DebugEnabled><DebugLocation>" + File("debug.log") + "</DebugLocation></Debug>");
    Start();
    const std::vector<ProgramRun> first = WaitForRuns(File("service.txt"), 1, kStartMs);
    ASSERT_EQ(first.size(), 1u);
    ASSERT_TRUE(WaitForRuns(File("service.txt.child"), 1, kStartMs).size() == 1u);

    UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, first[0].pid));
    ASSERT_TRUE(process);
    const unsigned long long killed = Now();
    ASSERT_TRUE(TerminateProcess(process.get(), 9));
    const std::vector<ProgramRun> runs = WaitForRuns(File("service.txt"), 2, kStartMs);
    ASSERT_EQ(runs.size(), 2u);
    const unsigned long long replacedAfterMs = (runs[1].started - killed) / kTicksPerMs;
    EXPECT_GE(replacedAfterMs + 50, kIntervalMs) << "restarted only after the monitoring interval";
    // Within it, not after a back-off: what the host decided, which no load can change.
    const std::string log = ReadText(File("debug.log"));
    EXPECT_TRUE(wintest::Contains(log, "ended with exit code 9 after")) << log;
    EXPECT_TRUE(wintest::Contains(log, "; it is started again in 1000 ms.")) << log;
    EXPECT_TRUE(ProcessGone(first[0].childPid)) << "the ended run's child went with its local job";
    EXPECT_FALSE(ProcessGone(runs[1].pid));
}

TEST_F(ServiceHost, AProgramThatExitsAtOnceIsRestartedWithBackOffAndTheServiceStaysControllable)
{
    Install(Record("service.txt") + " --exit 1", "",
            "<Options><UponExit>1</UponExit></Options><SMF><SMFFrequency>50</SMFFrequency></SMF>"
            "<Debug><DebugEnabled>true</DebugEnabled><DebugLocation>" + File("debug.log") + "</DebugLocation></Debug>",
            wintest::ProgramFolder() + "\\example_windowed.exe");
    Start();
    const DWORD host = Status(kName).dwProcessId;
    ASSERT_EQ(WaitForRuns(File("service.txt"), 10, 60000, Until::Ended).size(), 10u);
    const ULONG handlesAfter10 = HandleCount(host);
    const std::vector<ProgramRun> runs = WaitForRuns(File("service.txt"), 50, 240000, Until::Ended);
    ASSERT_EQ(runs.size(), 50u);
    const ULONG handlesAfter50 = HandleCount(host);
    EXPECT_GT(handlesAfter10, 0u);
    EXPECT_LE(handlesAfter50, handlesAfter10 + 2) << "a handle per restart would show here";

    const unsigned long long firstGapMs = (runs[1].started - runs[0].ended) / kTicksPerMs;
    const unsigned long long lastGapMs = (runs[49].started - runs[48].ended) / kTicksPerMs;
    EXPECT_GE(lastGapMs, 4 * 50u) << "back-off engaged";
    EXPECT_GT(lastGapMs, firstGapMs);
    // Only the first quick exits are logged one by one; the loop is then summed up every few minutes.
    const std::string log = ReadText(File("debug.log"));
    EXPECT_EQ(Count(log, "; it is started again in "), host::RestartReports::kReportedOneByOne) << log;
    EXPECT_EQ(Count(log, "summed up every 10 minutes"), 1u) << log;

    ASSERT_EQ(wintest::StopNamedService(kName), static_cast<DWORD>(NO_ERROR));
    ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_STOPPED, 10000));
    EXPECT_EQ(Status(kName).dwWin32ExitCode, static_cast<DWORD>(NO_ERROR));
}

TEST_F(ServiceHost, StopEndsTheProgramAndEverythingItStarted)
{
    const struct {
        const char* jobType;
        const char* parameters;
        const char* endReason;  // "" when the program has to be ended after the grace period
    } cases[] = {
        {"1", " --ignore-ctrl-c --child", ""},
        {"2", " --ignore-ctrl-c --child", ""},
        {"1", " --ignore-ctrl-c --window", "wm-close"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("job type ") + c.jobType + c.parameters);
        const bool forced = c.endReason[0] == '\0';
        DeleteFileA(File("service.txt").c_str());
        DeleteFileA(File("debug.log").c_str());
        Install(Record("service.txt") + c.parameters, "<ConsoleApp>true</ConsoleApp>",
                std::string("<Options><JobType>") + c.jobType + "</JobType></Options>"
                "<Debug><DebugEnabled>true</DebugEnabled><DebugLocation>" + File("debug.log") +
                "</DebugLocation></Debug>");
        Start();
        const std::vector<ProgramRun> runs = WaitForRuns(File("service.txt"), 1, kStartMs, Until::Ready);
        ASSERT_TRUE(runs.size() == 1u && runs[0].ready);
        const UniqueHandle host(OpenProcess(SYNCHRONIZE, FALSE, Status(kName).dwProcessId));
        ASSERT_TRUE(host);

        ASSERT_EQ(wintest::StopNamedService(kName), static_cast<DWORD>(NO_ERROR));
        ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_STOPPED, kGraceMs + kStartMs));
        EXPECT_TRUE(ProcessGone(runs[0].pid));
        if (runs[0].childPid) {
            EXPECT_TRUE(ProcessGone(runs[0].childPid));
        }
        EXPECT_EQ(WaitForSingleObject(host.get(), kStartMs), static_cast<DWORD>(WAIT_OBJECT_0)) << "the host ends too";
        // What the stop did, not how long it took: asked first, then ended after the grace period
        // unless the window's close ended it.
        const ProgramRun ended = ReadRuns(File("service.txt"))[0];
        EXPECT_EQ(ended.endReason, c.endReason) << ReadText(File("service.txt"));
        const std::string log = ReadText(File("debug.log"));
        EXPECT_TRUE(wintest::Contains(log, "Asking the service program")) << log;
        EXPECT_EQ(wintest::Contains(log, "did not end within " + std::to_string(kGraceMs) +
                                             " ms of being asked to and was ended"),
                  forced)
            << log;
        // The program's own record: the Ctrl-C reached it before it was ended. A program that
        // ends on its window's close may end before its Ctrl-C handler has run.
        if (forced) {
            EXPECT_TRUE(ended.ctrlC) << ReadText(File("service.txt"));
        }
        wintest::RemoveServiceQuietly(kName);
    }
}

TEST_F(ServiceHost, AStartThatWouldNeverEndCanBeStoppedWithinTheStopBound)
{
    // The checks refuse such times; a registry written by other means may still hold them.
    const struct {
        const char* value;
        bool preService;
    } cases[] = {{"ServiceDelay", false}, {"PreServiceDelay", true}};
    // The bound the README gives for a stop without a stop or post-service program.
    const DWORD boundMs = host::StopPendingBoundMs(host::kStopGraceMs, false, false);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const std::string record = File(c.preService ? "pre.txt" : "service.txt");
        DeleteFileA(record.c_str());
        Install(Record("service.txt"), "<ConsoleApp>true</ConsoleApp>",
                c.preService ? "<PreService><PreWorkingDir>" + dir_.Folder("pre") + "</PreWorkingDir><PreExecutable>" +
                                   Example() + "</PreExecutable><PreParameters>" + Record("pre.txt") +
                                   "</PreParameters></PreService>"
                             : "");
        const std::string key = std::string("SYSTEM\\CurrentControlSet\\Services\\") + kName + "\\Parameters";
        const DWORD forever = 0xFFFFFFFF;
        ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), c.value, REG_DWORD, &forever, sizeof forever),
                  ERROR_SUCCESS);
        ASSERT_EQ(wintest::StartNamedService(kName), static_cast<DWORD>(NO_ERROR));
        const std::vector<ProgramRun> runs = WaitForRuns(record, 1, kStartMs);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(Status(kName).dwCurrentState, static_cast<DWORD>(SERVICE_START_PENDING));

        UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        UniqueScHandle service(OpenServiceA(scm.get(), kName, SERVICE_STOP));
        SERVICE_STATUS status{};
        EXPECT_TRUE(ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) << GetLastError();
        // A slow machine gets as long again as a start, on top of the bound.
        ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_STOPPED, boundMs + kStartMs));
        EXPECT_EQ(Status(kName).dwWin32ExitCode, static_cast<DWORD>(NO_ERROR));
        EXPECT_TRUE(ProcessGone(runs[0].pid));
        wintest::RemoveServiceQuietly(kName);
    }
}

TEST_F(ServiceHost, AStartRightAfterAStopFindsThePortOfTheOldProgramAndItsChildFree)
{
    const int port = FreePort();
    ASSERT_NE(port, 0);
    for (const char* jobType : {"1", "2"}) {
        SCOPED_TRACE(std::string("job type ") + jobType);
        DeleteFileA(File("service.txt").c_str());
        Install(Record("service.txt") + " --listen " + std::to_string(port) + " --child", "<ConsoleApp>true</ConsoleApp>",
                std::string("<Options><JobType>") + jobType + "</JobType></Options>");
        Start();
        std::vector<ProgramRun> runs = WaitForRuns(File("service.txt"), 1, kStartMs, Until::Ready);
        ASSERT_TRUE(runs.size() == 1u && runs[0].ready && runs[0].listening == 1 && runs[0].childPid != 0);

        ASSERT_EQ(wintest::StopNamedService(kName), static_cast<DWORD>(NO_ERROR));
        ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_STOPPED, kGraceMs + kStartMs));
        EXPECT_TRUE(ProcessGone(runs[0].childPid)) << "stopped, yet the child is still there";
        Start();
        runs = WaitForRuns(File("service.txt"), 2, kStartMs, Until::Ready);
        ASSERT_EQ(runs.size(), 2u);
        EXPECT_EQ(runs[1].listening, 1) << "the port was still held by the stopped service's processes";
        wintest::RemoveServiceQuietly(kName);
    }
}

TEST_F(ServiceHost, ExitActionsEndTheServiceStoppedWithTheirExitCodes)
{
    const struct {
        const char* uponExit;
        DWORD win32ExitCode, serviceExitCode;
    } cases[] = {
        {"2", ERROR_SERVICE_SPECIFIC_ERROR, 3},
        {"3", NO_ERROR, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("upon exit ") + c.uponExit);
        Install(Record("service.txt") + " --run 300", "",
                std::string("<Options><UponExit>") + c.uponExit + "</UponExit></Options>");
        ASSERT_EQ(wintest::StartNamedService(kName), static_cast<DWORD>(NO_ERROR));
        ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_STOPPED, 2 * kStartMs));
        const SERVICE_STATUS_PROCESS status = Status(kName);
        EXPECT_EQ(status.dwWin32ExitCode, c.win32ExitCode);
        EXPECT_EQ(status.dwServiceSpecificExitCode, c.serviceExitCode);
        EXPECT_TRUE(wintest::Contains(Sc(std::string("query ") + kName),
                                      "SERVICE_EXIT_CODE  : " + std::to_string(c.serviceExitCode)));
        wintest::RemoveServiceQuietly(kName);
    }
}

// A service logging on as a user account, installed by a script that pipes the password in: the
// password goes nowhere else, the host asks to hear of a coming shutdown, and "Terminate Velmora"
// ends the service with exit code 3 and the flag that lets the recovery actions see it.
TEST_F(ServiceHost, AUserAccountServiceWithRecoveryEndsWithItsExitCode)
{
    char user[257] = {};
    DWORD userSize = sizeof user;
    ASSERT_TRUE(GetUserNameA(user, &userSize));
    const std::string password = "Pw-5Kx-never-kept";
    const std::string xml = DefinitionDir::Xml(
        DefinitionDir::Required(kName, Example(), dir_.Folder("work")) + "<Parameters>" + Record("service.txt") +
            " --run 3000</Parameters>",
        std::string("<Options><UponExit>2</UponExit><InteractWithDesktop>false</InteractWithDesktop><Account>.\\") +
            user + "</Account></Options><Supervision><PreShutdownTimeout>60000</PreShutdownTimeout></Supervision>"
                   "<Recovery><FirstFailure>1</FirstFailure></Recovery>"
                   "<Debug><DebugEnabled>true</DebugEnabled><DebugLocation>" + File("debug.log") +
            "</DebugLocation></Debug>");
    const wintest::CommandResult installed = wintest::Run("echo " + password + "| \"" + wintest::ProgramFolder() +
                                                          "\\Velmora.exe\" -i " + dir_.Write("service.xml", xml));
    ASSERT_EQ(installed.exitCode, 0) << installed.output;
    EXPECT_FALSE(wintest::Contains(installed.output, password)) << installed.output;

    Start();
    EXPECT_EQ(Status(kName).dwControlsAccepted,
              static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_PRESHUTDOWN));
    ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_STOPPED, 2 * kStartMs));
    EXPECT_EQ(Status(kName).dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(Status(kName).dwServiceSpecificExitCode, 3u);
    const std::string log = ReadText(File("debug.log"));
    EXPECT_TRUE(wintest::Contains(log, " is running: program ")) << log;
    EXPECT_FALSE(wintest::Contains(log, password));

    UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle service(OpenServiceA(scm.get(), kName, SERVICE_QUERY_CONFIG));
    SERVICE_FAILURE_ACTIONS_FLAG flag{};
    DWORD needed = 0;
    if (QueryServiceConfig2W(service.get(), SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, reinterpret_cast<BYTE*>(&flag),
                             sizeof flag, &needed)) {
        EXPECT_TRUE(flag.fFailureActionsOnNonCrashFailures);
    } else {
        // Wine keeps no recovery flag; the install said so.
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
        EXPECT_TRUE(wintest::Contains(installed.output, "Note: This system does not support recovery actions for a "
                                                        "service that stops itself"))
            << installed.output;
    }
}

// The supervision settings: an action by exit code before UponExit, a limit on restarts that
// ends in the failure exit code, and a stop timeout of the service's own.
TEST_F(ServiceHost, SupervisionSettingsDecideByExitCodeLimitRestartsAndTimeTheStop)
{
    const std::string debug = "<Debug><DebugEnabled>true</DebugEnabled><DebugLocation>" + File("debug.log") +
                              "</DebugLocation></Debug>";
    const struct {
        const char* what;
        std::string parameters, supervision;
        DWORD win32ExitCode, serviceExitCode;
        std::size_t runs;  // the runs the record must hold once the service stopped
    } cases[] = {
        {"exit code 0 is listed as Shutdown", " --exit 0", "<ExitAction Code=\"0\">3</ExitAction>", NO_ERROR, 0, 1},
        {"a code the list leaves out takes its default, Terminate", " --exit 5",
         "<ExitAction Code=\"0\">3</ExitAction><ExitAction>2</ExitAction>", ERROR_SERVICE_SPECIFIC_ERROR, 3, 1},
        {"restarts beyond the limit end the service", " --exit 5",
         "<ExitAction Code=\"0\">3</ExitAction><RestartLimit>2</RestartLimit>", ERROR_SERVICE_SPECIFIC_ERROR, 3, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileA(File("service.txt").c_str());
        Install(Record("service.txt") + c.parameters, "",
                "<SMF><SMFFrequency>50</SMFFrequency></SMF><Supervision>" + c.supervision + "</Supervision>" + debug);
        ASSERT_EQ(wintest::StartNamedService(kName), static_cast<DWORD>(NO_ERROR));
        ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_STOPPED, 2 * kStartMs));
        const SERVICE_STATUS_PROCESS status = Status(kName);
        EXPECT_EQ(status.dwWin32ExitCode, c.win32ExitCode);
        EXPECT_EQ(status.dwServiceSpecificExitCode, c.serviceExitCode);
        EXPECT_EQ(ReadRuns(File("service.txt")).size(), c.runs);
        wintest::RemoveServiceQuietly(kName);
    }
    EXPECT_TRUE(wintest::Contains(ReadText(File("debug.log")), "restarted 2 times within 60000 ms, its limit"));

    // A program that ignores Ctrl-C is ended after the service's own stop timeout.
    DeleteFileA(File("service.txt").c_str());
    Install(Record("service.txt") + " --ignore-ctrl-c", "<ConsoleApp>true</ConsoleApp>",
            "<Supervision><StopTimeout>1500</StopTimeout></Supervision>" + debug);
    Start();
    ASSERT_EQ(WaitForRuns(File("service.txt"), 1, kStartMs, Until::Ready).size(), 1u);
    ASSERT_EQ(wintest::StopNamedService(kName), static_cast<DWORD>(NO_ERROR));
    ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_STOPPED, kStartMs));
    EXPECT_TRUE(
        wintest::Contains(ReadText(File("debug.log")), "did not end within 1500 ms of being asked to and was ended"));
}

// A stop program asks first: the program that ignores Ctrl-C ends on it, before the timeout and
// without being asked otherwise. Paths use a definition's variable, expanded at the start.
TEST_F(ServiceHost, AStopProgramEndsTheProgramAndVariablesExpandInPaths)
{
    const std::string program = File("stoppable.exe");
    ASSERT_TRUE(CopyFileA((wintest::ProgramFolder() + "\\example_windowed.exe").c_str(), program.c_str(), FALSE));
    dir_.Folder("work");
    Install(Record("service.txt") + " --ignore-ctrl-c %VELMORA_TEST_ROOT%", "",
            "<Options><ExpandVariables>true</ExpandVariables></Options>"
            "<Environment><Variable Name=\"VELMORA_TEST_ROOT\">" + dir_.Path().string() + "</Variable></Environment>"
            "<Supervision><StopTimeout>20000</StopTimeout></Supervision>"
            "<StopService><StopWorkingDir>%VELMORA_TEST_ROOT%</StopWorkingDir><StopExecutable>"
            "C:\\windows\\system32\\taskkill.exe</StopExecutable><StopParameters>/F /IM stoppable.exe"
            "</StopParameters></StopService>"
            "<Debug><DebugEnabled>true</DebugEnabled><DebugLocation>%VELMORA_TEST_ROOT%\\debug.log</DebugLocation>"
            "</Debug>",
            "%VELMORA_TEST_ROOT%\\stoppable.exe", "%VELMORA_TEST_ROOT%\\work");
    Start();
    const std::vector<ProgramRun> runs = WaitForRuns(File("service.txt"), 1, kStartMs, Until::Ready);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].cwd, dir_.Folder("work"));
    EXPECT_EQ(runs[0].args.back(), dir_.Path().string()) << "parameters expand too";
    ASSERT_EQ(wintest::StopNamedService(kName), static_cast<DWORD>(NO_ERROR));
    ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_STOPPED, kStartMs));
    EXPECT_TRUE(ProcessGone(runs[0].pid));
    const std::string log = ReadText(File("debug.log"));
    const std::string::size_type started = log.find("Started the stop program");
    const std::string::size_type ended = log.find("The service program ended on the stop program");
    EXPECT_NE(started, std::string::npos) << log;
    EXPECT_NE(ended, std::string::npos) << log;
    EXPECT_LT(started, ended);
    EXPECT_FALSE(wintest::Contains(log, "Asking the service program")) << log;
    EXPECT_FALSE(wintest::Contains(log, "did not end within")) << log;
}

// A program that ends when its input ends runs in every way a definition can run it: its input
// is a pipe that ends at the stop, and it ends on that before any Ctrl-C. The pre-service program
// reads the null device and goes on at once, though it could take ten minutes.
TEST_F(ServiceHost, AProgramThatReadsItsInputRunsUntilTheStopEndsIt)
{
    const std::string windowless = wintest::ProgramFolder() + "\\example_windowed.exe";
    const struct {
        const char* what;
        std::string program, rest, executable;
    } cases[] = {
        {"output kept", "", "<Output><OutputLocation>" + File("out.log") + "</OutputLocation></Output>", ""},
        {"no console", "", "", windowless},
        {"a console of its own", "<ConsoleApp>true</ConsoleApp>", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* file : {"service.txt", "pre.txt", "debug.log"}) DeleteFileA(File(file).c_str());
        Install(Record("service.txt") + " --read-input", c.program,
                c.rest + "<PreService><PreWorkingDir>" + dir_.Folder("pre") + "</PreWorkingDir><PreExecutable>" +
                    Example() + "</PreExecutable><PreParameters>" + Record("pre.txt") +
                    " --read-input</PreParameters><PreDelay>600000</PreDelay></PreService>" + Debug(),
                c.executable);
        Start();
        const std::vector<ProgramRun> pre = ReadRuns(File("pre.txt"));
        ASSERT_EQ(pre.size(), 1u);
        EXPECT_EQ(pre[0].endReason, "input-ended");
        ASSERT_EQ(WaitForRuns(File("service.txt"), 1, kStartMs, Until::Ready).size(), 1u);
        ASSERT_EQ(wintest::StopNamedService(kName), static_cast<DWORD>(NO_ERROR));
        ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_STOPPED, kGraceMs + kStartMs));
        const std::vector<ProgramRun> runs = ReadRuns(File("service.txt"));
        ASSERT_EQ(runs.size(), 1u) << ReadText(File("service.txt"));
        EXPECT_EQ(runs[0].input, "pipe");
        EXPECT_EQ(runs[0].endReason, "input-ended") << "its input lasted until the stop";
        EXPECT_FALSE(runs[0].ctrlC);
        const std::string log = ReadText(File("debug.log"));
        for (const char* said : {"standard input: the null device", "standard input: a pipe the host holds open",
                                 "ended on the end of its input, with exit code 4"})
            EXPECT_TRUE(wintest::Contains(log, said)) << said << " in\n" << log;
        wintest::RemoveServiceQuietly(kName);
    }
}

// A stop program that only asks gets its chance: the program ends on the request by itself,
// never sent a Ctrl-C. Without the stop program the Ctrl-C comes as before.
TEST_F(ServiceHost, AStopProgramsRequestIsAnsweredBeforeAnyCtrlC)
{
    const std::string stopProgram = "<StopService><StopWorkingDir>" + dir_.Folder("stop") +
                                    "</StopWorkingDir><StopExecutable>" + wintest::ProgramFolder() +
                                    "\\example_windowed.exe</StopExecutable><StopParameters>" +
                                    Record("flag") + " --exit 0</StopParameters></StopService>";
    const struct {
        const char* what;
        std::string stopService;
        const char* endReason;
        const char* logged;
    } cases[] = {
        {"with a stop program", stopProgram, "flag", "The service program ended on the stop program"},
        {"without", "", "ctrl-c", "Asking the service program"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* file : {"service.txt", "flag", "debug.log"}) DeleteFileA(File(file).c_str());
        Install(Record("service.txt") + " --end-on-file \"" + File("flag") + "\"", "<ConsoleApp>true</ConsoleApp>",
                c.stopService + "<Supervision><StopTimeout>20000</StopTimeout></Supervision>" + Debug());
        Start();
        ASSERT_EQ(WaitForRuns(File("service.txt"), 1, kStartMs, Until::Ready).size(), 1u);
        ASSERT_EQ(wintest::StopNamedService(kName), static_cast<DWORD>(NO_ERROR));
        ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_STOPPED, 2 * kStartMs));
        const std::vector<ProgramRun> runs = ReadRuns(File("service.txt"));
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].endReason, c.endReason) << ReadText(File("service.txt"));
        EXPECT_EQ(runs[0].ctrlC, c.stopService.empty()) << ReadText(File("service.txt"));
        const std::string log = ReadText(File("debug.log"));
        EXPECT_TRUE(wintest::Contains(log, c.logged)) << log;
        EXPECT_FALSE(wintest::Contains(log, "did not end within")) << log;
        wintest::RemoveServiceQuietly(kName);
    }
}

TEST_F(ServiceHost, SettingsWithoutAProgramFailTheStartWithTheirExitCode)
{
    Install(Record("service.txt"));
    const std::string key = std::string("SYSTEM\\CurrentControlSet\\Services\\") + kName + "\\Parameters";
    ASSERT_EQ(RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), "ServiceExe"), ERROR_SUCCESS);
    ASSERT_EQ(wintest::StartNamedService(kName), static_cast<DWORD>(NO_ERROR));
    ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_STOPPED, kStartMs));
    EXPECT_EQ(Status(kName).dwServiceSpecificExitCode, 1u);
    EXPECT_TRUE(ReadRuns(File("service.txt")).empty());
}

// Text where a number belongs is named and counts as missing: read as a number, "zzz" would be a
// start-up time of over two hours and "abc" a job type that means no job.
TEST_F(ServiceHost, SettingsOfTheWrongTypeAreNamedAndCountAsMissing)
{
    Install(Record("service.txt"), "",
            "<Debug><DebugEnabled>true</DebugEnabled><DebugLocation>" + File("debug.log") + "</DebugLocation></Debug>");
    const std::string key = registry_data::ParametersKeyPath(kName);
    for (const char* name : {"ServiceDelay", "JobType"})
        ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), name, REG_SZ, "zzz", 4), ERROR_SUCCESS);
    Start();
    ASSERT_EQ(wintest::StopNamedService(kName), static_cast<DWORD>(NO_ERROR));
    ASSERT_TRUE(wintest::WaitForState(kName, SERVICE_STOPPED));
    std::ifstream logFile(File("debug.log"), std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(logFile)), std::istreambuf_iterator<char>());
    for (const char* name : {"ServiceDelay", "JobType"})
        EXPECT_TRUE(wintest::Contains(log, std::string("The setting ") + name + " of the service " + kName +
                                               " in the registry key HKEY_LOCAL_MACHINE\\" + key))
            << log;

    // Where the value is required, the start fails with the settings' exit code.
    const DWORD number = 7;
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), "ServiceExe", REG_DWORD, &number, 4), ERROR_SUCCESS);
    const wintest::CommandResult console = Host(std::string("-c ") + kName);
    EXPECT_EQ(console.exitCode, 1);
    EXPECT_TRUE(wintest::Contains(console.output, "The setting ServiceExe")) << console.output;
}

TEST_F(ServiceHost, WhatTheSystemCannotCarryFailsTheStartByName)
{
    // The install refuses such settings; written by other means, the program must not start
    // with its command line cut short or without its variables.
    // Should the program start after all, it ends at once and so does the service.
    const std::string parameters = Record("service.txt") + " --exit 0";
    const std::string huge(40000, 'x');
    const struct {
        const char* value;
        DWORD type;
        std::string data;
        const char* said;
    } cases[] = {{"ServiceParams", REG_SZ, parameters + " " + huge + '\0', "its command line is "},
                 {"Environment", REG_MULTI_SZ, "BIG=" + huge + '\0' + '\0', "its environment is "}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        DeleteFileA(File("service.txt").c_str());
        Install(parameters, "", "<Options><UponExit>3</UponExit></Options>");
        ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, registry_data::ParametersKeyPath(kName).c_str(), c.value, c.type,
                                  c.data.data(), static_cast<DWORD>(c.data.size())),
                  ERROR_SUCCESS);
        const wintest::CommandResult console = Host(std::string("-c ") + kName);
        EXPECT_EQ(console.exitCode, 1);
        EXPECT_TRUE(wintest::Contains(console.output, c.said)) << console.output;
        EXPECT_TRUE(wintest::Contains(console.output, "service-specific exit code 2 (the program could not be started)"))
            << console.output;
        EXPECT_TRUE(ReadRuns(File("service.txt")).empty()) << "the program ran with less than it was given";
        wintest::RemoveServiceQuietly(kName);
    }
}

// The installed service, or a definition file tried before it is installed: the same
// supervision until Ctrl-C, and a file leaves no service behind.
TEST_F(ServiceHost, ConsoleModeRunsTheSameSupervisionUntilCtrlC)
{
    for (const bool installed : {true, false}) {
        SCOPED_TRACE(installed ? "installed" : "definition file");
        DeleteFileA(File("service.txt").c_str());
        const std::string definition = Definition(Record("service.txt"), "<ConsoleApp>true</ConsoleApp>", kLoadedStop);
        if (installed) Install(Record("service.txt"), "<ConsoleApp>true</ConsoleApp>", kLoadedStop);
        std::string command = "\"" + wintest::ProgramFolder() + "\\Velmora.exe\" -c \"" +
                              (installed ? std::string(kName) : definition) + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION info{};
        ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                                   &startup, &info));
        const UniqueHandle host(info.hProcess), thread(info.hThread);
        // A host left running would keep this test's output open and hold up the whole run.
        struct EndOnExit {
            HANDLE process;
            ~EndOnExit() { TerminateProcess(process, 1); }
        } endOnExit{host.get()};
        const std::vector<ProgramRun> runs = WaitForRuns(File("service.txt"), 1, kStartMs);
        ASSERT_EQ(runs.size(), 1u);

        // Ctrl-C in the host's console, as an administrator would press it.
        std::string press = "\"" + wintest::ProgramFolder() + "\\send_ctrl_c.exe\" " + std::to_string(info.dwProcessId);
        PROCESS_INFORMATION pressed{};
        ASSERT_TRUE(CreateProcessA(nullptr, &press[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                                   &startup, &pressed));
        const UniqueHandle presser(pressed.hProcess), presserThread(pressed.hThread);
        ASSERT_EQ(WaitForSingleObject(presser.get(), 20000), WAIT_OBJECT_0);
        DWORD pressCode = 99;
        GetExitCodeProcess(presser.get(), &pressCode);
        EXPECT_EQ(pressCode, 0u);
        ASSERT_EQ(WaitForSingleObject(host.get(), 60000), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(host.get(), &code);
        EXPECT_EQ(code, 0u);
        EXPECT_TRUE(ProcessGone(runs[0].pid));
        EXPECT_FALSE(ReadRuns(File("service.txt"))[0].endReason.empty());
        EXPECT_EQ(wintest::ServiceExists(kName), installed);
        wintest::RemoveServiceQuietly(kName);
    }
}

// -c never starts a second copy of a service's program, whether named or by its definition file.
TEST_F(ServiceHost, ConsoleModeRefusesAServiceThatRuns)
{
    Install(Record("service.txt"), "<ConsoleApp>true</ConsoleApp>");
    Start();
    ASSERT_EQ(WaitForRuns(File("service.txt"), 1, kStartMs).size(), 1u);
    for (const std::string& argument : {std::string("VLHOSTED"), dir_.Path().string() + "\\service.xml"}) {
        SCOPED_TRACE(argument);
        const wintest::CommandResult console = Host("-c " + argument);
        EXPECT_EQ(console.exitCode, 11);
        EXPECT_TRUE(wintest::Contains(console.output, "The service 'vlhosted' is running; stop it first.")) << console.output;
    }
    EXPECT_EQ(ReadRuns(File("service.txt")).size(), 1u) << "no second start";
}

TEST(HostMessages, EveryEventHasItsTextInTheHostProgram)
{
    const std::string host = wintest::ProgramFolder() + "\\Velmora.exe";
    UniqueHmodule module(LoadLibraryExA(host.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    for (DWORD id : {MSG_SERVICE_STARTED, MSG_SERVICE_STOPPED, MSG_PROGRAM_RESTARTING, MSG_PROGRAM_ENDED,
                     MSG_PROGRAM_ENDED_SERVICE_FAILS, MSG_PROGRAM_ENDED_SERVICE_STOPS, MSG_PROGRAM_START_FAILED,
                     MSG_SETTINGS_UNREADABLE, MSG_PROGRAM_FORCED_TO_END, MSG_HOST_FAILURE,
                     MSG_PROGRAM_RESTARTS_SUMMED_UP, MSG_PROGRAM_RECOVERED, MSG_SETTING_WRONG_TYPE,
                     MSG_OUTPUT_FOLDER_FAILED, MSG_OUTPUT_NOT_CAPTURED, MSG_OUTPUT_LOST, MSG_OUTPUT_LOST_AT_STOP,
                     MSG_RESTART_LIMIT_REACHED}) {
        SCOPED_TRACE(id);
        EXPECT_NE(id & 0xFFFF, 0u) << "the event log shows the low word as the event id";
        char text[512] = {};
        const char* service = "svc";
        const DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>(service), reinterpret_cast<DWORD_PTR>("a"),
                                  reinterpret_cast<DWORD_PTR>("b"), reinterpret_cast<DWORD_PTR>("c")};
        const DWORD length =
            FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module.get(), id, 0x409, text,
                           sizeof text, reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(args)));
        EXPECT_GT(length, 0u) << GetLastError();
        EXPECT_TRUE(wintest::Contains(text, "svc")) << text;
    }
}

}  // namespace
