#include "LiveFigures.h"

#include <psapi.h>

#include "Formatting.h"
#include "PublishedStatus_win.h"
#include "SupervisionPolicy.h"
#include "UniqueResource.h"

namespace app {

namespace {

std::uint64_t Number(const FILETIME& t) { return (std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

std::uint64_t MsSince(std::uint64_t fileTime)
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return Number(now) > fileTime ? (Number(now) - fileTime) / 10000 : 0;
}

unsigned Processors()
{
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors ? info.dwNumberOfProcessors : 1;
}

}  // namespace

LiveFigureReader::LiveFigureReader(HWND window, UINT message)
    : window_(window), message_(message), thread_([this] { Loop(); })
{
}

LiveFigureReader::~LiveFigureReader()
{
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

bool LiveFigureReader::Request(std::vector<std::string> names)
{
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        if (busy_) return false;
        asked_ = std::move(names);
        busy_ = true;
    }
    wake_.notify_one();
    return true;
}

std::vector<LiveFigures> LiveFigureReader::Take()
{
    const std::lock_guard<std::mutex> hold(mutex_);
    return std::move(read_);
}

void LiveFigureReader::Loop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || (busy_ && !asked_.empty()); });
        if (quit_) return;
        const std::vector<std::string> names = std::move(asked_);
        asked_.clear();
        lock.unlock();
        std::vector<LiveFigures> figures;
        std::map<DWORD, CpuSeen> seen;
        for (const std::string& name : names) figures.push_back(Read(name, seen));
        lock.lock();
        cpu_ = std::move(seen);
        read_ = std::move(figures);
        busy_ = false;
        PostMessageA(window_, message_, 0, 0);
    }
}

LiveFigures LiveFigureReader::Read(const std::string& name, std::map<DWORD, CpuSeen>& seen)
{
    LiveFigures f;
    f.name = name;
    const published_status::PublishedStatus p = published_status::ReadPublishedStatus(name);
    if (p.ready) f.restarts = std::to_string(p.restarts);
    if (!p.programPid) return f;
    // A host that was ended outright leaves its figures behind: its program's id counts only
    // while the process is there and still running.
    const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, p.programPid));
    if (!process || WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT) return f;
    f.processId = std::to_string(p.programPid);
    f.runTime = host::RunTimeText(MsSince(p.startedAt));
    // With limits the host's figures are the program's tree; without, the program itself is measured
    // (its commit charge, which is its private bytes).
    if (p.memoryMB) f.memory = Format("%u MB", static_cast<unsigned>(*p.memoryMB));
    if (p.cpuPercent) f.cpu = Format("%u %%", static_cast<unsigned>(*p.cpuPercent));
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (!p.memoryMB && K32GetProcessMemoryInfo(process.get(), &memory, sizeof memory))
        f.memory = Format("%.1f MB", double(memory.PagefileUsage) / (1024.0 * 1024.0));
    FILETIME created{}, exited{}, kernel{}, user{};
    if (p.cpuPercent || !GetProcessTimes(process.get(), &created, &exited, &kernel, &user)) return f;
    const CpuSeen now{Number(kernel) + Number(user), GetTickCount64()};
    seen[p.programPid] = now;
    const auto last = cpu_.find(p.programPid);
    if (last == cpu_.end() || now.tick <= last->second.tick || now.cpu100ns < last->second.cpu100ns) return f;
    // Processor time over wall time, as a share of the whole machine.
    const double percent = double(now.cpu100ns - last->second.cpu100ns) / 10000.0 /
                           double(now.tick - last->second.tick) / Processors() * 100.0;
    f.cpu = Format("%.0f %%", percent > 100.0 ? 100.0 : percent);
    return f;
}

}  // namespace app
