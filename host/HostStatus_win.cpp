#include "HostStatus_win.h"

#include <cstdio>
#include <vector>

namespace host {

namespace {

std::uint64_t NowFileTime()
{
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return (std::uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

void SetText(HKEY key, const char* name, const std::string& text)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
}

}  // namespace

StatusBoard::StatusBoard(const std::string& serviceName, bool publish)
{
    if (!publish) return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, published_status::KeyPath(serviceName).c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    key_.reset(key);
    // What the last run left (its last exit) goes now: this is a new start.
    Write();
    written_ = std::chrono::steady_clock::now();
    writer_ = std::thread([this] { Loop(); });
}

StatusBoard::~StatusBoard()
{
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        quit_ = true;
    }
    wake_.notify_one();
    if (writer_.joinable()) writer_.join();
}

void StatusBoard::Changed()
{
    dirty_ = true;
    wake_.notify_one();
}

void StatusBoard::Loop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return dirty_ || quit_; });
        if (quit_) break;
        const auto due = written_ + std::chrono::seconds(1);
        if (wake_.wait_until(lock, due, [this] { return quit_; })) break;
        Write();
        dirty_ = false;
        written_ = std::chrono::steady_clock::now();
    }
    if (dirty_) Write();
}

void StatusBoard::Ready(bool ready)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (now_.ready == ready) return;
    now_.ready = ready;
    if (!ready) {
        now_.health.clear(), now_.healthDetail.clear(), now_.healthAt = 0;
        now_.memoryMB.reset(), now_.cpuPercent.reset(), now_.handles.reset(), now_.nextRestart.clear();
        now_.programPid = 0, now_.startedAt = 0;
    }
    // Running or stopping: a script that waits for the state reads what goes with it.
    Write();
    dirty_ = false;
    written_ = std::chrono::steady_clock::now();
}

void StatusBoard::ProgramStarted(std::uint32_t processId)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    now_.programPid = processId;
    now_.startedAt = NowFileTime();
    Changed();
}

void StatusBoard::ProgramEnded(std::uint32_t exitCode, const std::string& exitText)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    now_.programPid = 0, now_.startedAt = 0;
    now_.lastExitCode = exitCode;
    now_.lastExitText = exitText;
    now_.lastExitAt = NowFileTime();
    Changed();
}

void StatusBoard::Restarting(const std::string& reason, std::uint32_t inPeriod)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    ++now_.restarts;
    now_.restartsInPeriod = inPeriod;
    now_.lastRestartReason = reason;
    Changed();
}

void StatusBoard::OutputLost(std::uint64_t bytes)
{
    if (bytes == 0) return;
    const std::lock_guard<std::mutex> hold(mutex_);
    now_.outputBytesLost += bytes;
    Changed();
}

void StatusBoard::Health(const std::string& state, const std::string& detail)
{
    // The time is what "4 s ago" is read from.
    const std::lock_guard<std::mutex> hold(mutex_);
    now_.healthAt = NowFileTime();
    now_.health = state;
    now_.healthDetail = detail;
    Changed();
}

void StatusBoard::Resources(std::uint32_t memoryMB, std::uint32_t cpuPercent, std::uint32_t handles)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (now_.memoryMB == memoryMB && now_.cpuPercent == cpuPercent && now_.handles == handles) return;
    now_.memoryMB = memoryMB, now_.cpuPercent = cpuPercent, now_.handles = handles;
    Changed();
}

void StatusBoard::NextRestart(const std::string& at)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (now_.nextRestart == at) return;
    now_.nextRestart = at;
    Changed();
}

void StatusBoard::Write()
{
    if (!key_) return;
    const DWORD ready = now_.ready.value_or(false) ? 1 : 0;
    RegSetValueExA(key_.get(), "Ready", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&ready), sizeof ready);
    SetText(key_.get(), "Health", now_.health);
    SetText(key_.get(), "HealthDetail", now_.healthDetail);
    const std::uint64_t at = now_.healthAt;
    RegSetValueExA(key_.get(), "HealthAt", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&at), sizeof at);
    // The limits' figures and the schedule are there only when the definition sets them.
    const std::pair<const char*, const std::optional<std::uint32_t>*> figures[] = {
        {"MemoryMB", &now_.memoryMB}, {"CpuPercent", &now_.cpuPercent}, {"Handles", &now_.handles}};
    for (const auto& [name, value] : figures) {
        if (!*value) {
            RegDeleteValueA(key_.get(), name);
            continue;
        }
        const DWORD number = **value;
        RegSetValueExA(key_.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    }
    if (now_.nextRestart.empty())
        RegDeleteValueA(key_.get(), "NextScheduledRestart");
    else
        SetText(key_.get(), "NextScheduledRestart", now_.nextRestart);
    const DWORD pid = now_.programPid, restarts = now_.restarts, inPeriod = now_.restartsInPeriod;
    const std::pair<const char*, const DWORD*> counts[] = {
        {"ProgramPid", &pid}, {"Restarts", &restarts}, {"RestartsInPeriod", &inPeriod}};
    for (const auto& [name, value] : counts)
        RegSetValueExA(key_.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(value), sizeof *value);
    const std::pair<const char*, const std::uint64_t*> times[] = {
        {"StartedAt", &now_.startedAt}, {"LastExitAt", &now_.lastExitAt}, {"OutputBytesLost", &now_.outputBytesLost}};
    for (const auto& [name, value] : times)
        RegSetValueExA(key_.get(), name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(value), sizeof *value);
    if (now_.lastExitCode) {
        const DWORD code = *now_.lastExitCode;
        RegSetValueExA(key_.get(), "LastExitCode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&code), sizeof code);
    } else {
        RegDeleteValueA(key_.get(), "LastExitCode");
    }
    SetText(key_.get(), "LastExitText", now_.lastExitText);
    SetText(key_.get(), "LastRestartReason", now_.lastRestartReason);
}

std::uint64_t MsSince(std::uint64_t fileTime)
{
    const std::uint64_t now = NowFileTime();
    return now > fileTime ? (now - fileTime) / 10000 : 0;
}

std::string IsoTime(std::uint64_t fileTime)
{
    if (fileTime == 0) return "";
    FILETIME f{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
    SYSTEMTIME t{};
    if (!FileTimeToSystemTime(&f, &t)) return "";
    char text[32] = {};
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return text;
}

std::string LocalIsoTime(const SYSTEMTIME& t)
{
    TIME_ZONE_INFORMATION zone{};
    const DWORD kind = GetTimeZoneInformation(&zone);
    const long bias = zone.Bias + (kind == TIME_ZONE_ID_DAYLIGHT   ? zone.DaylightBias
                                   : kind == TIME_ZONE_ID_STANDARD ? zone.StandardBias
                                                                   : 0);
    const long east = -bias, size = east < 0 ? -east : east;
    char text[40];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u%c%02ld:%02ld", t.wYear % 10000u, t.wMonth % 100u,
                  t.wDay % 100u, t.wHour % 100u, t.wMinute % 100u, t.wSecond % 100u, east < 0 ? '-' : '+',
                  size / 60 % 100, size % 60);
    return text;
}

std::string AgoText(std::uint64_t fileTime)
{
    const std::uint64_t now = NowFileTime();
    const std::uint64_t s = now > fileTime ? (now - fileTime) / 10000000 : 0;
    if (s < 120) return std::to_string(s) + " s ago";
    if (s < 7200) return std::to_string(s / 60) + " min ago";
    return std::to_string(s / 3600) + " h ago";
}

}  // namespace host
