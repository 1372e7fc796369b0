#include "DefinitionWriter.h"

#include <cstdint>
#include <cstdio>
#include <utility>
#include <vector>

#include "Platform.h"

namespace definition_writer {

namespace {

const char kEnd[] = "\r\n";

std::string Number(std::uint32_t value)
{
    // Written as a signed 32-bit number: a value with its top bit set prints negative.
    return std::to_string(static_cast<std::int32_t>(value));
}

const char* Boolean(std::uint32_t value) { return value != 0 ? "true" : "false"; }

class Lines {
public:
    void Add(const std::string& line) { text_ += line + kEnd; }
    void Element(const std::string& indent, const std::string& name, const std::string& value)
    {
        Add(indent + "<" + name + ">" + value + "</" + name + ">");
    }
    std::string Take() { return std::move(text_); }

private:
    std::string text_;
};

void Invocation(Lines& out, const ServiceDefinition::Invocation& program, const std::string& prefix,
                bool withDelay = true)
{
    out.Element("  ", prefix + "WorkingDir", Escape(program.WorkingDir));
    out.Element("  ", prefix + "Executable", Escape(program.Executable));
    if (!program.Parameters.empty()) out.Element("  ", prefix + "Parameters", Escape(program.Parameters));
    if (withDelay) out.Element("  ", prefix + "Delay", Number(program.Delay));
}

// Only what is set, so that a definition without output settings is written as before.
void Output(Lines& out, const ServiceDefinition& d)
{
    std::vector<std::pair<const char*, std::string>> set;
    if (!d.OutputFile.empty()) set.emplace_back("OutputLocation", Escape(d.OutputFile));
    if (!d.ErrorFile.empty()) set.emplace_back("ErrorLocation", Escape(d.ErrorFile));
    if (d.RotateSize != 0) set.emplace_back("RotateSize", std::to_string(d.RotateSize));
    if (d.RotateDaily != 0) set.emplace_back("RotateDaily", "true");
    if (d.RotateKeep != ServiceDefinition::kDefaultRotateKeep) set.emplace_back("RotateKeep", std::to_string(d.RotateKeep));
    if (d.OutputTimeStamp != 0) set.emplace_back("TimeStamp", "true");
    if (set.empty()) return;
    out.Add(" <Output>");
    for (const auto& [name, value] : set) out.Element("  ", name, value);
    out.Add(" </Output>");
}

void Supervision(Lines& out, const ServiceDefinition& d)
{
    const bool set = d.StopTimeout != ServiceDefinition::kDefaultStopTimeout || !d.ExitActions.empty() ||
                     d.RestartLimit != 0 || d.RestartPeriod != ServiceDefinition::kDefaultRestartPeriod ||
                     d.PreShutdownTimeout != 0;
    if (!set) return;
    out.Add(" <Supervision>");
    if (d.StopTimeout != ServiceDefinition::kDefaultStopTimeout)
        out.Element("  ", "StopTimeout", std::to_string(d.StopTimeout));
    for (const auto& a : d.ExitActions) {
        out.Add(std::string("  <ExitAction") + (a.anyCode ? "" : " Code=\"" + std::to_string(a.code) + "\"") + ">" +
                std::to_string(a.action) + "</ExitAction>");
    }
    if (d.RestartLimit != 0) out.Element("  ", "RestartLimit", std::to_string(d.RestartLimit));
    if (d.RestartPeriod != ServiceDefinition::kDefaultRestartPeriod)
        out.Element("  ", "RestartPeriod", std::to_string(d.RestartPeriod));
    if (d.PreShutdownTimeout != 0) out.Element("  ", "PreShutdownTimeout", std::to_string(d.PreShutdownTimeout));
    out.Add(" </Supervision>");
}

void Recovery(Lines& out, const ServiceDefinition& d)
{
    const struct {
        const char* element;
        std::uint32_t action;
        std::uint32_t delay;
    } steps[] = {
        {"FirstFailure", d.RecoveryFirst, d.RecoveryFirstDelay},
        {"SecondFailure", d.RecoverySecond, d.RecoverySecondDelay},
        {"LaterFailures", d.RecoveryLater, d.RecoveryLaterDelay},
    };
    bool set = d.RecoveryResetPeriod != ServiceDefinition::kDefaultRecoveryReset || !d.RecoveryProgram.empty() ||
               !d.RecoveryParameters.empty();
    for (const auto& step : steps)
        set = set || step.action != 0 || step.delay != ServiceDefinition::kDefaultRecoveryDelay;
    if (!set) return;
    out.Add(" <Recovery>");
    for (const auto& step : steps) {
        if (step.action == 0 && step.delay == ServiceDefinition::kDefaultRecoveryDelay) continue;
        const std::string delay = step.delay == ServiceDefinition::kDefaultRecoveryDelay
                                      ? std::string()
                                      : " Delay=\"" + std::to_string(step.delay) + "\"";
        out.Add(std::string("  <") + step.element + delay + ">" + std::to_string(step.action) + "</" + step.element +
                ">");
    }
    if (d.RecoveryResetPeriod != ServiceDefinition::kDefaultRecoveryReset)
        out.Element("  ", "ResetPeriod", std::to_string(d.RecoveryResetPeriod));
    if (!d.RecoveryProgram.empty()) out.Element("  ", "RecoveryProgram", Escape(d.RecoveryProgram));
    if (!d.RecoveryParameters.empty()) out.Element("  ", "RecoveryParameters", Escape(d.RecoveryParameters));
    out.Add(" </Recovery>");
}

}  // namespace

ServiceDefinition NewDefinition()
{
    ServiceDefinition definition;
    definition.StartUpMode = 1;
    definition.UponExit = 1;
    return definition;
}

std::string Escape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\'': out += "&apos;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string DefinitionText(const ServiceDefinition& d)
{
    Lines out;
    out.Add("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>");
    out.Add("<!DOCTYPE Service SYSTEM \"Velmora.dtd\">");
    out.Add("<Service>");
    out.Add(" <Program>");
    out.Element("  ", "Name", Escape(d.Name));
    out.Element("  ", "DisplayName", Escape(d.DisplayName));
    if (!d.Description.empty()) out.Element("  ", "Description", Escape(d.Description));
    Invocation(out, d.Service, "");
    out.Element("  ", "ConsoleApp", Boolean(d.ConsoleApp));
    out.Element("  ", "ForceReplace", "true");
    out.Add(" </Program>");

    out.Add(" <Options>");
    out.Element("  ", "AffinityMask", Number(d.AffinityMask));
    out.Element("  ", "Priority", Number(d.Priority));
    out.Element("  ", "InteractWithDesktop", Boolean(d.InteractWithDesktop));
    out.Element("  ", "StartUpMode", Number(d.StartUpMode));
    out.Element("  ", "UponExit", Number(d.UponExit));
    out.Element("  ", "ShowWindow", Number(d.ShowWindow));
    out.Element("  ", "JobType", Number(d.JobType));
    if (!d.LoadOrderGroup.empty()) out.Element("  ", "LoadOrderGroup", Escape(d.LoadOrderGroup));
    if (d.ExpandVariables != 0) out.Element("  ", "ExpandVariables", "true");
    if (!d.Account.empty()) out.Element("  ", "Account", Escape(d.Account));
    if (d.DelayedStart != 0) out.Element("  ", "DelayedStart", "true");
    if (!d.GroupDependencies.empty() || !d.ServiceDependencies.empty()) {
        out.Add("  <Dependencies>");
        for (const auto& group : d.GroupDependencies) out.Element("   ", "GroupName", Escape(group));
        for (const auto& service : d.ServiceDependencies) out.Element("   ", "ServiceName", Escape(service));
        out.Add("  </Dependencies>");
    }
    out.Add(" </Options>");

    if (d.DebugEnabled != 0) {
        out.Add(" <Debug>");
        out.Element("  ", "DebugEnabled", "true");
        out.Element("  ", "DebugLocation", Escape(d.DebugLogFile));
        out.Add(" </Debug>");
    }
    if (!d.Environment.empty()) {
        out.Add(" <Environment>");
        for (const auto& variable : d.Environment) {
            out.Add("  <Variable Name=\"" + Escape(variable.name) + "\">" + Escape(variable.value) + "</Variable>");
        }
        out.Add(" </Environment>");
    }
    out.Add(" <SMF>");
    out.Element("  ", "SMFEnabled", Boolean(d.SMFEnabled));
    out.Element("  ", "SMFFrequency", Number(d.SMFFrequency));
    out.Add(" </SMF>");
    if (!d.PreService.Executable.empty()) {
        out.Add(" <PreService>");
        Invocation(out, d.PreService, "Pre");
        out.Add(" </PreService>");
    }
    if (!d.PostService.Executable.empty()) {
        out.Add(" <PostService>");
        Invocation(out, d.PostService, "Post");
        out.Add(" </PostService>");
    }
    Output(out, d);
    Supervision(out, d);
    if (!d.StopService.Executable.empty()) {
        out.Add(" <StopService>");
        Invocation(out, d.StopService, "Stop", false);
        out.Add(" </StopService>");
    }
    Recovery(out, d);
    out.Add("</Service>");
    return out.Take();
}

bool WriteDefinitionFile(const ServiceDefinition& definition, const std::string& path, std::string* error)
{
    return platform::ReplaceFileContent(path, DefinitionText(definition), error);
}

}  // namespace definition_writer
