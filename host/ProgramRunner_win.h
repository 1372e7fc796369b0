#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>

#include "OutputCapture_win.h"
#include "Quillon.h"
#include "SupervisionPolicy.h"
#include "UniqueResource.h"

namespace host {

// A job object that ends every process in it when it is ended or its last handle closes, so
// nothing it holds outlives the host, even a host that crashes.
class Job {
public:
    // `memoryMB`: a cap on the committed memory of the job's processes together (0: none).
    static Job Create(std::uint32_t memoryMB = 0);
    HANDLE Handle() const { return job_.get(); }
    bool Assign(HANDLE process) const;
    void End();
    // After End: waits at most `ms` for the job to hold no process; true when it holds none.
    bool WaitEmpty(DWORD ms);
    explicit operator bool() const { return static_cast<bool>(job_); }

private:
    void ReadNotifications();

    UniqueHandle job_;
    // Set up only when the job is ended, so that a long life of the job queues nothing: it then
    // reports the processes still in the job, and later that the last of them is gone.
    UniqueHandle port_;
    bool empty_ = true;
};

// How programs are started: the definition-wide settings, apart from each program's own
// path, folder and parameters.
struct LaunchSettings {
    std::uint32_t consoleApp = 0;
    std::uint32_t showWindow = 0;
    std::uint32_t priority = 0;
    std::uint32_t affinityMask = 0;
    std::uint32_t interactWithDesktop = 0;
    std::vector<EnvironmentVariable> environment;
    // Console mode: programs share the administrator's console, so its Ctrl-C reaches them as
    // in any console; as a service, console programs get a console of their own.
    bool sharedConsole = false;
    std::uint32_t jobMemoryMB = 0;  // JobMemoryLimit, for the job of each program (Local Job)
};

// What a program reads as its standard input.
enum class StandardInput {
    NullDevice,  // ends at once: a script that waits for a key or a line goes on
    HostPipe,    // a pipe whose write end only the host holds: it ends when the host closes it
};

class RunningProgram {
public:
    RunningProgram() = default;
    RunningProgram(UniqueHandle process, DWORD id, Job job, UniqueHandle input)
        : process_(std::move(process)), id_(id), job_(std::move(job)), input_(std::move(input)),
          started_(GetTickCount64())
    {
    }

    explicit operator bool() const { return static_cast<bool>(process_); }
    HANDLE Process() const { return process_.get(); }
    DWORD Id() const { return id_; }
    HANDLE JobHandle() const { return job_.Handle(); }
    std::uint64_t RunningMs() const { return GetTickCount64() - started_; }
    bool HasEnded() const { return !process_ || WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0; }
    DWORD ExitCode() const;

    // Closes the host's end of the program's input pipe: the program reads the end of its input.
    void CloseInput() { input_.reset(); }
    // Console programs get a Ctrl-C, windows a WM_CLOSE.
    void AskToEnd(bool sharedConsole) const;
    // Ends the program's own job, else the program alone.
    void End();
    // Waits at most `ms` for what End ended to be gone; true when it is.
    bool WaitGone(DWORD ms);

private:
    UniqueHandle process_;
    DWORD id_ = 0;
    Job job_;  // the program's own job (Local Job), if any
    UniqueHandle input_;  // the write end of its input pipe (StandardInput::HostPipe)
    std::uint64_t started_ = 0;
};

struct LaunchResult {
    RunningProgram program;
    DWORD error = 0;
    // Why the program was not started when the system was never asked: what it could not carry.
    std::string refused;
    // What its standard input, output and error are, for the debug log.
    std::string streams;
};

// Held from making a program's inheritable handles until the host's copies are closed, so that
// a program started at the same time on another thread (a health check's) inherits none of them.
std::mutex& LaunchLock();

// Starts one program suspended, puts it into the job its job type asks for (Global: `serviceJob`,
// Local: a new job of its own), applies affinity, then lets it run. Its standard input is `input`;
// with `handles`, its standard output and error go there. A stream not kept goes to its own
// console, or else where the host's goes (nowhere for a service).
LaunchResult Launch(const ServiceDefinition::Invocation& invocation, const LaunchSettings& settings,
                    JobType jobType, const Job& serviceJob, StandardInput input,
                    const ProgramHandles* handles = nullptr);

}  // namespace host
