#include "PublishedStatus_win.h"

#include <vector>

#include "UniqueResource.h"

namespace published_status {

namespace {

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

std::string KeyPath(const std::string& name) { return "SYSTEM\\CurrentControlSet\\Services\\" + name + "\\Status"; }

PublishedStatus ReadPublishedStatus(const std::string& serviceName)
{
    PublishedStatus s;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPath(serviceName).c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
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
    s.programPid = GetNumber<DWORD>(key.get(), "ProgramPid", REG_DWORD).value_or(0);
    s.restarts = GetNumber<DWORD>(key.get(), "Restarts", REG_DWORD).value_or(0);
    s.restartsInPeriod = GetNumber<DWORD>(key.get(), "RestartsInPeriod", REG_DWORD).value_or(0);
    s.startedAt = GetNumber<std::uint64_t>(key.get(), "StartedAt", REG_QWORD).value_or(0);
    s.lastExitAt = GetNumber<std::uint64_t>(key.get(), "LastExitAt", REG_QWORD).value_or(0);
    s.outputBytesLost = GetNumber<std::uint64_t>(key.get(), "OutputBytesLost", REG_QWORD).value_or(0);
    s.lastExitCode = GetNumber<DWORD>(key.get(), "LastExitCode", REG_DWORD);
    s.lastExitText = GetText(key.get(), "LastExitText").value_or("");
    s.lastRestartReason = GetText(key.get(), "LastRestartReason").value_or("");
    return s;
}

}  // namespace published_status
