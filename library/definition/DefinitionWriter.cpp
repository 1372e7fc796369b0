#include "DefinitionWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "Platform.h"
#include "XMLConfiguration.h"
#include "Settings.h"

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

void Invocation(Lines& out, const ServiceDefinition::Invocation& program, const std::string& prefix)
{
    out.Element("  ", prefix + "WorkingDir", Escape(program.WorkingDir));
    out.Element("  ", prefix + "Executable", Escape(program.Executable));
    if (!program.Parameters.empty()) out.Element("  ", prefix + "Parameters", Escape(program.Parameters));
    out.Element("  ", prefix + "Delay", Number(program.Delay));
}

// A setting of the table as its element, with its attributes that are set.
void Setting(Lines& out, const std::string& indent, const settings::Setting& row, const ServiceDefinition& d)
{
    using settings::Kind;
    switch (row.kind) {
    case Kind::Text: out.Element(indent, row.element, Escape(row.text.Of(d))); return;
    case Kind::Repeated: {
        const std::string& joined = row.text.Of(d);
        for (std::size_t start = 0; start <= joined.size();) {
            const std::size_t comma = std::min(joined.find(',', start), joined.size());
            out.Element(indent, row.element, Escape(joined.substr(start, comma - start)));
            start = comma + 1;
        }
        return;
    }
    case Kind::Target:
        for (const ServiceDefinition::Notification& n : d.Notifications) {
            if (n.webhook != settings::HoldsWebhooks(row)) continue;
            const std::string header = n.header.empty() ? "" : " Header=\"" + Escape(n.header) + "\"";
            out.Add(indent + "<" + row.element + " On=\"" + Escape(n.on) + "\"" + header + ">" + Escape(n.target) + "</" +
                    row.element + ">");
        }
        return;
    case Kind::Boolean: out.Element(indent, row.element, "true"); return;
    case Kind::List:
        for (const auto& a : d.ExitActions) {
            out.Add(indent + "<" + row.element + (a.anyCode ? "" : " Code=\"" + std::to_string(a.code) + "\"") +
                    ">" + std::to_string(a.action) + "</" + row.element + ">");
        }
        return;
    default: break;
    }
    std::string attributes;
    for (const settings::Setting& attribute : settings::kTable) {
        if (attribute.kind == Kind::Attribute && std::strcmp(attribute.container, row.element) == 0 &&
            settings::IsSet(attribute, d))
            attributes += std::string(" ") + attribute.element + "=\"" + std::to_string(attribute.number.Of(d)) + "\"";
    }
    out.Add(indent + "<" + row.element + attributes + ">" + std::to_string(row.number.Of(d)) + "</" + row.element + ">");
}

// The settings of a container that are set, in the table's order; the ones it needs always.
void Settings(Lines& out, const std::string& indent, const char* container, const ServiceDefinition& d)
{
    for (const settings::Setting& row : settings::kTable) {
        if (row.kind == settings::Kind::Attribute || std::strcmp(row.container, container) != 0) continue;
        if (row.minOccurs > 0 || settings::ElementIsSet(row, d)) Setting(out, indent, row, d);
    }
}

}  // namespace

ServiceDefinition NewDefinition()
{
    // Where the layers differ on purpose: a file that leaves StartUpMode, UponExit and
    // InteractWithDesktop out gets XMLConfiguration's defaults, a service whose registry lacks
    // them gets 0; a new definition starts and restarts as the file does, but does not interact
    // with the desktop, which only LocalSystem may. (The settings table's settings have one
    // default everywhere.)
    ServiceDefinition definition;
    definition.StartUpMode = XMLConfiguration::kDefaultStartUpMode;
    definition.UponExit = XMLConfiguration::kDefaultUponExit;
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
    Settings(out, "  ", "Options", d);
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
    // Only what is set, so that a definition without the later settings is written as before.
    for (const settings::Container& container : settings::kContainers) {
        if (!settings::ContainerIsSet(container, d)) continue;
        out.Add(std::string(" <") + container.name + ">");
        Settings(out, "  ", container.name, d);
        out.Add(std::string(" </") + container.name + ">");
    }
    out.Add("</Service>");
    return out.Take();
}

bool WriteDefinitionFile(const ServiceDefinition& definition, const std::string& path, std::string* error)
{
    return platform::ReplaceFileContent(path, DefinitionText(definition), error);
}

}  // namespace definition_writer
