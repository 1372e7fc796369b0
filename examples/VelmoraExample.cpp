// A small program to run as a service: it records how it was started and what happens to it,
// and misbehaves on request, so the host's supervision can be seen and tested.
//
//   VelmoraExample [--record FILE] [--exit CODE] [--run MS] [--crash] [--child]
//                  [--ignore-ctrl-c] [--window] [--quiet] [--listen PORT] [--read-input]
//                  [--end-on-file FILE] [--ready-after MS] [--hang-on-file FILE] [--grow MB]
//                  [--handles N] [--spin] [--children N] [--release-after MS] [anything else]
//
// --record FILE   append the run's process id, start time, arguments, working directory and
//                 environment to FILE, and later what ended the run
// --exit CODE     end at once with this exit code (decimal, or hex as 0xC0000005)
// --run MS        end with exit code 0 after MS milliseconds
// --crash         end by an access violation
// --child         start a copy of itself that ignores Ctrl-C and records to FILE.child
// --ignore-ctrl-c keep running on Ctrl-C and Ctrl-Break
// --window        own a hidden top-level window; WM_CLOSE ends the run
// --quiet         record to FILE only, not to standard output as well
// --listen PORT   listen on 127.0.0.1:PORT, the child too holding the socket; a port in use
//                 ends the run with exit code 3
// --read-input    read standard input until it ends (exit code 4) or a read fails (exit code 5)
// --end-on-file F once the file F exists, finish the work (2 s) and end with exit code 0
// --ready-after MS wait MS milliseconds before listening and recording "ready"
// --hang-on-file F once the file F exists, stop taking messages (its window, if any, no longer
//                 answers) and never end by itself
// --grow MB       commit and touch MB megabytes of memory
// --handles N     open and hold N handles
// --spin          keep one core busy
// --children N    start N copies of itself that idle (as --child does, without the socket)
// --release-after MS  give the memory, handles and core back after MS milliseconds
// The start record says what standard input is: pipe, char (a device or console), file or none.
// A run that goes on records "ready" once its child and window are there.
// Without --exit, --run or --crash it runs until Ctrl-C, Ctrl-Break or WM_CLOSE.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "PathText.h"

namespace {

std::string recordFile;
bool ignoreCtrlC = false;
bool quiet = false;
HANDLE endEvent = nullptr;
// The first reason to end is kept: a Ctrl-C that comes while the run is ending does not change it.
std::atomic<const char*> endReason{nullptr};

void EndFor(const char* reason)
{
    const char* none = nullptr;
    endReason.compare_exchange_strong(none, reason);
    SetEvent(endEvent);
}

// System time in 100 ns units, comparable between processes.
unsigned long long Now()
{
    FILETIME time{};
    GetSystemTimePreciseAsFileTime(&time);
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The file comes first: a console can be slow to take the text.
void Record(const std::string& text)
{
    if (!recordFile.empty()) {
        if (FILE* file = std::fopen(recordFile.c_str(), "ab")) {
            std::fputs(text.c_str(), file);
            std::fclose(file);
        }
    }
    if (quiet) return;
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

std::string Line(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Line(const char* format, ...)
{
    char text[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return std::string(text) + "\n";
}

BOOL WINAPI OnControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    Record(Line("control pid=%lu event=%lu ignored=%d time=%llu", GetCurrentProcessId(), event, ignoreCtrlC ? 1 : 0,
                Now()));
    if (ignoreCtrlC) return TRUE;
    EndFor(event == CTRL_C_EVENT ? "ctrl-c" : "ctrl-break");
    return TRUE;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l)
{
    if (message == WM_CLOSE) {
        EndFor("wm-close");
        return 0;
    }
    return DefWindowProcA(window, message, w, l);
}

void RecordStart(int argc, char** argv)
{
    std::string text = Line("run pid=%lu time=%llu", GetCurrentProcessId(), Now());
    for (int i = 1; i < argc; ++i) text += Line("arg=%s", argv[i]);
    text += "cwd=" + path_text::CurrentDirectory() + "\n";
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    const DWORD type = input && input != INVALID_HANDLE_VALUE ? GetFileType(input) : FILE_TYPE_UNKNOWN;
    text += std::string("stdin=") +
            (type == FILE_TYPE_PIPE ? "pipe" : type == FILE_TYPE_CHAR ? "char" : type == FILE_TYPE_DISK ? "file" : "none") +
            "\n";
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* entry = block; *entry; entry += std::strlen(entry) + 1) text += Line("env=%s", entry);
        FreeEnvironmentStringsA(block);
    }
    Record(text);
}

// The socket stays open until the process ends, and is inherited by the child. The socket
// library is loaded only here: a run that does not listen neither loads nor unloads it.
bool Listen(int port)
{
    const HMODULE sockets = LoadLibraryA("ws2_32.dll");
    const auto take = [sockets](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
            reinterpret_cast<void*>(GetProcAddress(sockets, name)));
        return function != nullptr;
    };
    decltype(&WSAStartup) startup = nullptr;
    decltype(&socket) open = nullptr;
    decltype(&bind) bindTo = nullptr;
    decltype(&listen) listenOn = nullptr;
    decltype(&WSAGetLastError) lastError = nullptr;
    if (!sockets || !take(startup, "WSAStartup") || !take(open, "socket") || !take(bindTo, "bind") ||
        !take(listenOn, "listen") || !take(lastError, "WSAGetLastError")) {
        Record(Line("listen-failed pid=%lu error=%lu", GetCurrentProcessId(), GetLastError()));
        return false;
    }
    WSADATA data;
    if (startup(MAKEWORD(2, 2), &data) != 0) return false;
    const SOCKET listener = open(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = 0x0100007F;                                       // 127.0.0.1, network order
    address.sin_port = static_cast<u_short>(((port & 0xFF) << 8) | ((port >> 8) & 0xFF));  // network order
    if (listener == INVALID_SOCKET ||
        !SetHandleInformation(reinterpret_cast<HANDLE>(listener), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) ||
        bindTo(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listenOn(listener, 1) != 0) {
        Record(Line("listen-failed pid=%lu error=%d", GetCurrentProcessId(), lastError()));
        return false;
    }
    Record(Line("listening pid=%lu port=%d", GetCurrentProcessId(), port));
    return true;
}

void StartChild(bool inheritSocket)
{
    std::string command = "\"" + path_text::ModuleFileName(nullptr) + "\" --ignore-ctrl-c";
    if (!recordFile.empty()) command += " --record \"" + recordFile + ".child\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, inheritSocket, 0, nullptr, nullptr, &startup, &info)) {
        Record(Line("child-failed error=%lu", GetLastError()));
        return;
    }
    Record(Line("child pid=%lu", info.dwProcessId));
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

// Reads and drops standard input until it ends (a pipe's writer closed it, or end of file) or a
// read fails, as programs do that must not outlive whoever feeds them.
void ReadInput()
{
    char buffer[4096];
    DWORD got = 0;
    BOOL read = FALSE;
    while ((read = ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr)) && got) {
    }
    const DWORD error = read ? 0 : GetLastError();
    const bool ended = error == 0 || error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF;
    Record(Line("input pid=%lu ended=%d error=%lu time=%llu", GetCurrentProcessId(), ended ? 1 : 0, error, Now()));
    EndFor(ended ? "input-ended" : "read-failed");
}

// What the program takes of the machine on request, for the host's resource limits: memory it
// commits and touches, handles it holds, a core it keeps busy, children that idle; all of it
// (but the children) given back after `releaseAfterMs` when that is set.
struct Load {
    unsigned long growMb = 0;
    unsigned long handles = 0;
    bool spin = false;
    unsigned long children = 0;
    long releaseAfterMs = -1;
};

void TakeLoad(const Load& load)
{
    static std::atomic<bool> spinning{false};
    char* memory = nullptr;
    if (load.growMb) {
        const SIZE_T bytes = static_cast<SIZE_T>(load.growMb) << 20;
        memory = static_cast<char*>(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        for (SIZE_T at = 0; memory && at < bytes; at += 4096) memory[at] = 1;
        Record(Line("grown pid=%lu mb=%lu ok=%d", GetCurrentProcessId(), load.growMb, memory ? 1 : 0));
    }
    std::vector<HANDLE> held;
    for (unsigned long i = 0; i < load.handles; ++i)
        if (HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr)) held.push_back(event);
    if (load.handles) Record(Line("handles pid=%lu count=%lu", GetCurrentProcessId(), static_cast<unsigned long>(held.size())));
    if (load.spin) {
        spinning = true;
        std::thread([] {
            volatile unsigned long long n = 0;
            while (spinning) n = n + 1;
        }).detach();
        Record(Line("spinning pid=%lu", GetCurrentProcessId()));
    }
    for (unsigned long i = 0; i < load.children; ++i) StartChild(false);
    if (load.releaseAfterMs < 0) return;
    std::thread([memory, held, releaseAfterMs = load.releaseAfterMs] {
        Sleep(static_cast<DWORD>(releaseAfterMs));
        spinning = false;
        if (memory) VirtualFree(memory, 0, MEM_RELEASE);
        for (HANDLE h : held) CloseHandle(h);
        Record(Line("released pid=%lu time=%llu", GetCurrentProcessId(), Now()));
    }).detach();
}

void CreateHiddenWindow()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VelmoraExampleWindow";
    RegisterClassA(&windowClass);
    CreateWindowA(windowClass.lpszClassName, "Velmora example", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                  windowClass.hInstance, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    long long exitCode = -1;
    long runMs = -1;
    int listenPort = 0;
    bool crash = false, child = false, window = false, readInput = false;
    std::string endFile, hangFile;
    long readyAfterMs = 0;
    Load load;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--record" && i + 1 < argc) recordFile = argv[++i];
        else if (arg == "--exit" && i + 1 < argc) exitCode = std::strtoul(argv[++i], nullptr, 0);
        else if (arg == "--run" && i + 1 < argc) runMs = std::atol(argv[++i]);
        else if (arg == "--crash") crash = true;
        else if (arg == "--child") child = true;
        else if (arg == "--ignore-ctrl-c") ignoreCtrlC = true;
        else if (arg == "--window") window = true;
        else if (arg == "--quiet") quiet = true;
        else if (arg == "--listen" && i + 1 < argc) listenPort = std::atoi(argv[++i]);
        else if (arg == "--read-input") readInput = true;
        else if (arg == "--end-on-file" && i + 1 < argc) endFile = argv[++i];
        else if (arg == "--ready-after" && i + 1 < argc) readyAfterMs = std::atol(argv[++i]);
        else if (arg == "--hang-on-file" && i + 1 < argc) hangFile = argv[++i];
        else if (arg == "--grow" && i + 1 < argc) load.growMb = std::strtoul(argv[++i], nullptr, 10);
        else if (arg == "--handles" && i + 1 < argc) load.handles = std::strtoul(argv[++i], nullptr, 10);
        else if (arg == "--spin") load.spin = true;
        else if (arg == "--children" && i + 1 < argc) load.children = std::strtoul(argv[++i], nullptr, 10);
        else if (arg == "--release-after" && i + 1 < argc) load.releaseAfterMs = std::atol(argv[++i]);
    }
    endEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnControl, TRUE);
    RecordStart(argc, argv);
    if (readyAfterMs > 0) Sleep(static_cast<DWORD>(readyAfterMs));
    if (listenPort && !Listen(listenPort)) return 3;
    if (child) StartChild(listenPort != 0);
    if (exitCode >= 0) {
        Record(Line("end pid=%lu reason=exit code=%lld time=%llu", GetCurrentProcessId(), exitCode, Now()));
        return static_cast<int>(exitCode);
    }
    if (crash) {
        Record(Line("end pid=%lu reason=crash time=%llu", GetCurrentProcessId(), Now()));
        // No crash dialog or debugger: the supervisor is what should notice.
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
        *static_cast<volatile int*>(nullptr) = 1;
    }
    if (window) CreateHiddenWindow();
    if (readInput) std::thread(ReadInput).detach();
    TakeLoad(load);
    Record(Line("ready pid=%lu", GetCurrentProcessId()));

    const DWORD limit = runMs >= 0 ? static_cast<DWORD>(runMs) : INFINITE;
    const ULONGLONG started = GetTickCount64();
    for (;;) {
        const ULONGLONG elapsed = GetTickCount64() - started;
        const DWORD left = limit == INFINITE ? INFINITE : elapsed >= limit ? 0 : static_cast<DWORD>(limit - elapsed);
        // A file to end on is looked for every 20 ms.
        const DWORD wait = endFile.empty() && hangFile.empty() ? left : std::min<DWORD>(left, 20);
        const DWORD woke = MsgWaitForMultipleObjects(1, &endEvent, FALSE, wait, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) break;
        if (!endFile.empty() && GetFileAttributesA(endFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
            EndFor("flag");
            Sleep(2000);  // a Ctrl-C that comes meanwhile is recorded
            break;
        }
        if (!hangFile.empty() && GetFileAttributesA(hangFile.c_str()) != INVALID_FILE_ATTRIBUTES) {
            Record(Line("hang pid=%lu time=%llu", GetCurrentProcessId(), Now()));
            Sleep(600000);  // ended from outside long before this
        }
        if (woke == WAIT_TIMEOUT && wait == left) {
            EndFor("timeout");
            break;
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    const std::string reason = endReason.load() ? endReason.load() : "";
    const int code = reason == "input-ended" ? 4 : reason == "read-failed" ? 5 : 0;
    Record(Line("end pid=%lu reason=%s code=%d time=%llu", GetCurrentProcessId(), reason.c_str(), code, Now()));
    return code;
}
