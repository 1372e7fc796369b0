#include "HostRunner.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <io.h>

#include "InstallerResultDialog.h"
#include "UniqueResource.h"

namespace runner {

namespace {
constexpr DWORD kPollMs = 500;
constexpr size_t kReadChunk = 8192;
constexpr DWORD kEndWaitMs = 5000;
// The command interpreter's exit code when it could not start the program it was given.
constexpr DWORD kCommandNotRun = 9009;
constexpr DWORD kRetryPauseMs = 250;

struct FreeName {
    void operator()(char* name) const { std::free(name); }
};
struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Deletes the log file on every way out of a run. A host ended by force may hold the file for
// a moment after its end was signalled, so the delete is tried for a while.
class LogFile {
public:
    LogFile() : name_(_tempnam(nullptr, "VLRunLog")) {}
    ~LogFile()
    {
        if (!name_) return;
        for (int attempt = 0; attempt < 50; ++attempt) {
            if (_unlink(name_.get()) == 0 || errno == ENOENT) return;
            Sleep(100);
        }
    }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    const char* Name() const { return name_.get(); }

private:
    std::unique_ptr<char, FreeName> name_;
};

std::string ReadLog(const char* name)
{
    std::unique_ptr<std::FILE, CloseFile> file(std::fopen(name, "rb"));
    if (!file) return std::string("Unable to retrieve the output: cannot open log file \"") + name + "\"";
    std::string output;
    char chunk[kReadChunk];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) output.append(chunk, got);
    return output;
}

// The host's standard input when it is given a line: an anonymous pipe whose read end alone is
// inherited. The line goes in before the host runs and the write end is closed, so that the host
// reads the line and then the end of its input; the pipe holds more than the longest line, so
// writing never waits for a reader.
class StandardInput {
public:
    static constexpr DWORD kPipeBytes = 4096;
    static_assert(kInputLineLimit + 2 <= kPipeBytes, "the line and its end fit in the pipe");

    StandardInput() = default;
    ~StandardInput()
    {
        if (list_) DeleteProcThreadAttributeList(list_);
    }
    StandardInput(const StandardInput&) = delete;
    StandardInput& operator=(const StandardInput&) = delete;

    // Makes the pipe and hands its read end to `startup` as the only handle to inherit; false,
    // with the system's error set, when that failed.
    bool Open(STARTUPINFOEXA& startup)
    {
        if (!CreatePipe(read_.put(), write_.put(), nullptr, kPipeBytes)) return false;
        if (!SetHandleInformation(read_.get(), HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) return false;
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        listBytes_ = std::make_unique<char[]>(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listBytes_.get());
        if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return false;
        list_ = list;
        inherited_ = read_.get();
        if (!UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &inherited_, sizeof inherited_,
                                       nullptr, nullptr))
            return false;
        startup.lpAttributeList = list_;
        startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = read_.get();
        return true;
    }

    // Once the host exists: writes the line and its end and closes both ends here.
    bool Deliver(std::string_view line)
    {
        read_.reset();
        const bool written = WriteAll(line) && WriteAll("\r\n");
        write_.reset();
        return written;
    }

private:
    bool WriteAll(std::string_view bytes)
    {
        DWORD written = 0;
        return bytes.empty() || (WriteFile(write_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                           nullptr) &&
                                 written == bytes.size());
    }

    UniqueHandle read_, write_;
    HANDLE inherited_ = nullptr;
    std::unique_ptr<char[]> listBytes_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// Ends the interpreter and, through the job, the host it started: ending cmd.exe alone would
// leave a hung host running with the log file open.
void EndRun(const UniqueHandle& job, const UniqueHandle& process)
{
    if (!job || !TerminateJobObject(job.get(), 1)) TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), kEndWaitMs);
}


// One run of the command line; `exitCode` is the interpreter's, when it ended by itself.
HostRun RunOnce(const std::string& installationDir, char* commandLine, const LogFile& log,
                std::optional<std::string_view> inputLine, DWORD& exitCode)
{
    HostRun run;
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    StandardInput input;
    if (inputLine && !input.Open(startup)) {
        run.errorCode = GetLastError();
        return run;
    }
    const DWORD flags = CREATE_SUSPENDED | (inputLine ? EXTENDED_STARTUPINFO_PRESENT : 0);
    PROCESS_INFORMATION created{};
    // Suspended until it is in the job, so that nothing it starts escapes the job.
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, inputLine ? TRUE : FALSE, flags, nullptr,
                        installationDir.empty() ? nullptr : installationDir.c_str(), &startup.StartupInfo,
                        &created)) {
        run.errorCode = GetLastError();
        return run;
    }
    UniqueHandle process(created.hProcess);
    UniqueHandle thread(created.hThread);
    UniqueHandle job(CreateJobObjectA(nullptr, nullptr));
    if (job && !AssignProcessToJobObject(job.get(), process.get())) job.reset();
    if (inputLine && !input.Deliver(*inputLine)) {
        run.errorCode = GetLastError();
        EndRun(job, process);
        return run;
    }
    ResumeThread(thread.get());

    // Waiting on the process rather than reading its exit code: a host that ends with exit
    // code 259 (STILL_ACTIVE) would otherwise look alive until the limit.
    for (DWORD waited = 0; WaitForSingleObject(process.get(), kPollMs) == WAIT_TIMEOUT;) {
        waited += kPollMs;
        if (waited >= kHostPatienceMs) {
            EndRun(job, process);
            run.outcome = RunTimedOut;
            return run;
        }
    }
    exitCode = 1;
    GetExitCodeProcess(process.get(), &exitCode);
    run.output = ReadLog(log.Name());
    run.outcome = exitCode == 0 ? RunSucceeded : RunFailed;
    return run;
}
}  // namespace

HostRun RunHostProgram(const std::string& installationDir, const std::string& arguments,
                       std::optional<std::string_view> inputLine)
{
    HostRun run;
    if (inputLine && inputLine->size() > kInputLineLimit) {
        run.errorCode = ERROR_INSUFFICIENT_BUFFER;
        return run;
    }
    LogFile log;
    if (!log.Name()) {
        run.errorCode = ERROR_CANNOT_MAKE;
        return run;
    }
    // The log path is quoted so that a temporary folder with blanks works.
    char commandLine[kCommandLineLimit + 1];
    const int length = std::snprintf(commandLine, sizeof commandLine, "cmd.exe /C \"Velmora.exe %s > \"%s\"\"",
                                     arguments.c_str(), log.Name());
    if (length < 0 || static_cast<size_t>(length) > kCommandLineLimit) {
        run.errorCode = ERROR_FILENAME_EXCED_RANGE;
        return run;
    }
    // The interpreter answers kCommandNotRun when it could not start the host at all, which a
    // busy system now and then causes. The host then did nothing, so one more try is safe; a
    // host that is really missing fails the same way twice and is reported as before.
    for (int attempt = 0;; ++attempt) {
        DWORD exitCode = 0;
        run = RunOnce(installationDir, commandLine, log, inputLine, exitCode);
        if (run.outcome != RunFailed || exitCode != kCommandNotRun || attempt == 1) return run;
        Sleep(kRetryPauseMs);
    }
}

void ReportRunOutcome(const HostRun& run, DWORD successMessage, DWORD failureMessage, HWND owner)
{
    switch (run.outcome) {
    case RunSucceeded:
        messages::ShowMessage(messages::kInformation, successMessage);
        break;
    case RunFailed:
        InstallerResultDialog(failureMessage, "Velmora Installer Result", run.output).DoModal(owner);
        break;
    case RunTimedOut:
        messages::ShowMessage(messages::kError, MSG_HOST_NOT_RESPONDING);
        break;
    case RunNotStarted: {
        const std::string detail = messages::SystemErrorText(run.errorCode);
        messages::ShowMessage(messages::kError, MSG_HOST_NOT_STARTED, {"", detail.c_str()});
        break;
    }
    }
}

}  // namespace runner
