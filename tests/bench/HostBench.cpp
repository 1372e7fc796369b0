// Measures the service host under the real service manager, each figure beside a floor measured
// in the same run: its private bytes while it supervises one idle program (the script compares
// them with the idle program's own), how long after a program's exit its replacement is started
// beyond the monitoring interval (beside an ideal supervisor that only waits and restarts), how
// long `stop` takes for a program that honours Ctrl-C (beside the program's own time to end) and
// how long an install takes (beside `sc.exe create` of the same service).
// Run by scripts/bench-host.sh; not a test.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "Definitions.h"
#include "WinTestUtil.h"

namespace {

constexpr int kRestarts = 10;
constexpr DWORD kIntervalMs = 500;

std::string Definition(DefinitionDir& dir, const std::string& name, const std::string& exe,
                       const std::string& parameters, const std::string& program, const std::string& rest)
{
    const std::string params = parameters.empty() ? "" : "<Parameters>" + parameters + "</Parameters>";
    return dir.Write(name + ".xml", DefinitionDir::Xml(DefinitionDir::Required(name, exe, dir.Folder("work")) + params +
                                                           program,
                                                       rest));
}

bool Install(const std::string& file)
{
    const wintest::CommandResult r = wintest::RunHost("-i " + file);
    if (r.exitCode != 0) std::printf("install failed: %s\n", r.output.c_str());
    return r.exitCode == 0;
}

DWORD HostProcess(const char* name)
{
    UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle service(OpenServiceA(scm.get(), name, SERVICE_QUERY_STATUS));
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status, &needed);
    return status.dwProcessId;
}

bool StartService(const char* name)
{
    UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle service(OpenServiceA(scm.get(), name, SERVICE_START));
    return StartServiceA(service.get(), 0, nullptr) && wintest::WaitForState(name, SERVICE_RUNNING, 30000);
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Milliseconds of the day from a debug log line's "YYYY-MM-DD hh:mm:ss.mmm" stamp.
long long Stamp(const std::string& line)
{
    int h = 0, m = 0, s = 0, ms = 0;
    if (std::sscanf(line.c_str() + 11, "%d:%d:%d.%d", &h, &m, &s, &ms) != 4) return -1;
    return ((h * 60LL + m) * 60 + s) * 1000 + ms;
}

double Seconds()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The gaps between a run's last recorded line and the next run's first, beyond the interval.
std::vector<double> RestartGaps(const std::string& record)
{
    std::vector<double> gaps;
    std::istringstream lines(ReadAll(record));
    unsigned long long end = 0;
    for (std::string line; std::getline(lines, line);) {
        const std::string::size_type t = line.find("time=");
        if (t == std::string::npos) continue;
        const unsigned long long time = std::stoull(line.substr(t + 5));
        if (line.rfind("end ", 0) == 0) end = time;
        else if (line.rfind("run ", 0) == 0 && end) gaps.push_back((time - end) / 10000.0 - kIntervalMs);
    }
    return gaps;
}

double Median(std::vector<double> values)
{
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

const char kIdle[] = "vlbenchidle";

// Leaves the idle service running, so the script can also look at the host from the outside.
void StartIdle(DefinitionDir& dir, const std::string& example)
{
    if (Install(Definition(dir, kIdle, example, "", "", "")) && StartService(kIdle)) Sleep(3000);
}

void MeasureMemory()
{
    const char* name = kIdle;
    UniqueHandle host(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, HostProcess(name)));
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (host && GetProcessMemoryInfo(host.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        std::printf("host private bytes, one idle program: %.0f KiB (working set %.0f KiB)\n",
                    counters.PrivateUsage / 1024.0, counters.WorkingSetSize / 1024.0);
    else
        std::printf("host memory: not available (%lu)\n", GetLastError());
    wintest::RemoveServiceQuietly(name);
}

// The floor of a restart: a supervisor that does nothing but wait for the program's end, wait
// the interval and start it again.
double IdealRestart(DefinitionDir& dir, const std::string& windowedExample)
{
    const std::string record = dir.Path().string() + "\\ideal.txt";
    DeleteFileA(record.c_str());
    std::string command = "\"" + windowedExample + "\" --record \"" + record + "\" --run 200";
    for (int run = 0; run <= kRestarts; ++run) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            return -1;
        const UniqueHandle process(info.hProcess), thread(info.hThread);
        WaitForSingleObject(process.get(), INFINITE);
        if (run < kRestarts) Sleep(kIntervalMs);
    }
    return Median(RestartGaps(record));
}

void MeasureRestart(DefinitionDir& dir, const std::string& windowedExample)
{
    const char name[] = "vlbenchrestart";
    const std::string log = dir.Path().string() + "\\restart.log";
    const std::string record = dir.Path().string() + "\\restart.txt";
    const std::string definition =
        Definition(dir, name, windowedExample, "--record \"" + record + "\" --run 200", "",
                   "<Options><UponExit>1</UponExit></Options><SMF><SMFFrequency>" + std::to_string(kIntervalMs) +
                       "</SMFFrequency></SMF><Debug><DebugEnabled>true</DebugEnabled><DebugLocation>" + log +
                       "</DebugLocation></Debug>");
    // One restart per installation, so the back-off of quick exits never joins in.
    std::vector<double> waitMs, launchMs, programMs;
    for (int round = 0; round < kRestarts; ++round) {
        DeleteFileA(record.c_str());
        DeleteFileA(log.c_str());
        if (!Install(definition) || !StartService(name)) return;
        for (int i = 0; i < 400; ++i) {
            const std::string text = ReadAll(record);
            std::size_t runs = 0;
            for (std::size_t at = text.find("run "); at != std::string::npos; at = text.find("\nrun ", at + 1)) ++runs;
            if (runs >= 2) break;
            Sleep(20);
        }
        wintest::RemoveServiceQuietly(name);
        // Host: noticing the exit, waiting the interval, creating the replacement.
        std::istringstream lines(ReadAll(log));
        long long ended = -1, restarting = -1;
        for (std::string line; std::getline(lines, line);) {
            if (line.find("The service program (process") != std::string::npos) ended = Stamp(line);
            else if (line.find("; it is started again in ") != std::string::npos) restarting = Stamp(line);
            else if (line.find("Started the service program") != std::string::npos && restarting >= 0) {
                waitMs.push_back(static_cast<double>(restarting - ended));
                launchMs.push_back(static_cast<double>(Stamp(line) - restarting - kIntervalMs));
            }
        }
        // Program: from the run's last word to the next run's first.
        for (double gap : RestartGaps(record)) programMs.push_back(gap);
    }
    const double ideal = IdealRestart(dir, windowedExample);
    std::printf("restart, beyond the %lu ms interval (medians over %zu): exit noticed to restart decided %.0f ms; "
                "interval over to replacement created %.0f ms; program's last line to replacement's first %.0f ms; "
                "ideal supervisor %.0f ms; ratio %.2f\n",
                kIntervalMs, launchMs.size(), Median(waitMs), Median(launchMs), Median(programMs), ideal,
                Median(programMs) / ideal);
}

void MeasureStop(DefinitionDir& dir, const std::string& example)
{
    const char name[] = "vlbenchstop";
    const std::string record = dir.Path().string() + "\\stop.txt";
    std::vector<double> stopMs, programMs, controlMs, endMs;
    for (int round = 0; round < 5; ++round) {
        DeleteFileA(record.c_str());
        // Quiet: a program writing to its own console spends most of its stop there under Wine.
        if (!Install(Definition(dir, name, example, "--record \"" + record + "\" --quiet", "<ConsoleApp>true</ConsoleApp>",
                                "<Options><JobType>1</JobType></Options><Debug><DebugEnabled>true</DebugEnabled>"
                                "<DebugLocation>" + dir.Path().string() + "\\stop.log</DebugLocation></Debug>")) ||
            !StartService(name))
            return;
        for (int i = 0; i < 400 && ReadAll(record).find("ready") == std::string::npos; ++i) Sleep(50);
        Sleep(300);
        UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        UniqueScHandle service(OpenServiceA(scm.get(), name, SERVICE_STOP | SERVICE_QUERY_STATUS));
        // The program's own part: from the request until its process is gone.
        FILETIME asked{};
        GetSystemTimeAsFileTime(&asked);
        const std::string text = ReadAll(record);
        const std::string::size_type ready = text.find("ready pid=");
        const DWORD pid = ready == std::string::npos ? 0 : std::stoul(text.substr(ready + 10));
        const UniqueHandle program(OpenProcess(SYNCHRONIZE, FALSE, pid));
        const double start = Seconds();
        double gone = -1;
        SERVICE_STATUS status{};
        ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
        while (QueryServiceStatus(service.get(), &status) && status.dwCurrentState != SERVICE_STOPPED) {
            if (gone < 0 && program && WaitForSingleObject(program.get(), 0) == WAIT_OBJECT_0) gone = Seconds();
            Sleep(1);
        }
        const double stopped = Seconds();
        if (gone < 0) gone = stopped;
        stopMs.push_back((stopped - start) * 1000.0);
        programMs.push_back((gone - start) * 1000.0);
        // When the Ctrl-C reached the program, and when it wrote its last line.
        const unsigned long long requested =
            (static_cast<unsigned long long>(asked.dwHighDateTime) << 32) | asked.dwLowDateTime;
        const std::string after = ReadAll(record);
        for (const auto& [word, list] : {std::make_pair("control pid=", &controlMs), std::make_pair("end pid=", &endMs)}) {
            const std::string::size_type line = after.rfind(word);
            const std::string::size_type t = line == std::string::npos ? line : after.find("time=", line);
            if (t != std::string::npos) list->push_back((std::stoull(after.substr(t + 5)) - requested) / 10000.0);
        }
        service.reset();
        wintest::RemoveServiceQuietly(name);
    }
    std::printf("stop to stopped, program honouring Ctrl-C: median %.0f ms (", Median(stopMs));
    for (double ms : stopMs) std::printf(" %.0f", ms);
    std::printf(" ); after the request, medians: the Ctrl-C reached the program %.0f ms, its last line %.0f ms, its "
                "process gone %.0f ms; ratio to the last %.2f\nlast stop in the debug log:\n",
                Median(controlMs), Median(endMs), Median(programMs), Median(stopMs) / Median(programMs));
    const std::string log = ReadAll(dir.Path().string() + "\\stop.log");
    std::printf("%s", log.substr(log.rfind("Asking") == std::string::npos ? 0 : log.rfind("Asking") - 31).c_str());
}

void MeasureInstall(DefinitionDir& dir, const std::string& example)
{
    const char name[] = "vlbenchinstall";
    const std::string definition = Definition(dir, name, example, "", "", "");
    const std::string create = std::string("sc.exe create ") + name + " binPath= \"\\\"" + wintest::ProgramFolder() +
                               "\\Velmora.exe\\\" -s\"";
    std::vector<double> installMs, createMs;
    for (int round = 0; round < 7; ++round) {
        double start = Seconds();
        const bool installed = Install(definition);
        installMs.push_back((Seconds() - start) * 1000.0);
        wintest::RemoveServiceQuietly(name);
        start = Seconds();
        const wintest::CommandResult created = wintest::Run(create);
        createMs.push_back((Seconds() - start) * 1000.0);
        wintest::RemoveServiceQuietly(name);
        if (!installed || created.exitCode != 0) {
            std::printf("install measurement failed: %s\n", created.output.c_str());
            return;
        }
    }
    std::printf("install (Velmora -i) median %.0f ms; sc.exe create median %.0f ms; ratio %.2f\n", Median(installMs),
                Median(createMs), Median(installMs) / Median(createMs));
}

}  // namespace

int main(int argc, char** argv)
{
    DefinitionDir dir;
    const std::string folder = wintest::ProgramFolder();
    if (argc > 1 && std::string(argv[1]) == "start-idle") {
        StartIdle(dir, folder + "\\VelmoraExample.exe");
        return 0;
    }
    MeasureMemory();
    MeasureRestart(dir, folder + "\\example_windowed.exe");
    MeasureStop(dir, folder + "\\VelmoraExample.exe");
    MeasureInstall(dir, folder + "\\VelmoraExample.exe");
    return 0;
}
