#include "RegistryLoader.h"

#include <cstring>

#include "RegistryData.h"

namespace registry_loader {

namespace {

constexpr std::uint32_t kLowestInterval = 50;

class Reader {
public:
    Reader(ValueSource& source) : source_(source) {}

    std::optional<std::uint32_t> Number(const char* name)
    {
        const auto data = source_.Read(name, kNumberSize);
        return data ? NumberFromData(*data) : std::nullopt;
    }
    void Number(const char* name, std::uint32_t& field, std::uint32_t missing)
    {
        field = Number(name).value_or(missing);
    }
    void Text(const char* name, std::string& field)
    {
        const auto data = source_.Read(name, kTextLimit);
        field = data ? TextFromData(*data) : std::string();
    }
    std::optional<std::string> Whole(const char* name) { return source_.Read(name, kWhole); }

private:
    ValueSource& source_;
};

void ReadInvocation(Reader& in, ServiceDefinition::Invocation& program, const char* exe, const char* dir,
                    const char* params, const char* delay)
{
    in.Text(exe, program.Executable);
    in.Text(dir, program.WorkingDir);
    in.Text(params, program.Parameters);
    in.Number(delay, program.Delay, 0);
}

}  // namespace

// The parsing of stored bytes is the library's, shared with the host that reads the same values.
std::optional<std::uint32_t> NumberFromData(const std::string& data)
{
    return registry_data::Number(data.data(), data.size());
}

std::string TextFromData(const std::string& data) { return registry_data::Text(data.data(), data.size()); }

std::string WithoutDisplayNamePrefix(const std::string& displayName)
{
    const std::size_t length = std::strlen(kDisplayNamePrefix);
    if (displayName.compare(0, length, kDisplayNamePrefix) == 0) return displayName.substr(length);
    return displayName;
}

Dependencies DependenciesFromData(const std::string& data)
{
    Dependencies result;
    registry_data::SplitDependencies(data.data(), data.size(), result.groups, result.services);
    return result;
}

std::vector<EnvironmentVariable> EnvironmentFromData(const std::string& data)
{
    return registry_data::EnvironmentEntries(data.data(), data.size());
}

void LoadDefinition(ValueSource& source, const std::string& serviceName, ServiceDefinition& d)
{
    Reader in(source);
    in.Number("DebugEnabled", d.DebugEnabled, 0);
    in.Text("DebugLogFile", d.DebugLogFile);
    d.Name = serviceName;
    ReadInvocation(in, d.Service, "ServiceExe", "ServiceWorkingDir", "ServiceParams", "ServiceDelay");
    ReadInvocation(in, d.PreService, "PreServiceExe", "PreServiceWorkDir", "PreServiceParams", "PreServiceDelay");
    ReadInvocation(in, d.PostService, "PostServiceExe", "PostServiceWorkDir", "PostServiceParams",
                   "PostServiceDelay");
    in.Text("DisplayName", d.DisplayName);
    d.DisplayName = WithoutDisplayNamePrefix(d.DisplayName);
    in.Text("Description", d.Description);
    in.Number("ConsoleApp", d.ConsoleApp, 0);
    in.Number("InteractWithDesktop", d.InteractWithDesktop, 0);
    in.Number("StartUpMode", d.StartUpMode, 0);
    in.Number("ShowWindow", d.ShowWindow, 0);
    in.Number("JobType", d.JobType, 1);
    in.Text("LoadOrderGroup", d.LoadOrderGroup);

    // An interval is read only beside a readable switch, and never below the host's floor.
    const auto monitoring = in.Number("SMFEnabled");
    d.SMFEnabled = monitoring.value_or(0);
    d.SMFFrequency = 0;
    if (monitoring) {
        const std::uint32_t interval = in.Number("SMFFrequency").value_or(0);
        d.SMFFrequency = interval < kLowestInterval ? kLowestInterval : interval;
    }
    // Older installations kept the exit action as "AutoRestart".
    const auto exitAction = in.Number("UponExit");
    d.UponExit = exitAction ? *exitAction : in.Number("AutoRestart").value_or(0);
    in.Number("AffinityMask", d.AffinityMask, 0);
    in.Number("Priority", d.Priority, 0);

    d.ServiceDependencies.clear();
    d.GroupDependencies.clear();
    d.RawDependencies.clear();
    if (const auto block = in.Whole("Dependencies")) {
        d.RawDependencies.assign(block->begin(), block->end());
        Dependencies lists = DependenciesFromData(*block);
        d.ServiceDependencies = std::move(lists.services);
        d.GroupDependencies = std::move(lists.groups);
    }

    d.Environment.clear();
    d.EnvironmentSize = 0;
    if (const auto block = in.Whole("Environment")) {
        d.EnvironmentSize = static_cast<std::uint32_t>(block->size());
        d.Environment = EnvironmentFromData(*block);
    }
}

}  // namespace registry_loader
