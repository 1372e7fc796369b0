#include "ProgramRunner_win.h"

#include <cstring>
#include <memory>
#include <vector>

#include "SupervisionPolicy.h"

namespace host {

namespace {

DWORD PriorityClass(std::uint32_t priority)
{
    static const DWORD classes[] = {NORMAL_PRIORITY_CLASS,   IDLE_PRIORITY_CLASS,         HIGH_PRIORITY_CLASS,
                                    REALTIME_PRIORITY_CLASS, BELOW_NORMAL_PRIORITY_CLASS, ABOVE_NORMAL_PRIORITY_CLASS};
    return priority < sizeof classes / sizeof classes[0] ? classes[priority] : NORMAL_PRIORITY_CLASS;
}

WORD ShowMode(std::uint32_t showWindow)
{
    static const WORD modes[] = {SW_SHOWNORMAL, SW_HIDE, SW_SHOWMINNOACTIVE, SW_SHOWMAXIMIZED};
    return showWindow < sizeof modes / sizeof modes[0] ? modes[showWindow] : SW_SHOWNORMAL;
}

struct FreeEnvironment {
    void operator()(char* block) const { FreeEnvironmentStringsA(block); }
};

std::vector<std::string> InheritedEnvironment()
{
    std::vector<std::string> entries;
    const std::unique_ptr<char, FreeEnvironment> block(GetEnvironmentStringsA());
    for (const char* entry = block.get(); entry && *entry; entry += std::strlen(entry) + 1) entries.emplace_back(entry);
    return entries;
}

// The window functions, taken from user32 the first time a program's windows are closed: the
// windowing libraries cost every process that loads them private memory, and a host whose
// program has no window never needs them.
struct WindowFunctions {
    decltype(&EnumWindows) enumWindows = nullptr;
    decltype(&GetWindowThreadProcessId) windowProcess = nullptr;
    decltype(&PostMessageA) post = nullptr;
    DWORD processId = 0;
};

template <typename Function>
Function Take(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

BOOL CALLBACK CloseWindowOf(HWND window, LPARAM context)
{
    const auto& functions = *reinterpret_cast<const WindowFunctions*>(context);
    DWORD owner = 0;
    functions.windowProcess(window, &owner);
    if (owner == functions.processId) functions.post(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// Sends WM_CLOSE to every top-level window of the process. user32 stays loaded once it is.
void CloseWindowsOf(DWORD processId)
{
    static const HMODULE user32 = LoadLibraryA("user32.dll");
    WindowFunctions functions;
    functions.enumWindows = Take<decltype(&EnumWindows)>(user32, "EnumWindows");
    functions.windowProcess = Take<decltype(&GetWindowThreadProcessId)>(user32, "GetWindowThreadProcessId");
    functions.post = Take<decltype(&PostMessageA)>(user32, "PostMessageA");
    functions.processId = processId;
    if (!user32 || !functions.enumWindows || !functions.windowProcess || !functions.post) return;
    functions.enumWindows(CloseWindowOf, reinterpret_cast<LPARAM>(&functions));
}

BOOL WINAPI IgnoreControlEvent(DWORD) { return TRUE; }

// How long a program that was sent a Ctrl-C has to end on it before its windows are closed.
constexpr DWORD kCtrlCFirstMs = 250;

// A process can be sent a console event only from its console, so a host without one joins
// the program's console for the moment. The host itself ignores the event it raises there.
bool SendCtrlC(DWORD processId)
{
    static const bool ignoring = SetConsoleCtrlHandler(IgnoreControlEvent, TRUE) != FALSE;
    (void)ignoring;
    if (!AttachConsole(processId)) return false;
    const bool sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != FALSE;
    FreeConsole();
    return sent;
}

// A handle of the host's made inheritable for one program; empty when the host has none.
UniqueHandle InheritableCopy(HANDLE handle)
{
    HANDLE copy = nullptr;
    if (!handle || handle == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        return UniqueHandle();
    return UniqueHandle(copy);
}

// The program's end of its standard input, inheritable, and for a pipe the host's end, which
// no program inherits: the input ends when the host closes it, whoever else holds the read end.
bool OpenInput(StandardInput input, UniqueHandle& programEnd, UniqueHandle& hostEnd)
{
    if (input == StandardInput::NullDevice) {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        const HANDLE device = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                          OPEN_EXISTING, 0, nullptr);
        if (device == INVALID_HANDLE_VALUE) return false;
        programEnd.reset(device);
        return true;
    }
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) return false;
    programEnd.reset(readEnd);
    hostEnd.reset(writeEnd);
    return SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) != FALSE;
}

// One kept or passed-on output stream, as the debug log names it.
std::string StreamText(HANDLE kept, const std::string& file, bool ownConsole, HANDLE hosts)
{
    if (kept) return file.empty() ? std::string("a pipe the host reads and drops") : "\"" + file + "\"";
    if (ownConsole) return "its console";
    return hosts ? "the host's" : "none from the host";
}

}  // namespace

Job Job::Create(std::uint32_t memoryMB)
{
    Job job;
    job.job_.reset(CreateJobObjectA(nullptr, nullptr));
    if (!job.job_) return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (memoryMB != 0) {
        limits.BasicLimitInformation.LimitFlags |= JOB_OBJECT_LIMIT_JOB_MEMORY;
        limits.JobMemoryLimit = static_cast<SIZE_T>(memoryMB) << 20;
    }
    if (!SetInformationJobObject(job.job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits))
        job.job_.reset();
    return job;
}

bool Job::Assign(HANDLE process) const { return job_ && AssignProcessToJobObject(job_.get(), process); }

void Job::End()
{
    if (!job_) return;
    if (!port_) {
        port_.reset(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
        JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{};
        association.CompletionKey = job_.get();
        association.CompletionPort = port_.get();
        if (port_ && !SetInformationJobObject(job_.get(), JobObjectAssociateCompletionPortInformation, &association,
                                              sizeof association))
            port_.reset();
    }
    TerminateJobObject(job_.get(), ERROR_PROCESS_ABORTED);
}

void Job::ReadNotifications()
{
    DWORD message = 0;
    ULONG_PTR key = 0;
    LPOVERLAPPED detail = nullptr;
    while (port_ && GetQueuedCompletionStatus(port_.get(), &message, &key, &detail, 0)) {
        if (message == JOB_OBJECT_MSG_NEW_PROCESS) empty_ = false;
        if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) empty_ = true;
    }
}

bool Job::WaitEmpty(DWORD ms)
{
    if (!job_) return true;
    // Ending a job is asynchronous. Windows counts the job's processes; Wine counts none (all
    // zero), and there the port's notifications tell.
    constexpr DWORD kPollMs = 10;
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (;;) {
        ReadNotifications();
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
        const bool counted = QueryInformationJobObject(job_.get(), JobObjectBasicAccountingInformation, &accounting,
                                                       sizeof accounting, nullptr) &&
                             accounting.TotalProcesses > 0;
        if (counted ? accounting.ActiveProcesses == 0 : empty_) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(kPollMs);
    }
}

DWORD RunningProgram::ExitCode() const
{
    DWORD code = 0;
    if (!process_ || !GetExitCodeProcess(process_.get(), &code)) return 0;
    return code;
}

void RunningProgram::AskToEnd(bool sharedConsole) const
{
    if (HasEnded()) return;
    // In a shared console the Ctrl-C reaches every process of it, the host included, which is
    // stopping already. (Wine delivers no console event to a single process group.)
    const bool sent = (sharedConsole && GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) || SendCtrlC(id_);
    // A console program that takes its Ctrl-C usually ends at once; its windows, if it has any,
    // are asked only when it does not, so a console program's stop never waits for the
    // windowing libraries to load.
    if (sent && WaitForSingleObject(process_.get(), kCtrlCFirstMs) == WAIT_OBJECT_0) return;
    CloseWindowsOf(id_);
}

void RunningProgram::End()
{
    if (job_)
        job_.End();
    else if (process_)
        TerminateProcess(process_.get(), ERROR_PROCESS_ABORTED);
}

bool RunningProgram::WaitGone(DWORD ms)
{
    const ULONGLONG deadline = GetTickCount64() + ms;
    if (process_ && WaitForSingleObject(process_.get(), ms) != WAIT_OBJECT_0) return false;
    const ULONGLONG now = GetTickCount64();
    return job_.WaitEmpty(now >= deadline ? 0 : static_cast<DWORD>(deadline - now));
}

std::mutex& LaunchLock()
{
    static std::mutex lock;
    return lock;
}

LaunchResult Launch(const ServiceDefinition::Invocation& invocation, const LaunchSettings& settings,
                    JobType jobType, const Job& serviceJob, StandardInput input, const ProgramHandles* handles)
{
    LaunchResult result;
    std::string commandLine = CommandLineFor(invocation.Executable, invocation.Parameters);
    std::vector<char> environment;
    if (!settings.environment.empty()) environment = MergedEnvironment(InheritedEnvironment(), settings.environment);

    // The install refuses such definitions; settings written by other means must not start the
    // program with its command line cut short or without its variables.
    const std::size_t lineLength = process_limits::SystemLength(commandLine) + 1;
    if (lineLength > process_limits::kMaxCommandLine) {
        result.error = ERROR_FILENAME_EXCED_RANGE;
        result.refused = "its command line is " + std::to_string(lineLength - 1) + " characters long, more than the " +
                         std::to_string(process_limits::kMaxCommandLine - 1) + " the system carries";
        return result;
    }
    const std::size_t blockLength = process_limits::SystemLength(std::string(environment.begin(), environment.end()));
    if (blockLength > process_limits::kMaxEnvironmentBlock) {
        result.error = ERROR_BAD_ENVIRONMENT;
        result.refused = "its environment is " + std::to_string(blockLength) + " characters long, more than the " +
                         std::to_string(process_limits::kMaxEnvironmentBlock) + " the system carries";
        return result;
    }

    char desktop[] = "winsta0\\default";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = ShowMode(settings.showWindow);
    if (settings.interactWithDesktop) startup.lpDesktop = desktop;
    // The only inheritable handles of the host are the ones made here and the output pipes' write
    // ends, each for this program alone; the host's copies close once it has started. A program
    // with a console of its own gets that console for a stream left null (Windows 8 and later).
    UniqueHandle inputEnd, inputPipe;
    if (!OpenInput(input, inputEnd, inputPipe)) {
        result.error = GetLastError();
        return result;
    }
    const bool ownConsole = settings.consoleApp && !settings.sharedConsole;
    const HANDLE keptOutput = handles ? handles->Output() : nullptr;
    const HANDLE keptError = handles ? handles->Error() : nullptr;
    const UniqueHandle hostOutput = keptOutput || ownConsole ? UniqueHandle()
                                                             : InheritableCopy(GetStdHandle(STD_OUTPUT_HANDLE));
    const UniqueHandle hostError = keptError || ownConsole ? UniqueHandle()
                                                           : InheritableCopy(GetStdHandle(STD_ERROR_HANDLE));
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = inputEnd.get();
    startup.hStdOutput = keptOutput ? keptOutput : hostOutput.get();
    startup.hStdError = keptError ? keptError : hostError.get();
    result.streams = std::string("standard input: ") +
                     (input == StandardInput::HostPipe ? "a pipe the host holds open until the stop"
                                                       : "the null device") +
                     ", output: " + StreamText(keptOutput, handles ? handles->outputFile : "", ownConsole,
                                               hostOutput.get()) +
                     ", error: " + StreamText(keptError, handles ? handles->errorFile : "", ownConsole,
                                              hostError.get());

    DWORD flags = CREATE_SUSPENDED | PriorityClass(settings.priority);
    if (ownConsole) flags |= CREATE_NEW_CONSOLE;

    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, flags,
                        environment.empty() ? nullptr : environment.data(),
                        invocation.WorkingDir.empty() ? nullptr : invocation.WorkingDir.c_str(), &startup, &info)) {
        result.error = GetLastError();
        return result;
    }
    UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);

    // Placed in its job before it runs a single instruction, so no child can slip out.
    Job job;
    if (jobType == JobType::Local) job = Job::Create(settings.jobMemoryMB);
    const Job* target = jobType == JobType::Local ? &job : jobType == JobType::Global ? &serviceJob : nullptr;
    if (target && !target->Assign(process.get())) {
        result.error = GetLastError();
        TerminateProcess(process.get(), ERROR_PROCESS_ABORTED);
        return result;
    }
    if (settings.affinityMask) {
        DWORD_PTR processMask = 0, systemMask = 0;
        if (GetProcessAffinityMask(process.get(), &processMask, &systemMask) && (settings.affinityMask & systemMask))
            SetProcessAffinityMask(process.get(), settings.affinityMask & systemMask);
    }
    ResumeThread(thread.get());
    result.program = RunningProgram(std::move(process), info.dwProcessId, std::move(job), std::move(inputPipe));
    return result;
}

}  // namespace host
