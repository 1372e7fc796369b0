#include "HostStatus_win.h"

#include <vector>

namespace host {

namespace {

std::string StatusKey(const std::string& name) { return "SYSTEM\\CurrentControlSet\\Services\\" + name + "\\Status"; }

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

// A value of the wrong type or size reads as absent: the key is writable by the service's host.
std::optional<std::string> GetText(HKEY key, const char* name)
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ ||
        size > 4096)
        return std::nullopt;
    std::vector<char> text(size + 1, '\0');
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(text.data());
}

template <typename T>
std::optional<T> GetNumber(HKEY key, const char* name, DWORD wanted)
{
    T value{};
    DWORD type = 0, size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != wanted || size != sizeof value)
        return std::nullopt;
    return value;
}

}  // namespace

StatusBoard::StatusBoard(const std::string& serviceName, bool publish)
{
    if (!publish) return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, StatusKey(serviceName).c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS)
        key_.reset(key);
}

void StatusBoard::Ready(bool ready)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (now_.ready == ready) return;
    now_.ready = ready;
    if (!ready) {
        now_.health.clear(), now_.healthDetail.clear(), now_.healthAt = 0;
        now_.memoryMB.reset(), now_.cpuPercent.reset(), now_.handles.reset(), now_.nextRestart.clear();
    }
    Write();
}

void StatusBoard::Health(const std::string& state, const std::string& detail)
{
    // Called once per check, at most once a second: the time is what "4 s ago" is read from.
    const std::lock_guard<std::mutex> hold(mutex_);
    now_.healthAt = NowFileTime();
    now_.health = state;
    now_.healthDetail = detail;
    Write();
}

void StatusBoard::Resources(std::uint32_t memoryMB, std::uint32_t cpuPercent, std::uint32_t handles)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (now_.memoryMB == memoryMB && now_.cpuPercent == cpuPercent && now_.handles == handles) return;
    now_.memoryMB = memoryMB, now_.cpuPercent = cpuPercent, now_.handles = handles;
    Write();
}

void StatusBoard::NextRestart(const std::string& at)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (now_.nextRestart == at) return;
    now_.nextRestart = at;
    Write();
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
}

PublishedStatus ReadPublishedStatus(const std::string& serviceName)
{
    PublishedStatus s;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, StatusKey(serviceName).c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return s;
    const UniqueHkey key(opened);
    if (const auto ready = GetNumber<DWORD>(key.get(), "Ready", REG_DWORD)) s.ready = *ready != 0;
    s.health = GetText(key.get(), "Health").value_or("");
    s.healthDetail = GetText(key.get(), "HealthDetail").value_or("");
    s.healthAt = GetNumber<std::uint64_t>(key.get(), "HealthAt", REG_QWORD).value_or(0);
    s.memoryMB = GetNumber<DWORD>(key.get(), "MemoryMB", REG_DWORD);
    s.cpuPercent = GetNumber<DWORD>(key.get(), "CpuPercent", REG_DWORD);
    s.handles = GetNumber<DWORD>(key.get(), "Handles", REG_DWORD);
    s.nextRestart = GetText(key.get(), "NextScheduledRestart").value_or("");
    return s;
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
