#include "PageValues.h"

namespace editor {

namespace {
const char kBlanks[] = " \t\r\n";

int Index(std::uint32_t field) { return static_cast<int>(field); }
std::uint32_t Field(int value) { return static_cast<std::uint32_t>(value); }

InvocationValues FromInvocation(const ServiceDefinition::Invocation& program)
{
    return {program.WorkingDir, program.Executable, program.Parameters, Index(program.Delay)};
}

void ToInvocation(const InvocationValues& values, ServiceDefinition::Invocation& program)
{
    program.WorkingDir = values.workingDir;
    program.Executable = values.executable;
    program.Parameters = values.parameters;
    program.Delay = Field(values.time);
}
}  // namespace

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

bool NeedsDefaultTime(const std::string& text) { return text.find_last_not_of(kBlanks) == std::string::npos; }

std::string FolderPart(const std::string& path)
{
    const auto slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

int CheckFromFlag(std::uint32_t flag) { return flag != 0 ? 1 : 0; }

ProgramValues ProgramFromRecord(const ServiceDefinition& r)
{
    return {r.Name,
            r.DisplayName,
            r.Description,
            CheckFromFlag(r.ConsoleApp),
            r.Service.WorkingDir,
            r.Service.Executable,
            r.Service.Parameters,
            Index(r.Service.Delay)};
}

void ProgramToRecord(const ProgramValues& v, ServiceDefinition& r)
{
    r.Name = v.name;
    r.DisplayName = v.displayName;
    r.Description = v.description;
    r.ConsoleApp = Field(v.consoleApp);
    ToInvocation({v.workingDir, v.executable, v.parameters, v.startupTime}, r.Service);
}

PrePostValues PrePostFromRecord(const ServiceDefinition& r)
{
    return {FromInvocation(r.PreService), FromInvocation(r.PostService)};
}

void PrePostToRecord(const PrePostValues& v, ServiceDefinition& r)
{
    ToInvocation(v.pre, r.PreService);
    ToInvocation(v.post, r.PostService);
}

OptionsValues OptionsFromRecord(const ServiceDefinition& r)
{
    OptionsValues v;
    v.interactWithDesktop = CheckFromFlag(r.InteractWithDesktop);
    v.showWindow = Index(r.ShowWindow);
    v.jobType = Index(r.JobType);
    v.loadOrderGroup = r.LoadOrderGroup;
    v.startUpMode = Index(r.StartUpMode);
    v.uponExit = Index(r.UponExit);
    v.monitorInterval = Index(r.SMFFrequency);
    v.priority = Index(r.Priority);
    for (int bit = 0; bit < kCpuBoxes; ++bit) v.cpu[bit] = (r.AffinityMask >> bit) & 1u;
    v.debugEnabled = CheckFromFlag(r.DebugEnabled);
    v.debugLogFile = r.DebugLogFile;
    return v;
}

void OptionsToRecord(const OptionsValues& v, ServiceDefinition& r)
{
    r.InteractWithDesktop = Field(v.interactWithDesktop);
    r.ShowWindow = Field(v.showWindow);
    r.JobType = Field(v.jobType);
    r.LoadOrderGroup = v.loadOrderGroup;
    r.StartUpMode = Field(v.startUpMode);
    r.UponExit = Field(v.uponExit);
    r.SMFEnabled = MonitoringApplies(v.uponExit) ? 1 : 0;
    r.SMFFrequency = Field(v.monitorInterval);
    r.Priority = Field(v.priority);
    // Only the eight boxes survive: the page cannot show higher processors.
    std::uint32_t mask = 0;
    for (int bit = 0; bit < kCpuBoxes; ++bit) {
        if (v.cpu[bit] != 0) mask |= 1u << bit;
    }
    r.AffinityMask = mask;
    r.DebugEnabled = Field(v.debugEnabled);
    r.DebugLogFile = v.debugLogFile;
}

bool MonitoringApplies(int uponExitIndex) { return uponExitIndex != 0; }

DependencyValues DependenciesFromRecord(const ServiceDefinition& r)
{
    return {r.ServiceDependencies, r.GroupDependencies};
}

void DependenciesToRecord(const DependencyValues& v, ServiceDefinition& r)
{
    r.ServiceDependencies = v.services;
    r.GroupDependencies = v.groups;
}

std::size_t FindVariable(const Variables& variables, const std::string& name)
{
    for (std::size_t i = 0; i < variables.size(); ++i) {
        if (variables[i].name == name) return i;
    }
    return kNoVariable;
}

std::size_t SetVariable(Variables& variables, const std::string& name, const std::string& value)
{
    const std::size_t found = FindVariable(variables, name);
    if (found != kNoVariable) {
        variables[found].value = value;
        return found;
    }
    variables.emplace_back(name, value);
    return variables.size() - 1;
}

std::vector<std::size_t> SetEveryVariable(Variables& variables, const std::string& name, const std::string& value)
{
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < variables.size(); ++i) {
        if (variables[i].name != name) continue;
        variables[i].value = value;
        changed.push_back(i);
    }
    return changed;
}

}  // namespace editor
