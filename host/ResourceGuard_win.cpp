#include "ResourceGuard_win.h"

#include <winternl.h>

#include <cinttypes>
#include <cstdio>
#include <set>
#include <vector>

#include "HostMessages.h"

namespace host {

namespace {

constexpr ULONG kSystemProcessInformation = 5;
constexpr NTSTATUS kLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);
constexpr std::size_t kMaxSnapshot = 64u << 20;  // the list of every process on the machine
constexpr DWORD kMaxJobProcesses = 16384;

using QuerySystem = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);

QuerySystem QuerySystemInformation()
{
    static const QuerySystem query = [] {
        const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll ? reinterpret_cast<QuerySystem>(
                           reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySystemInformation")))
                     : nullptr;
    }();
    return query;
}

DWORD IdOf(HANDLE id) { return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(id)); }

// The process ids a job holds now; empty when it cannot tell.
std::set<DWORD> JobProcesses(HANDLE job)
{
    std::set<DWORD> ids;
    for (DWORD room = 64; room <= kMaxJobProcesses; room *= 4) {
        std::vector<char> buffer(sizeof(JOBOBJECT_BASIC_PROCESS_ID_LIST) + room * sizeof(ULONG_PTR));
        auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
        if (QueryInformationJobObject(job, JobObjectBasicProcessIdList, list, static_cast<DWORD>(buffer.size()),
                                      nullptr) ||
            GetLastError() == ERROR_MORE_DATA) {
            if (list->NumberOfAssignedProcesses > list->NumberOfProcessIdsInList && room < kMaxJobProcesses) continue;
            for (DWORD i = 0; i < list->NumberOfProcessIdsInList && i < room; ++i)
                ids.insert(static_cast<DWORD>(list->ProcessIdList[i]));
        }
        break;
    }
    return ids;
}

// The local wall clock as a count of minutes: the local date and time read as if they were a
// FILETIME, so a change of the clock or of daylight saving time moves it as the clock moves.
std::int64_t LocalMinute(SYSTEMTIME* shown = nullptr)
{
    SYSTEMTIME local{};
    GetLocalTime(&local);
    if (shown) *shown = local;
    FILETIME asFile{};
    SystemTimeToFileTime(&local, &asFile);
    return static_cast<std::int64_t>(((std::uint64_t(asFile.dwHighDateTime) << 32) | asFile.dwLowDateTime) /
                                     600000000ull);
}

// "2026-12-12T03:00:00+01:00": the local time `minutes` ahead, with the offset in force now.
std::string LocalTimeAhead(std::int64_t localMinute, std::int64_t minutes)
{
    const std::uint64_t at = static_cast<std::uint64_t>(localMinute + minutes) * 600000000ull;
    FILETIME file{static_cast<DWORD>(at), static_cast<DWORD>(at >> 32)};
    SYSTEMTIME t{};
    FileTimeToSystemTime(&file, &t);
    return LocalIsoTime(t);
}

std::string Mb(std::uint64_t bytes) { return std::to_string(bytes >> 20) + " MB"; }

}  // namespace

TreeSample TreeSampler::Sample(DWORD rootId, HANDLE job)
{
    TreeSample sample;
    const QuerySystem query = QuerySystemInformation();
    if (!query) return sample;
    if (buffer_.empty()) buffer_.resize(256 * 1024);
    for (;;) {
        ULONG needed = 0;
        const NTSTATUS status = query(kSystemProcessInformation, &buffer_[0], static_cast<ULONG>(buffer_.size()), &needed);
        if (status == kLengthMismatch && buffer_.size() < kMaxSnapshot) {
            buffer_.resize(std::min<std::size_t>(kMaxSnapshot, std::max<std::size_t>(buffer_.size() * 2, needed + 65536)));
            continue;
        }
        if (status < 0) return sample;
        break;
    }
    // Every process, as a list the tree is found in.
    struct Entry {
        DWORD id, parent;
        std::int64_t created;
        std::uint64_t cpu, privateBytes, handles;
    };
    std::vector<Entry> all;
    for (std::size_t at = 0; at + sizeof(SYSTEM_PROCESS_INFORMATION) <= buffer_.size();) {
        const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer_.data() + at);
        const std::uint64_t privateBytes = std::max<std::uint64_t>(p->PrivatePageCount, p->VirtualMemoryCounters.PagefileUsage);
        all.push_back({IdOf(p->UniqueProcessId), IdOf(p->InheritedFromUniqueProcessId), p->CreateTime.QuadPart,
                       static_cast<std::uint64_t>(p->UserTime.QuadPart + p->KernelTime.QuadPart), privateBytes,
                       p->HandleCount});
        if (p->NextEntryOffset == 0) break;
        at += p->NextEntryOffset;
    }
    std::set<DWORD> members = job ? JobProcesses(job) : std::set<DWORD>();
    if (members.empty()) {
        // The tree under the root: a child is one its parent made after it started (a parent's
        // id may have been reused by then).
        std::map<DWORD, std::int64_t> found;
        for (const Entry& e : all)
            if (e.id == rootId) found[e.id] = e.created;
        for (bool grew = !found.empty(); grew;) {
            grew = false;
            for (const Entry& e : all) {
                const auto parent = found.find(e.parent);
                if (e.id == 0 || found.count(e.id) || parent == found.end() || e.created < parent->second) continue;
                found[e.id] = e.created;
                grew = true;
            }
        }
        for (const auto& [id, created] : found) members.insert(id), (void)created;
    }
    std::map<DWORD, Seen> now;
    std::uint64_t processCpu = 0;
    for (const Entry& e : all) {
        if (!members.count(e.id)) continue;
        ++sample.processes;
        sample.privateBytes += e.privateBytes;
        sample.handles += e.handles;
        const auto before = last_.find(e.id);
        const bool same = before != last_.end() && before->second.created == e.created && e.cpu >= before->second.cpu;
        processCpu += same ? e.cpu - before->second.cpu : e.cpu;
        now[e.id] = {e.created, e.cpu};
    }
    // A job's accounting also counts the processes that ended between two samples; where the
    // system keeps none, the processes' own figures stand.
    std::uint64_t jobCpu = 0;
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (job && QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof accounting, nullptr)) {
        const std::uint64_t total =
            static_cast<std::uint64_t>(accounting.TotalUserTime.QuadPart + accounting.TotalKernelTime.QuadPart);
        jobCpu = !last_.empty() && total >= lastJobCpu_ ? total - lastJobCpu_ : 0;
        lastJobCpu_ = total;
    }
    sample.cpu100ns = last_.empty() ? 0 : std::max(processCpu, jobCpu);
    last_ = std::move(now);
    if (last_.empty()) last_[0] = {0, 0};  // the next sample measures from here
    return sample;
}

ResourceGuard::ResourceGuard(const ServiceDefinition& definition, DebugLog& log, const HostEvents& events,
                             StatusBoard& board)
    : d_(definition), log_(log), events_(events), board_(board),
      limits_(definition.MemoryLimit != 0 || definition.CpuLimit != 0 || definition.HandleLimit != 0),
      schedule_(definition.RestartEvery != 0 || !definition.RestartAt.empty()),
      memory_(std::uint64_t(definition.MemoryLimit) << 20, definition.MemoryPeriod),
      cpu_(definition.CpuLimit, definition.CpuPeriod), handles_(definition.HandleLimit, definition.MemoryPeriod),
      daily_(restart_schedule::Parse(definition.RestartAt).minutes)
{
    if (limits_ || schedule_) thread_ = std::thread([this] { Loop(); });
}

ResourceGuard::~ResourceGuard()
{
    SetEvent(quit_.get());
    if (thread_.joinable()) thread_.join();
}

void ResourceGuard::Watch(DWORD processId, HANDLE job, std::uint64_t startedTick)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    watching_ = true;
    processId_ = processId;
    job_ = job;
    startedTick_ = startedTick;
    lastSampleTick_ = 0;
    memory_.Reset(), cpu_.Reset(), handles_.Reset();
    sampler_.Forget();
    why_ = {};
    ResetEvent(due_.get());  // a request for the run before is void
    daily_.Start({LocalMinute(), GetTickCount64()});
}

void ResourceGuard::Pause()
{
    const std::lock_guard<std::mutex> hold(mutex_);
    watching_ = false;
    job_ = nullptr;
    daily_.Pause();
}

ResourceGuard::Why ResourceGuard::Reason()
{
    const std::lock_guard<std::mutex> hold(mutex_);
    Why why = why_;
    why_ = {};
    return why;
}

void ResourceGuard::Loop()
{
    while (WaitForSingleObject(quit_.get(), kSampleMs) == WAIT_TIMEOUT) {
        const std::lock_guard<std::mutex> hold(mutex_);
        if (watching_) Check(GetTickCount64());
    }
}

// Under the lock, while watching. Acting pauses the guard: one crossing or time is acted on once.
void ResourceGuard::Check(std::uint64_t now)
{
    if (limits_) Sample(now);
    if (!watching_) return;
    SYSTEMTIME local{};
    const std::int64_t minute = LocalMinute(&local);
    if (!d_.RestartAt.empty()) {
        const std::int64_t ahead = daily_.MinutesToNext(minute);
        board_.NextRestart(LocalTimeAhead(minute, ahead == 0 ? 1440 : ahead));
    }
    const std::uint64_t ranMs = now - startedTick_;
    if (d_.RestartEvery != 0 && ranMs >= d_.RestartEvery) {
        Raise(Cause::Every, "the program has run " + std::to_string(ranMs / 1000) + " s, and RestartEvery is " +
                                std::to_string(d_.RestartEvery / 1000) + " s",
              true);
    } else if (daily_.Due({minute, now})) {
        char at[8];
        std::snprintf(at, sizeof at, "%02u:%02u", local.wHour % 100u, local.wMinute % 100u);
        Raise(Cause::Schedule, std::string("it is ") + at + ", a time RestartAt names", true);
    }
}

void ResourceGuard::Sample(std::uint64_t now)
{
    const std::uint64_t wallMs = lastSampleTick_ ? now - lastSampleTick_ : 0;
    lastSampleTick_ = now;
    const TreeSample s = sampler_.Sample(processId_, job_);
    if (s.processes == 0) return;  // gone: the supervisor hears of it from the process itself
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const std::uint32_t cpu = CpuPercent(s.cpu100ns, wallMs, system.dwNumberOfProcessors);
    board_.Resources(static_cast<std::uint32_t>(s.privateBytes >> 20), wallMs ? cpu : 0,
                     static_cast<std::uint32_t>(std::min<std::uint64_t>(s.handles, UINT32_MAX)));
    const struct {
        LimitWatch& watch;
        std::uint64_t figure;
        std::string shown, limit;
        std::uint32_t periodMs;
    } checks[] = {
        {memory_, s.privateBytes, Mb(s.privateBytes), std::to_string(d_.MemoryLimit) + " MB", d_.MemoryPeriod},
        {cpu_, wallMs ? cpu : 0, std::to_string(cpu) + " %", std::to_string(d_.CpuLimit) + " %", d_.CpuPeriod},
        {handles_, s.handles, std::to_string(s.handles) + " handles", std::to_string(d_.HandleLimit), d_.MemoryPeriod},
    };
    const char* names[] = {"MemoryLimit", "CpuLimit", "HandleLimit"};
    for (std::size_t i = 0; i < 3 && watching_; ++i) {
        const auto& c = checks[i];
        if (!c.watch.Set() || (&c.watch == &cpu_ && wallMs == 0)) continue;
        if (!c.watch.Sample(c.figure, now)) continue;
        Raise(Cause::Limit,
              std::string(names[i]) + " crossed: " + c.shown + " in " + std::to_string(s.processes) +
                  " processes, above the limit of " + c.limit + " for " + std::to_string(c.watch.AboveMs(now) / 1000) +
                  " s (the period is " + std::to_string(c.periodMs / 1000) + " s)",
              d_.LimitAction != 0);
    }
}

void ResourceGuard::Raise(Cause cause, const std::string& text, bool act)
{
    // The event log's entries go to the debug log as well.
    if (cause == Cause::Limit) {
        static const char* const actions[] = {"only reports it", "restarts the program", "ends the service (exit code 7)",
                                              "stops the service"};
        events_.Report(EVENTLOG_WARNING_TYPE, MSG_LIMIT_CROSSED, {d_.Name, text, actions[d_.LimitAction % 4]});
    }
    if (!act) return;
    why_ = {cause, text};
    watching_ = false;
    daily_.Pause();
    SetEvent(due_.get());
}

}  // namespace host
