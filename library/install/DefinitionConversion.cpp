#include "DefinitionConversion.h"

#include <new>

#include "DefinitionBlocks.h"
#include "Failure.h"
#include "Platform.h"
#include "ServiceLimits.h"

namespace {

std::string Text(const NameValueXMLString& value)
{
    return std::string(value.Value().begin(), value.Value().end());
}

std::string TextOr(const NameValueXMLString& value, const std::string& fallback)
{
    return value.HasValue() ? Text(value) : fallback;
}

std::uint32_t NumberOr(const NameValueUnsignedInt& value, std::uint32_t fallback)
{
    return value.HasValue() ? value.Value() : fallback;
}

std::uint32_t FlagOr(const NameValueUnsignedInt& value, std::uint32_t fallback)
{
    return value.HasValue() ? (value.Value() != 0 ? 1 : 0) : fallback;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void ConvertInvocation(const XMLConfiguration::Invocation& from, ServiceDefinition::Invocation& to, bool required)
{
    to = ServiceDefinition::Invocation();
    if (!from.Executable().HasValue()) {
        if (required) failure::Throw("application binary is not specified");
        return;
    }
    to.Executable = Text(from.Executable());
    const platform::FileStatus program = platform::QueryFileStatus(to.Executable);
    if (program.kind == platform::FileKind::Missing) failure::ThrowLastError("application binary is invalid");
    if (program.kind != platform::FileKind::Regular) failure::Throw("application binary is not a regular file");
    if (!program.executable) failure::Throw("application binary is not executable");

    if (!from.WorkingDir().HasValue()) failure::Throw("working directory is not specified");
    to.WorkingDir = Text(from.WorkingDir());
    const platform::FileStatus folder = platform::QueryFileStatus(to.WorkingDir);
    if (folder.kind == platform::FileKind::Missing) failure::ThrowLastError("working directory is invalid");
    if (folder.kind != platform::FileKind::Directory) failure::Throw("working directory is not a directory");

    if (from.Parameters().HasValue()) to.Parameters = Text(from.Parameters());
    if (from.Delay().HasValue()) to.Delay = from.Delay().Value();
}

void ConvertName(const NameValueXMLString& from, std::string& to)
{
    to.clear();
    const std::string name = TextOr(from, "");
    if (name.empty()) failure::Throw("Service name is too short.");
    if (!IsLetter(name[0])) failure::Throw("The service name begins with a non-alphabetic character.");
    for (char c : name) {
        if (!IsLetter(c) && !IsDigit(c)) failure::Throw("The service name contains a non-alphanumeric character.");
        to += c;
    }
}

void ConvertDependencies(const XMLConfiguration& configuration, ServiceDefinition& definition)
{
    std::vector<std::string> groups;
    std::vector<std::string> services;
    for (const auto& group : configuration.GroupDependents()) groups.push_back(Text(group));
    for (const auto& service : configuration.ServiceDependents()) services.push_back(Text(service));
    try {
        definition.RawDependencies = blocks::Dependencies(groups, services);
    } catch (const std::bad_alloc&) {
        failure::ThrowLastError("Not enough memory for the dependencies data string");
    }
    definition.GroupDependencies.insert(definition.GroupDependencies.end(), groups.begin(), groups.end());
    definition.ServiceDependencies.insert(definition.ServiceDependencies.end(), services.begin(), services.end());
}

// Times beyond the limit would keep the service pending longer than anyone waits for it.
void CheckProgramTimes(const ServiceDefinition& definition)
{
    const struct {
        const ServiceDefinition::Invocation& program;
        const char* message;
    } times[] = {
        {definition.Service, "start-up time is longer than 600000 ms"},
        {definition.PreService, "pre-service time is longer than 600000 ms"},
        {definition.PostService, "post-service time is longer than 600000 ms"},
    };
    static_assert(service_limits::kMaxProgramTimeMs == 600000, "the messages name the limit");
    for (const auto& t : times)
        if (t.program.Delay > service_limits::kMaxProgramTimeMs) failure::Throw(t.message);
}

}  // namespace

void ConvertDefinition(const XMLConfiguration& configuration, ServiceDefinition& definition,
                       unsigned char* forceReplace)
{
    ConvertInvocation(configuration.Service(), definition.Service, true);
    if (forceReplace) *forceReplace = FlagOr(configuration.ForceReplace(), 0) ? 1 : 0;
    ConvertName(configuration.Name(), definition.Name);
    definition.DisplayName = TextOr(configuration.DisplayName(), definition.Name);
    definition.Description = TextOr(configuration.Description(), "");

    definition.ConsoleApp = FlagOr(configuration.ConsoleApp(), 0);
    definition.InteractWithDesktop = FlagOr(configuration.InteractWithDesktop(), 0);
    definition.StartUpMode = NumberOr(configuration.StartUpMode(), 0);
    definition.ShowWindow = NumberOr(configuration.ShowWindow(), 0);
    definition.JobType = NumberOr(configuration.JobType(), 1);
    definition.LoadOrderGroup = TextOr(configuration.LoadOrderGroup(), "");

    ConvertDependencies(configuration, definition);

    definition.SMFEnabled = FlagOr(configuration.Monitoring(), 1);
    definition.SMFFrequency = NumberOr(configuration.MonitoringFrequency(), 5000);
    definition.UponExit = NumberOr(configuration.UponExit(), 0);
    definition.AffinityMask = NumberOr(configuration.AffinityMask(), 0);
    definition.Priority = NumberOr(configuration.Priority(), 0);
    if (definition.Priority > 5) definition.Priority = 0;

    ConvertInvocation(configuration.PreService(), definition.PreService, false);
    ConvertInvocation(configuration.PostService(), definition.PostService, false);

    for (const auto& [name, value] : configuration.Environment()) {
        if (!name.HasValue()) continue;
        definition.Environment.emplace_back(Text(name), TextOr(value, ""));
    }
    definition.EnvironmentSize = blocks::EnvironmentSize(definition.Environment);

    definition.DebugEnabled = FlagOr(configuration.DebuggingEnabled(), 0);
    definition.DebugLogFile = TextOr(configuration.DebugLogFile(), "");

    CheckProgramTimes(definition);
}
