#include "RegistryData.h"

#include <algorithm>
#include <cstring>

#include "DefinitionBlocks.h"

namespace registry_data {

namespace {

using D = ServiceDefinition;
using T = ValueType;

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

std::optional<std::uint32_t> NumberOf(const RawValue& raw)
{
    return raw ? Number(raw->data.data(), raw->data.size()) : std::nullopt;
}

}  // namespace

// Table order is the order of writing; the read positions are the editor's historical order,
// which the host shares. The later settings follow, from the settings table.
const std::vector<Parameter> kParameters = [] {
    std::vector<Parameter> rows = {
    {"PreServiceExe", T::Text, {&D::PreService, &D::Invocation::Executable}, {}, 0, 7},
    {"PreServiceWorkDir", T::Text, {&D::PreService, &D::Invocation::WorkingDir}, {}, 0, 8},
    {"PreServiceParams", T::Text, {&D::PreService, &D::Invocation::Parameters}, {}, 0, 9},
    {"PreServiceDelay", T::Number, {}, {&D::PreService, &D::Invocation::Delay}, 0, 10},
    {"ServiceExe", T::Text, {&D::Service, &D::Invocation::Executable}, {}, 0, 3},
    {"ServiceWorkingDir", T::Text, {&D::Service, &D::Invocation::WorkingDir}, {}, 0, 4},
    {"ServiceParams", T::Text, {&D::Service, &D::Invocation::Parameters}, {}, 0, 5},
    {"ServiceDelay", T::Number, {}, {&D::Service, &D::Invocation::Delay}, 0, 6},
    {"PostServiceExe", T::Text, {&D::PostService, &D::Invocation::Executable}, {}, 0, 11},
    {"PostServiceWorkDir", T::Text, {&D::PostService, &D::Invocation::WorkingDir}, {}, 0, 12},
    {"PostServiceParams", T::Text, {&D::PostService, &D::Invocation::Parameters}, {}, 0, 13},
    {"PostServiceDelay", T::Number, {}, {&D::PostService, &D::Invocation::Delay}, 0, 14},
    {"DisplayName", T::Text, &D::DisplayName, {}, 0, 15, ReadRule::WithoutDisplayPrefix},
    {"Description", T::Text, &D::Description, {}, 0, 16},
    {"ConsoleApp", T::Number, {}, &D::ConsoleApp, 0, 17},
    {"InteractWithDesktop", T::Number, {}, &D::InteractWithDesktop, 0, 18},
    {"StartUpMode", T::Number, {}, &D::StartUpMode, 0, 19},
    {"ShowWindow", T::Number, {}, &D::ShowWindow, 0, 20},
    {"JobType", T::Number, {}, &D::JobType, 1, 21},
    {"LoadOrderGroup", T::Text, &D::LoadOrderGroup, {}, 0, 22},
    {"SMFEnabled", T::Number, {}, &D::SMFEnabled, 0, 23},
    {"SMFFrequency", T::Number, {}, &D::SMFFrequency, 0, 24, ReadRule::AfterSwitch, "SMFEnabled"},
    {"UponExit", T::Number, {}, &D::UponExit, 0, 25, ReadRule::OlderName, "AutoRestart"},
    {"AffinityMask", T::Number, {}, &D::AffinityMask, 0, 26},
    {"Priority", T::Number, {}, &D::Priority, 0, 27},
    {"Dependencies", T::Dependencies, {}, {}, 0, 28},
    {"Environment", T::Environment, {}, {}, 0, 29},
    {"DebugEnabled", T::Number, {}, &D::DebugEnabled, 0, 1},
    {"DebugLogFile", T::Text, &D::DebugLogFile, {}, 0, 2},
    };
    for (const settings::Setting& row : settings::kTable) {
        if (!row.registryName) continue;
        const ValueType type = settings::HoldsText(row)           ? T::Text
                               : row.kind == settings::Kind::List ? T::ExitActions
                               : settings::HoldsWebhooks(row)     ? T::Webhooks
                               : row.kind == settings::Kind::Target ? T::Hooks
                                                                  : T::Number;
        rows.push_back({row.registryName, type, row.text, row.number, row.defaultValue,
                        static_cast<int>(rows.size()) + 1, ReadRule::Plain, nullptr, true});
    }
    return rows;
}();

const std::vector<const Parameter*>& ReadOrder()
{
    static const std::vector<const Parameter*> order = [] {
        std::vector<const Parameter*> rows;
        for (const Parameter& row : kParameters) rows.push_back(&row);
        std::stable_sort(rows.begin(), rows.end(),
                         [](const Parameter* a, const Parameter* b) { return a->readPosition < b->readPosition; });
        return rows;
    }();
    return order;
}

bool TypeFits(ValueType type, std::uint32_t registryType)
{
    switch (type) {
    case ValueType::Text: return registryType == kRegText || registryType == kRegExpandText;
    case ValueType::Number: return registryType == kRegNumber;
    case ValueType::Dependencies:
    case ValueType::Environment:
    case ValueType::ExitActions:
    case ValueType::Hooks:
    case ValueType::Webhooks: return registryType == kRegMultiText;
    }
    return false;
}

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
    if (size != kNumberSize) return std::nullopt;
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

namespace {

std::optional<std::uint32_t> Decimal(const std::string& text)
{
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (n > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<std::uint32_t>(n);
}

}  // namespace

// The entries of a Hook or Webhook value, appended to `list`: the fields before the target are
// cut at tabs, the target is the rest (a command line may hold a tab). An entry without them is
// skipped.
void NotificationEntries(const char* data, std::size_t size, bool webhook,
                         std::vector<ServiceDefinition::Notification>& list)
{
    ForEachString(data, size, [&](const std::string& entry) {
        if (entry.empty()) return false;
        ServiceDefinition::Notification n;
        n.webhook = webhook;
        const std::string::size_type on = entry.find('\t');
        if (on == std::string::npos) return true;
        n.on = entry.substr(0, on);
        std::string::size_type target = on + 1;
        if (webhook) {
            const std::string::size_type header = entry.find('\t', target);
            if (header == std::string::npos) return true;
            n.header = entry.substr(target, header - target);
            target = header + 1;
        }
        n.target = entry.substr(target);
        list.push_back(n);
        return true;
    });
}

std::vector<ServiceDefinition::ExitCodeAction> ExitActionEntries(const char* data, std::size_t size)
{
    std::vector<ServiceDefinition::ExitCodeAction> actions;
    ForEachString(data, size, [&](const std::string& entry) {
        if (entry.empty()) return false;
        const std::string::size_type equals = entry.find('=');
        if (equals == std::string::npos) return true;
        ServiceDefinition::ExitCodeAction a;
        const std::string code = entry.substr(0, equals);
        const std::optional<std::uint32_t> action = Decimal(entry.substr(equals + 1));
        a.anyCode = code == "*";
        const std::optional<std::uint32_t> number = a.anyCode ? std::optional<std::uint32_t>(0) : Decimal(code);
        if (!number || !action || *action > 3) return true;
        a.code = *number;
        a.action = *action;
        for (const auto& known : actions)
            if (known.anyCode == a.anyCode && (a.anyCode || known.code == a.code)) return true;
        actions.push_back(a);
        return true;
    });
    return actions;
}

bool IsStored(const Parameter& p, const ServiceDefinition& d)
{
    if (!p.onlyWhenSet) return true;
    switch (p.type) {
    case ValueType::Text: return !p.text.Of(d).empty();
    case ValueType::Number: return p.number.Of(d) != p.whenMissing;
    case ValueType::ExitActions: return !d.ExitActions.empty();
    case ValueType::Hooks:
    case ValueType::Webhooks:
        for (const auto& n : d.Notifications)
            if (n.webhook == (p.type == ValueType::Webhooks)) return true;
        return false;
    default: return true;
    }
}

std::string Encode(const Parameter& p, const ServiceDefinition& d)
{
    switch (p.type) {
    case ValueType::Text: return p.text.Of(d);
    case ValueType::Number: {
        const std::uint32_t n = p.number.Of(d);
        const char bytes[kNumberSize] = {char(n & 0xFF), char(n >> 8 & 0xFF), char(n >> 16 & 0xFF), char(n >> 24)};
        return std::string(bytes, sizeof bytes);
    }
    case ValueType::Dependencies: return std::string(d.RawDependencies.begin(), d.RawDependencies.end());
    case ValueType::Environment: {
        // Built from the list, so a record whose EnvironmentSize disagrees with its list can
        // never cut a terminator off or add stray bytes.
        const std::vector<char> block = blocks::Environment(d.Environment);
        return std::string(block.begin(), block.end());
    }
    case ValueType::ExitActions: {
        std::string block;
        for (const auto& a : d.ExitActions) {
            block += (a.anyCode ? std::string("*") : std::to_string(a.code)) + "=" + std::to_string(a.action);
            block += '\0';
        }
        block += '\0';
        return block;
    }
    case ValueType::Hooks:
    case ValueType::Webhooks: {
        std::string block;
        for (const auto& n : d.Notifications) {
            if (n.webhook != (p.type == ValueType::Webhooks)) continue;
            block += n.on + '\t' + (n.webhook ? n.header + '\t' : std::string()) + n.target;
            block += '\0';
        }
        block += '\0';
        return block;
    }
    }
    return std::string();
}

std::vector<std::string> LoadParameters(const ValueSource& source, const std::string& serviceName,
                                        ServiceDefinition& d, const ReadLimits& limits)
{
    std::vector<std::string> readable, wrongType;
    const Parameter* row = nullptr;
    const auto read = [&](const char* name, std::size_t limit) {
        RawValue raw = source(name, limit);
        if (raw && limits.checkTypes && !TypeFits(row->type, raw->registryType)) {
            wrongType.emplace_back(name);
            raw.reset();
        }
        if (raw) readable.emplace_back(name);
        return raw;
    };
    const auto wasRead = [&](const char* name) {
        return std::find(readable.begin(), readable.end(), name) != readable.end();
    };

    d.Name = serviceName;
    for (const Parameter* p : ReadOrder()) {
        row = p;
        switch (p->type) {
        case ValueType::Text: {
            const RawValue raw = read(p->name, limits.text);
            std::string& text = p->text.Of(d);
            text = raw ? Text(raw->data.data(), raw->data.size()) : std::string();
            const std::size_t prefix = sizeof kDisplayNamePrefix - 1;
            if (p->rule == ReadRule::WithoutDisplayPrefix && text.compare(0, prefix, kDisplayNamePrefix) == 0)
                text.erase(0, prefix);
            break;
        }
        case ValueType::Number: {
            std::uint32_t& number = p->number.Of(d);
            if (p->rule == ReadRule::AfterSwitch) {
                number = wasRead(p->other)
                             ? std::max(NumberOf(read(p->name, kNumberSize)).value_or(p->whenMissing), kMinimumFrequency)
                             : 0;
                break;
            }
            std::optional<std::uint32_t> value = NumberOf(read(p->name, kNumberSize));
            if (!value && p->rule == ReadRule::OlderName) value = NumberOf(read(p->other, kNumberSize));
            number = value.value_or(p->whenMissing);
            break;
        }
        case ValueType::Dependencies: {
            d.GroupDependencies.clear();
            d.ServiceDependencies.clear();
            d.RawDependencies.clear();
            if (const RawValue raw = read(p->name, limits.list)) {
                SplitDependencies(raw->data.data(), raw->data.size(), d.GroupDependencies, d.ServiceDependencies);
                d.RawDependencies.assign(raw->data.begin(), raw->data.end());
            }
            break;
        }
        case ValueType::Environment: {
            d.Environment.clear();
            d.EnvironmentSize = 0;
            if (const RawValue raw = read(p->name, limits.list)) {
                d.Environment = EnvironmentEntries(raw->data.data(), raw->data.size());
                d.EnvironmentSize = static_cast<std::uint32_t>(raw->data.size());
            }
            break;
        }
        case ValueType::Hooks:
        case ValueType::Webhooks: {
            const bool webhooks = p->type == ValueType::Webhooks;
            d.Notifications.erase(std::remove_if(d.Notifications.begin(), d.Notifications.end(),
                                                 [webhooks](const auto& n) { return n.webhook == webhooks; }),
                                  d.Notifications.end());
            if (const RawValue raw = read(p->name, limits.list))
                NotificationEntries(raw->data.data(), raw->data.size(), webhooks, d.Notifications);
            break;
        }
        case ValueType::ExitActions: {
            d.ExitActions.clear();
            if (const RawValue raw = read(p->name, limits.list))
                d.ExitActions = ExitActionEntries(raw->data.data(), raw->data.size());
            break;
        }
        }
    }
    return wrongType;
}

}  // namespace registry_data
