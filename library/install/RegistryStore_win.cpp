#include "RegistryStore.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "Failure.h"
#include "RegistryData.h"
#include "UniqueResource.h"

namespace registry_store {

const char kEventSourceKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";

namespace {

UniqueHkey CreateKey(const std::string& path)
{
    UniqueHkey key;
    const LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) failure::ThrowCode("Attempt to create registry key failed", status);
    return key;
}

// Registry calls return their error instead of setting the thread's last error.
void SetValue(HKEY key, const char* name, DWORD type, const void* data, std::size_t size)
{
    static const BYTE empty = 0;
    const LONG status = RegSetValueExA(key, name, 0, type, data ? static_cast<const BYTE*>(data) : &empty,
                                       static_cast<DWORD>(size));
    if (status != ERROR_SUCCESS) {
        const std::string message = std::string("Cannot set registry value ") + name;
        failure::ThrowCode(failure::Hold(failure::Slot::RegistryValue, message), status);
    }
}

// Text is stored without its terminator; an empty text as a value of length 0. The system
// counts a terminator in when the byte just past the given length is zero, so the bytes are
// handed over with a non-zero byte after them.
void SetText(HKEY key, const char* name, const std::string& text)
{
    std::string unterminated = text;
    unterminated.push_back('.');
    SetValue(key, name, REG_SZ, unterminated.data(), text.size());
}

void SetNumber(HKEY key, const char* name, std::uint32_t number)
{
    const DWORD value = number;
    SetValue(key, name, REG_DWORD, &value, sizeof value);
}

DWORD RegistryType(registry_data::ValueType type)
{
    switch (type) {
    case registry_data::ValueType::Text: return REG_SZ;
    case registry_data::ValueType::Number: return REG_DWORD;
    default: return REG_MULTI_SZ;
    }
}

// The values as WriteParameters stores them: type and bytes by name (text without terminator).
using Values = std::map<std::string, std::pair<DWORD, std::string>>;

Values WantedValues(const ServiceDefinition& d)
{
    Values values;
    for (const registry_data::Parameter& p : registry_data::kParameters) {
        if (!registry_data::IsStored(p, d)) continue;
        if (p.type == registry_data::ValueType::Text)
            values[p.name] = {REG_SZ, p.text.Of(d)};
        else
            values[p.name] = {RegistryType(p.type), registry_data::Encode(p, d)};
    }
    return values;
}

// Every value of the key; a text loses the terminators the system may have added.
Values StoredValues(HKEY key)
{
    Values values;
    DWORD count = 0, longestName = 0, longestData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName, &longestData,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return values;
    std::string name(longestName + 1, '\0');
    std::string data(longestData + 1, '\0');
    for (DWORD i = 0; i < count; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), dataLength = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueA(key, i, &name[0], &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                          &dataLength) != ERROR_SUCCESS)
            continue;
        std::string bytes = data.substr(0, dataLength);
        if (type == REG_SZ)
            while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
        values[name.substr(0, nameLength)] = {type, bytes};
    }
    return values;
}

UniqueHkey OpenParameters(const std::string& serviceName, REGSAM access)
{
    UniqueHkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, registry_data::ParametersKeyPath(serviceName).c_str(), 0, access,
                      key.put()) != ERROR_SUCCESS)
        key.reset();
    return key;
}

std::vector<std::string> Entries(const std::string& block)
{
    std::vector<std::string> entries;
    for (std::size_t begin = 0; begin < block.size();) {
        std::size_t end = block.find('\0', begin);
        if (end == std::string::npos) end = block.size();
        if (end > begin) entries.push_back(block.substr(begin, end - begin));
        begin = end + 1;
    }
    return entries;
}

// A value as the what-if lists it.
std::string Shown(const std::pair<DWORD, std::string>* value)
{
    if (!value) return "(not set)";
    const std::string& bytes = value->second;
    switch (value->first) {
    case REG_SZ: return "\"" + bytes + "\"";
    case REG_DWORD:
        if (bytes.size() == 4) {
            std::uint32_t number = 0;
            for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(bytes[i]);
            return std::to_string(number);
        }
        break;
    case REG_MULTI_SZ: {
        std::string text;
        for (const std::string& entry : Entries(bytes)) text += (text.empty() ? "\"" : ", \"") + entry + "\"";
        return text.empty() ? "(none)" : text;
    }
    default: break;
    }
    return std::to_string(bytes.size()) + " bytes of registry type " + std::to_string(value->first);
}

// The environment by variable name; its values often are secrets, so the what-if names only.
std::map<std::string, std::string> Variables(const std::pair<DWORD, std::string>* value)
{
    std::map<std::string, std::string> variables;
    if (!value) return variables;
    for (const std::string& entry : Entries(value->second)) {
        const std::size_t equals = entry.find('=', 1);
        variables[entry.substr(0, equals)] = equals == std::string::npos ? "" : entry.substr(equals + 1);
    }
    return variables;
}

void EnvironmentChanges(const std::pair<DWORD, std::string>* before, const std::pair<DWORD, std::string>* after,
                        std::vector<std::string>& changes)
{
    const auto old = Variables(before), wanted = Variables(after);
    for (const auto& [name, value] : old) {
        const auto now = wanted.find(name);
        if (now == wanted.end()) changes.push_back("Parameters\\Environment: " + name + " removed");
        else if (now->second != value) changes.push_back("Parameters\\Environment: " + name + " changed (value not shown)");
    }
    for (const auto& [name, value] : wanted) {
        (void)value;
        if (!old.count(name)) changes.push_back("Parameters\\Environment: " + name + " added (value not shown)");
    }
}

}  // namespace

std::vector<std::string> ParameterChanges(const std::string& serviceName, const ServiceDefinition& definition)
{
    const UniqueHkey key = OpenParameters(serviceName, KEY_QUERY_VALUE);
    const Values stored = key ? StoredValues(key.get()) : Values();
    const Values wanted = WantedValues(definition);
    std::vector<std::string> changes;
    if (!key) changes.push_back("Parameters: the key is missing and is created");
    std::map<std::string, std::pair<const std::pair<DWORD, std::string>*, const std::pair<DWORD, std::string>*>> both;
    for (const auto& [name, value] : stored) both[name].first = &value;
    for (const auto& [name, value] : wanted) both[name].second = &value;
    for (const auto& [name, pair] : both) {
        const auto [before, after] = pair;
        if (before && after && *before == *after) continue;
        if (name == "Environment") {
            const std::size_t count = changes.size();
            EnvironmentChanges(before, after, changes);
            if (changes.size() > count) continue;
        }
        std::string shownBefore = Shown(before), shownAfter = Shown(after);
        if (shownBefore == shownAfter) shownBefore += " (another registry type)";
        changes.push_back("Parameters\\" + name + ": " + shownBefore + " \u2192 " + shownAfter);
    }
    return changes;
}

void ReplaceParameters(const std::string& serviceName, const ServiceDefinition& definition)
{
    WriteParameters(serviceName, definition);
    const UniqueHkey key = OpenParameters(serviceName, KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (!key) failure::ThrowLastError("Cannot open the service's parameters");
    const Values wanted = WantedValues(definition);
    for (const auto& [name, value] : StoredValues(key.get())) {
        (void)value;
        if (wanted.count(name)) continue;
        const LONG status = RegDeleteValueA(key.get(), name.c_str());
        if (status != ERROR_SUCCESS) failure::ThrowCode(failure::Hold(failure::Slot::RegistryValue, "Cannot remove the registry value " + name), status);
    }
}

void WriteParameters(const std::string& serviceName, const ServiceDefinition& d)
{
    const UniqueHkey key = CreateKey(registry_data::ParametersKeyPath(serviceName));
    for (const registry_data::Parameter& p : registry_data::kParameters) {
        if (!registry_data::IsStored(p, d)) {
            // A key that outlived a forced replacement must not keep a setting the new
            // definition leaves out.
            RegDeleteValueA(key.get(), p.name);
            continue;
        }
        if (p.type == registry_data::ValueType::Text) {
            SetText(key.get(), p.name, p.text.Of(d));
            continue;
        }
        std::string data;
        try {
            data = registry_data::Encode(p, d);
        } catch (const std::bad_alloc&) {
            failure::ThrowLastError("Not enough memory for env data string");
        }
        SetValue(key.get(), p.name, RegistryType(p.type), data.data(), data.size());
    }
}

void RegisterEventSource(const std::string& serviceName, const std::string& hostProgramPath)
{
    const UniqueHkey key = CreateKey(kEventSourceKey + serviceName);
    SetText(key.get(), "EventMessageFile", hostProgramPath);
    SetNumber(key.get(), "TypesSupported", EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE);
}

void RemoveEventSource(const std::string& serviceName)
{
    const LONG status = RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kEventSourceKey + serviceName).c_str());
    // Already gone (removed by hand, or never registered) is what removing it asks for.
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        failure::ThrowCode("Attempt to delete registry key failed", status);
}

}  // namespace registry_store
