#include "DefinitionConversion.h"

#include <new>

#include "DefinitionBlocks.h"
#include "Failure.h"
#include "DefinitionRules.h"
#include "Notification.h"
#include "Platform.h"
#include "ProcessLimits.h"
#include "RelativePaths.h"
#include "ServiceAccount.h"
#include "Settings.h"
#include "Variables.h"

#include <cstdlib>

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

// A text for a message: at most a line's worth of it, cut at a character boundary.
std::string Shown(const std::string& text)
{
    constexpr std::size_t kShown = 60;
    if (text.size() <= kShown) return text;
    std::size_t end = kShown;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end) + "...";
}

[[noreturn]] void ThrowTooLong(const std::string& what, std::size_t length, std::size_t most)
{
    failure::Throw(failure::Hold(failure::Slot::SystemLimit, what + " is too long: " + std::to_string(length) +
                                                                 " characters, the system takes at most " +
                                                                 std::to_string(most)));
}

// A path the system would refuse when the host starts the program: refused at install instead,
// where the message can say why.
void CheckPathLength(const std::string& text, const char* what, std::size_t most)
{
    const std::size_t length = process_limits::SystemLength(text);
    if (length > most)
        failure::Throw(failure::Hold(failure::Slot::SystemLimit, std::string(what) + " is too long: " +
                                                                     std::to_string(length) +
                                                                     " characters, Windows takes at most " +
                                                                     std::to_string(most) + " there"));
}

// Where the ANSI code page is not UTF-8 (Windows before 10 version 1903 ignores the programs'
// setting), the 8-bit calls would turn UTF-8 text into other characters: such a definition is
// refused rather than installed garbled.
void CheckCodePage(const ServiceDefinition& d)
{
    if (platform::AnsiCodePageIsUtf8()) return;
    const auto check = [](const std::string& text, const char* what) {
        for (const char c : text) {
            if (static_cast<unsigned char>(c) < 0x80) continue;
            failure::Throw(failure::Hold(failure::Slot::SystemLimit,
                                         std::string(what) + " holds characters outside ASCII, which this Windows "
                                                             "cannot pass on: names and paths in any language need "
                                                             "Windows 10 version 1903 or later"));
        }
    };
    check(d.DisplayName, "display name");
    check(d.Description, "description");
    check(d.LoadOrderGroup, "load order group");
    check(d.DebugLogFile, "debug log file");
    check(d.OutputFile, "output file");
    check(d.ErrorFile, "error file");
    check(d.Account, "account");
    check(d.RecoveryProgram, "recovery program");
    check(d.RecoveryParameters, "recovery parameters");
    for (const ServiceDefinition::Invocation* program : {&d.Service, &d.PreService, &d.PostService, &d.StopService}) {
        check(program->Executable, "application binary path");
        check(program->WorkingDir, "working directory");
        check(program->Parameters, "parameters");
    }
    for (const std::string& group : d.GroupDependencies) check(group, "group dependency");
    for (const std::string& service : d.ServiceDependencies) check(service, "service dependency");
    for (const EnvironmentVariable& variable : d.Environment) {
        check(variable.name, "environment variable name");
        check(variable.value, "environment variable value");
    }
}

// The terminating zero counts against each limit, so the text itself may hold one character less.
void CheckCommandLine(const ServiceDefinition::Invocation& program, const char* which)
{
    const std::size_t length =
        process_limits::SystemLength(process_limits::CommandLineFor(program.Executable, program.Parameters));
    if (length >= process_limits::kMaxCommandLine)
        ThrowTooLong(std::string("command line of the ") + which, length, process_limits::kMaxCommandLine - 1);
}

void CheckEnvironment(const std::vector<EnvironmentVariable>& variables)
{
    std::size_t block = 1;
    for (const EnvironmentVariable& variable : variables) {
        if (variable.name.empty()) failure::Throw("environment variable name is empty");
        if (variable.name.find(process_limits::kNameValueSeparator) != std::string::npos) {
            failure::Throw(failure::Hold(failure::Slot::SystemLimit, "environment variable name \"" +
                                                                         Shown(variable.name) + "\" contains '" +
                                                                         process_limits::kNameValueSeparator + "'"));
        }
        const std::size_t entry = process_limits::SystemLength(variable.name) + 1 +
                                  process_limits::SystemLength(variable.value) + 1;
        if (entry > process_limits::kMaxEnvironmentVariable)
            ThrowTooLong("environment variable \"" + Shown(variable.name) + "\"", entry - 1,
                         process_limits::kMaxEnvironmentVariable - 1);
        block += entry;
    }
    if (block > process_limits::kMaxEnvironmentBlock)
        ThrowTooLong("environment block", block, process_limits::kMaxEnvironmentBlock);
}

// With variables to expand, the paths are checked as the host will use them; the record keeps
// them as written.
std::string AsUsed(const std::string& text, const variables::Lookup* expand)
{
    return expand ? variables::Expand(text, *expand).text : text;
}

// The checks of a program block as the host will run it: the program and its folder exist, and
// the paths and the command line fit the system's limits.
void CheckInvocation(const ServiceDefinition::Invocation& to, const char* which, const variables::Lookup* expand,
                     const relative_paths::Base& base)
{
    const std::string executable = base.Resolve(AsUsed(to.Executable, expand), std::string("the ") + which);
    const std::string quoted = process_limits::CommandLineFor(executable, "");
    CheckPathLength(quoted.substr(1, quoted.size() - 2), "application binary path", process_limits::kMaxProgramPath);
    const platform::FileStatus program = platform::QueryFileStatus(executable);
    if (program.kind == platform::FileKind::Missing) failure::ThrowLastError("application binary is invalid");
    if (program.kind != platform::FileKind::Regular) failure::Throw("application binary is not a regular file");
    if (!program.executable) failure::Throw("application binary is not executable");

    const std::string workingDir =
        base.Resolve(AsUsed(to.WorkingDir, expand), std::string("the working folder of the ") + which);
    CheckPathLength(workingDir, "working directory", process_limits::kMaxWorkingDirectory);
    const platform::FileStatus folder = platform::QueryFileStatus(workingDir);
    if (folder.kind == platform::FileKind::Missing) failure::ThrowLastError("working directory is invalid");
    if (folder.kind != platform::FileKind::Directory) failure::Throw("working directory is not a directory");
    CheckCommandLine(to, which);
}

void ConvertInvocation(const XMLConfiguration::Invocation& from, ServiceDefinition::Invocation& to, bool required,
                       const char* which, const variables::Lookup* expand, const relative_paths::Base& base)
{
    to = ServiceDefinition::Invocation();
    if (!from.Executable().HasValue()) {
        if (required) failure::Throw("application binary is not specified");
        return;
    }
    // The reader takes a block only with both its program and its folder.
    to.Executable = Text(from.Executable());
    to.WorkingDir = TextOr(from.WorkingDir(), "");
    if (from.Parameters().HasValue()) to.Parameters = Text(from.Parameters());
    if (from.Delay().HasValue()) to.Delay = from.Delay().Value();
    CheckInvocation(to, which, expand, base);
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
    static_assert(process_limits::kMaxProgramTimeMs == 600000, "the messages name the limit");
    for (const auto& t : times)
        if (t.program.Delay > process_limits::kMaxProgramTimeMs) failure::Throw(t.message);
}

// The settings table's values: what the file says, else each setting's default.
void ConvertSettings(const XMLConfiguration& configuration, ServiceDefinition& definition)
{
    using settings::Kind;
    for (const settings::Setting& row : settings::kTable) {
        switch (row.kind) {
        case Kind::Text:
        case Kind::Repeated: row.text.Of(definition) = TextOr(configuration.SettingText(row), ""); break;
        case Kind::Boolean: row.number.Of(definition) = FlagOr(configuration.SettingNumber(row), row.defaultValue); break;
        case Kind::Target:
            if (settings::HoldsWebhooks(row)) definition.Notifications = configuration.Notifications();
            break;
        case Kind::List:
            definition.ExitActions.clear();
            for (const auto& [code, action] : configuration.ExitActions()) {
                ServiceDefinition::ExitCodeAction a;
                a.anyCode = !code.HasValue();
                a.code = code.HasValue() ? code.Value() : 0;
                a.action = action.Value();
                definition.ExitActions.push_back(a);
            }
            break;
        default: row.number.Of(definition) = NumberOr(configuration.SettingNumber(row), row.defaultValue);
        }
    }
}

// interactWritten: the definition states InteractWithDesktop, so the message names that rather
// than the value it takes when absent.
void CheckLogOnAndRecovery(const ServiceDefinition& definition, bool interactWritten)
{
    const std::string problem = definition_rules::AccountProblem(definition);
    if (!problem.empty()) failure::Throw(failure::Hold(failure::Slot::Setting, problem));
    if (definition_rules::InteractNeedsLocalSystem(definition))
        failure::Throw(failure::Hold(failure::Slot::Setting,
                                     "Account \"" + Shown(definition.Account) +
                                         "\" cannot be used with InteractWithDesktop true (" +
                                         (interactWritten ? std::string("as written in Options")
                                                          : std::string("its value when Options does not name it")) +
                                         "): Windows lets only LocalSystem services interact with the desktop; set "
                                         "InteractWithDesktop to false"));
    if (definition_rules::DelayNeedsAutomaticStart(definition))
        failure::Throw(failure::Hold(failure::Slot::Setting,
                                     "DelayedStart applies to automatic start-up only, but StartUpMode is " +
                                         std::to_string(definition.StartUpMode) +
                                         "; set StartUpMode to 1 or leave DelayedStart out"));
    if (definition_rules::RecoveryRunsNoProgram(definition))
        failure::Throw("A recovery action runs a program, but RecoveryProgram is not set");
    if (const definition_rules::HealthIssue health = definition_rules::HealthProblem(definition); !health.text.empty())
        failure::Throw(failure::Hold(failure::Slot::Setting, health.text));
    for (const ServiceDefinition::Notification& n : definition.Notifications)
        if (const std::string problem = notification::Problem(n); !problem.empty())
            failure::Throw(failure::Hold(failure::Slot::Setting, problem));
    if (const definition_rules::LimitsIssue limits = definition_rules::LimitsProblem(definition); !limits.text.empty())
        failure::Throw(failure::Hold(failure::Slot::Setting, limits.text));
    if (!definition.RecoveryProgram.empty()) {
        ServiceDefinition::Invocation program;
        program.Executable = definition.RecoveryProgram;
        program.Parameters = definition.RecoveryParameters;
        CheckCommandLine(program, "recovery program");
    }
}

}  // namespace

void ConvertDefinition(const XMLConfiguration& configuration, ServiceDefinition& definition,
                       unsigned char* forceReplace, const relative_paths::Base& base)
{
    ConvertSettings(configuration, definition);
    // The service's environment as the host builds it: the definition's variables, then the
    // system's.
    const variables::Lookup lookup = [&configuration](const std::string& name) -> std::optional<std::string> {
        for (const auto& [variable, value] : configuration.Environment())
            if (variable.HasValue() && variables::SameName(Text(variable), name)) return TextOr(value, "");
        if (const char* value = std::getenv(name.c_str())) return std::string(value);
        return std::nullopt;
    };
    const variables::Lookup* expand = definition.ExpandVariables ? &lookup : nullptr;
    ConvertInvocation(configuration.Service(), definition.Service, true, "service program", expand, base);
    if (forceReplace) *forceReplace = FlagOr(configuration.ForceReplace(), 0) ? 1 : 0;
    ConvertName(configuration.Name(), definition.Name);
    definition.DisplayName = TextOr(configuration.DisplayName(), definition.Name);
    definition.Description = TextOr(configuration.Description(), "");

    definition.ConsoleApp = FlagOr(configuration.ConsoleApp(), 0);
    definition.InteractWithDesktop =
        FlagOr(configuration.InteractWithDesktop(), XMLConfiguration::kDefaultInteractWithDesktop);
    definition.StartUpMode = NumberOr(configuration.StartUpMode(), XMLConfiguration::kDefaultStartUpMode);
    definition.ShowWindow = NumberOr(configuration.ShowWindow(), 0);
    definition.JobType = NumberOr(configuration.JobType(), XMLConfiguration::kDefaultJobType);
    definition.LoadOrderGroup = TextOr(configuration.LoadOrderGroup(), "");

    ConvertDependencies(configuration, definition);

    definition.SMFEnabled = FlagOr(configuration.Monitoring(), XMLConfiguration::kDefaultMonitoring);
    definition.SMFFrequency = NumberOr(configuration.MonitoringFrequency(), XMLConfiguration::kDefaultFrequency);
    definition.UponExit = NumberOr(configuration.UponExit(), XMLConfiguration::kDefaultUponExit);
    definition.AffinityMask = NumberOr(configuration.AffinityMask(), 0);
    definition.Priority = NumberOr(configuration.Priority(), 0);
    if (definition.Priority > 5) definition.Priority = 0;

    ConvertInvocation(configuration.PreService(), definition.PreService, false, "pre-service program", expand, base);
    ConvertInvocation(configuration.PostService(), definition.PostService, false, "post-service program", expand, base);
    // The stop program runs for at most the stop timeout: it has no time of its own.
    definition.StopService.Delay = 0;
    if (!definition.StopService.Executable.empty()) CheckInvocation(definition.StopService, "stop program", expand, base);

    for (const auto& [name, value] : configuration.Environment()) {
        if (!name.HasValue()) continue;
        definition.Environment.emplace_back(Text(name), TextOr(value, ""));
    }
    CheckEnvironment(definition.Environment);
    definition.EnvironmentSize = blocks::EnvironmentSize(definition.Environment);

    definition.DebugEnabled = FlagOr(configuration.DebuggingEnabled(), 0);
    definition.DebugLogFile = TextOr(configuration.DebugLogFile(), "");
    // The log files need not exist yet; where a relative one will be is told all the same.
    if (definition.DebugEnabled) base.Resolve(AsUsed(definition.DebugLogFile, expand), "the debug log");
    base.Resolve(AsUsed(definition.OutputFile, expand), "the output file");
    if (definition.ErrorFile != definition.OutputFile)
        base.Resolve(AsUsed(definition.ErrorFile, expand), "the error file");

    CheckProgramTimes(definition);

    CheckLogOnAndRecovery(definition, configuration.InteractWithDesktopWritten());

    CheckCodePage(definition);
}
