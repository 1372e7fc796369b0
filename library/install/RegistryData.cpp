#include "RegistryData.h"

#include <algorithm>
#include <cstring>

namespace registry_data {

namespace {

const char kDisplayPrefix[] = "Velmora Service: ";
constexpr std::uint32_t kMinimumFrequency = 50;

// Each zero-terminated piece of the data in turn; a last piece without terminator counts too.
template <typename Visit>
void ForEachString(const char* data, std::size_t size, Visit visit)
{
    std::size_t start = 0;
    while (start < size) {
        const void* zero = std::memchr(data + start, '\0', size - start);
        const std::size_t end = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - data) : size;
        if (!visit(std::string(data + start, end - start))) return;
        start = end + 1;
    }
}

}  // namespace

std::string Text(const char* data, std::size_t size)
{
    // Text ends at its first zero byte, terminated or not: no caller can pass the bytes after
    // it on, since every system call would cut the text there.
    if (size == 0) return std::string();
    const void* zero = std::memchr(data, '\0', size);
    return std::string(data, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - data) : size);
}

std::optional<std::uint32_t> Number(const char* data, std::size_t size)
{
    if (size != 4) return std::nullopt;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void SplitDependencies(const char* data, std::size_t size, std::vector<std::string>& groups,
                       std::vector<std::string>& services)
{
    ForEachString(data, size, [&](const std::string& entry) {
        if (entry.empty()) return false;
        // A lone "+" names no group; kept, it would make the definition unreadable.
        if (entry == "+") return true;
        if (entry[0] == '+')
            groups.push_back(entry.substr(1));
        else
            services.push_back(entry);
        return true;
    });
}

std::vector<EnvironmentVariable> EnvironmentEntries(const char* data, std::size_t size)
{
    std::vector<EnvironmentVariable> variables;
    ForEachString(data, size, [&](const std::string& entry) {
        const std::string::size_type equals = entry.find('=');
        if (equals != std::string::npos && equals > 0 && equals + 1 < entry.size())
            variables.emplace_back(entry.substr(0, equals), entry.substr(equals + 1));
        return true;
    });
    return variables;
}

void LoadParameters(const ValueSource& source, const std::string& serviceName, ServiceDefinition& d)
{
    const auto text = [&](const char* name) {
        const RawValue raw = source(name);
        return raw ? Text(raw->data(), raw->size()) : std::string();
    };
    const auto number = [&](const char* name) -> std::optional<std::uint32_t> {
        const RawValue raw = source(name);
        return raw ? Number(raw->data(), raw->size()) : std::nullopt;
    };
    const auto invocation = [&](ServiceDefinition::Invocation& program, const char* exe, const char* dir,
                                const char* params, const char* delay) {
        program.Executable = text(exe);
        program.WorkingDir = text(dir);
        program.Parameters = text(params);
        program.Delay = number(delay).value_or(0);
    };

    d.DebugEnabled = number("DebugEnabled").value_or(0);
    d.DebugLogFile = text("DebugLogFile");
    d.Name = serviceName;
    invocation(d.Service, "ServiceExe", "ServiceWorkingDir", "ServiceParams", "ServiceDelay");
    invocation(d.PreService, "PreServiceExe", "PreServiceWorkDir", "PreServiceParams", "PreServiceDelay");
    invocation(d.PostService, "PostServiceExe", "PostServiceWorkDir", "PostServiceParams", "PostServiceDelay");
    d.DisplayName = text("DisplayName");
    if (d.DisplayName.compare(0, sizeof kDisplayPrefix - 1, kDisplayPrefix) == 0)
        d.DisplayName.erase(0, sizeof kDisplayPrefix - 1);
    d.Description = text("Description");
    d.ConsoleApp = number("ConsoleApp").value_or(0);
    d.InteractWithDesktop = number("InteractWithDesktop").value_or(0);
    d.StartUpMode = number("StartUpMode").value_or(0);
    d.ShowWindow = number("ShowWindow").value_or(0);
    d.JobType = number("JobType").value_or(1);
    d.LoadOrderGroup = text("LoadOrderGroup");

    const std::optional<std::uint32_t> monitoring = number("SMFEnabled");
    d.SMFEnabled = monitoring.value_or(0);
    d.SMFFrequency = monitoring ? std::max(number("SMFFrequency").value_or(0), kMinimumFrequency) : 0;

    const std::optional<std::uint32_t> uponExit = number("UponExit");
    d.UponExit = uponExit ? *uponExit : number("AutoRestart").value_or(0);
    d.AffinityMask = number("AffinityMask").value_or(0);
    d.Priority = number("Priority").value_or(0);

    d.GroupDependencies.clear();
    d.ServiceDependencies.clear();
    d.RawDependencies.clear();
    if (const RawValue raw = source("Dependencies")) {
        SplitDependencies(raw->data(), raw->size(), d.GroupDependencies, d.ServiceDependencies);
        d.RawDependencies = *raw;
    }

    d.Environment.clear();
    d.EnvironmentSize = 0;
    if (const RawValue raw = source("Environment")) {
        d.Environment = EnvironmentEntries(raw->data(), raw->size());
        d.EnvironmentSize = static_cast<std::uint32_t>(raw->size());
    }
}

}  // namespace registry_data
