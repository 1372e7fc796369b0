#include "PageValues.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include <stdexcept>

#include "EditorIds.h"
#include "Notification.h"
#include "ServiceAccount.h"

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

// A setting of any number of elements, shown in one field: "03:00, 15:30" for "03:00,15:30".
std::string ListText(const std::string& joined)
{
    std::string shown;
    for (char c : joined) shown += c == ',' ? std::string(", ") : std::string(1, c);
    return shown;
}

// The field's entries, each trimmed, joined by commas; blank entries are left out.
std::string ListFromText(const std::string& text)
{
    std::string joined;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string entry = Trimmed(text.substr(start, comma - start));
        start = comma + 1;
        if (entry.empty()) continue;
        joined += (joined.empty() ? "" : ",") + entry;
    }
    return joined;
}

TableFields FieldsFromRecord(settings::Page page, const ServiceDefinition& r)
{
    TableFields fields(page);
    for (const settings::Setting& row : settings::kTable) {
        if (row.editor.page != page) continue;
        switch (row.editor.control) {
        case settings::Control::Edit:
            fields.text[row.editor.id] = row.kind == settings::Kind::Repeated ? ListText(row.text.Of(r))
                                         : settings::HoldsText(row)           ? row.text.Of(r)
                                                                              : NumberText(row, r);
            break;
        case settings::Control::Check: fields.state[row.editor.id] = CheckFromFlag(row.number.Of(r)); break;
        case settings::Control::Combo: fields.state[row.editor.id] = Index(row.number.Of(r)); break;
        case settings::Control::None: break;
        }
    }
    return fields;
}

void FieldsToRecord(const TableFields& fields, ServiceDefinition& r)
{
    for (const auto& [control, text] : fields.text) {
        const settings::Setting& row = FieldSetting(fields.page, control);
        if (row.kind == settings::Kind::Repeated)
            row.text.Of(r) = ListFromText(text);
        else if (row.kind == settings::Kind::Text)
            row.text.Of(r) = text;
        else
            ParseSetting(row, text, row.number.Of(r));
    }
    for (const auto& [control, state] : fields.state)
        if (state >= 0) FieldSetting(fields.page, control).number.Of(r) = Field(state);
}

ProgramValues ProgramFromRecord(const ServiceDefinition& r)
{
    ProgramValues v{r.Name,
                    r.DisplayName,
                    r.Description,
                    CheckFromFlag(r.ConsoleApp),
                    r.Service.WorkingDir,
                    r.Service.Executable,
                    r.Service.Parameters,
                    Index(r.Service.Delay)};
    v.fields = FieldsFromRecord(settings::Page::Program, r);
    return v;
}

void ProgramToRecord(const ProgramValues& v, ServiceDefinition& r)
{
    r.Name = v.name;
    r.DisplayName = v.displayName;
    r.Description = v.description;
    r.ConsoleApp = Field(v.consoleApp);
    ToInvocation({v.workingDir, v.executable, v.parameters, v.startupTime}, r.Service);
    FieldsToRecord(v.fields, r);
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

OutputValues OutputFromRecord(const ServiceDefinition& r)
{
    OutputValues v;
    v.fields = FieldsFromRecord(settings::Page::Output, r);
    return v;
}

void OutputToRecord(const OutputValues& v, ServiceDefinition& r)
{
    FieldsToRecord(v.fields, r);
}

CountText ParseCount(const std::string& text, std::uint32_t max, std::uint32_t whenBlank, std::uint32_t& value)
{
    const std::string digits = Trimmed(text);
    if (digits.empty()) {
        value = whenBlank;
        return CountText::Number;
    }
    if (digits.find_first_not_of("0123456789") != std::string::npos) return CountText::NotANumber;
    std::uint64_t parsed = 0;
    for (char c : digits) {
        parsed = parsed * 10 + static_cast<std::uint64_t>(c - '0');
        // Stops long before 64 bits could overflow, however many digits follow.
        if (parsed > max) return CountText::TooLarge;
    }
    value = static_cast<std::uint32_t>(parsed);
    return CountText::Number;
}

const settings::Setting* FindFieldSetting(settings::Page page, int control)
{
    for (const settings::Setting& row : settings::kTable)
        if (row.editor.page == page && row.editor.id == control) return &row;
    return nullptr;
}

const settings::Setting& FieldSetting(settings::Page page, int control)
{
    if (const settings::Setting* row = FindFieldSetting(page, control)) return *row;
    throw std::out_of_range("no setting in field " + std::to_string(control));
}

std::string NumberText(const settings::Setting& row, const ServiceDefinition& record)
{
    const std::uint32_t value = row.number.Of(record);
    return row.editor.blankWhenDefault && value == row.defaultValue ? std::string() : std::to_string(value);
}

CountText ParseSetting(const settings::Setting& row, const std::string& text, std::uint32_t& value)
{
    std::uint32_t parsed = 0;
    const CountText kind = ParseCount(text, row.max, row.defaultValue, parsed);
    if (kind != CountText::Number) return kind;
    if (parsed < row.min && parsed != row.defaultValue) return CountText::TooLarge;
    value = parsed;
    return kind;
}

std::string ExitActionName(std::uint32_t action)
{
    return action < kExitActionNames.size() ? kExitActionNames[action] : "";
}

SupervisionValues SupervisionFromRecord(const ServiceDefinition& r)
{
    SupervisionValues v;
    v.fields = FieldsFromRecord(settings::Page::Supervision, r);
    v.exitActions = r.ExitActions;
    return v;
}

void SupervisionToRecord(const SupervisionValues& v, ServiceDefinition& r)
{
    // The stop program's Delay is not the page's: it keeps what the record had.
    FieldsToRecord(v.fields, r);
    r.ExitActions = v.exitActions;
}

NotifyValues NotifyFromRecord(const ServiceDefinition& r)
{
    NotifyValues v;
    v.fields = FieldsFromRecord(settings::Page::Notify, r);
    v.notifications = r.Notifications;
    return v;
}

void NotifyToRecord(const NotifyValues& v, ServiceDefinition& r)
{
    FieldsToRecord(v.fields, r);
    r.Notifications = v.notifications;
}

std::string MaskedHeader(const std::string& header)
{
    if (header.empty()) return {};
    const char* const mask = "\xE2\x80\xA2\xE2\x80\xA2\xE2\x80\xA2";
    const std::size_t colon = header.find(':');
    if (colon == std::string::npos) return mask;
    return Trimmed(header.substr(0, colon)) + ": " + mask;
}

std::string EventsText(std::uint32_t mask, const std::string& kept)
{
    const notification::Events events = notification::Parse(kept);
    if (events.problem.empty() && events.mask == mask) return kept;
    std::string text;
    for (int i = 0; i < static_cast<int>(notification::Event::Count); ++i) {
        const auto event = static_cast<notification::Event>(i);
        if (mask & notification::Bit(event)) text += (text.empty() ? "" : ",") + std::string(notification::Name(event));
    }
    return text;
}

CountText ParseExitCode(const std::string& text, std::uint32_t& code)
{
    const std::string trimmed = Trimmed(text);
    if (trimmed.size() < 3 || trimmed[0] != '0' || (trimmed[1] != 'x' && trimmed[1] != 'X')) {
        // A blank text is no code at all.
        if (trimmed.empty()) return CountText::NotANumber;
        return ParseCount(trimmed, std::numeric_limits<std::uint32_t>::max(), 0, code);
    }
    const std::string digits = trimmed.substr(2);
    if (digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return CountText::NotANumber;
    std::uint64_t parsed = 0;
    for (char c : digits) {
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        parsed = parsed * 16 + static_cast<std::uint64_t>(digit);
        if (parsed > std::numeric_limits<std::uint32_t>::max()) return CountText::TooLarge;
    }
    code = static_cast<std::uint32_t>(parsed);
    return CountText::Number;
}

std::string ExitCodeText(std::uint32_t code)
{
    if (code <= 0xFFFF) return std::to_string(code);
    char text[16] = {};
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

std::size_t FindExitAction(const ExitActions& actions, const ServiceDefinition::ExitCodeAction& entry,
                           std::size_t replacing)
{
    for (std::size_t i = 0; i < actions.size(); ++i) {
        if (i == replacing || actions[i].anyCode != entry.anyCode) continue;
        if (entry.anyCode || actions[i].code == entry.code) return i;
    }
    return kNoExitAction;
}

LogOnValues LogOnFromRecord(const ServiceDefinition& r)
{
    using service_account::Kind;
    LogOnValues v;
    // A text that names no account is shown as typed, for the validation to say what is wrong.
    const Kind kind = service_account::Classify(r.Account, r.Name).kind;
    v.accountKind = static_cast<int>(kind == Kind::Invalid ? Kind::User : kind);
    if (AccountIsTyped(v.accountKind)) v.accountName = r.Account;
    v.loadedAccount = r.Account;
    v.fields = FieldsFromRecord(settings::Page::LogOn, r);
    return v;
}

void LogOnToRecord(const LogOnValues& v, ServiceDefinition& r)
{
    r.Account = AccountText(v, r.Name);
    FieldsToRecord(v.fields, r);
}

bool AccountIsTyped(int kind)
{
    using service_account::Kind;
    return kind == static_cast<int>(Kind::Managed) || kind == static_cast<int>(Kind::User);
}

std::string AccountText(const LogOnValues& v, const std::string& serviceName)
{
    using service_account::Kind;
    if (AccountIsTyped(v.accountKind)) return Trimmed(v.accountName);
    const auto kind = static_cast<Kind>(v.accountKind);
    // The record's own spelling stays while it names the chosen kind, so that an unchanged
    // definition is written back as it was.
    if (service_account::Classify(v.loadedAccount, serviceName).kind == kind) return v.loadedAccount;
    switch (kind) {
    case Kind::LocalService: return "NT AUTHORITY\\LocalService";
    case Kind::NetworkService: return "NT AUTHORITY\\NetworkService";
    case Kind::Virtual: return "NT SERVICE\\" + serviceName;
    default: return {};
    }
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
