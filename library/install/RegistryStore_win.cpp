#include "RegistryStore.h"

#include <windows.h>

#include <map>
#include <utility>

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

}  // namespace

bool ParametersMatch(const std::string& serviceName, const ServiceDefinition& definition)
{
    const UniqueHkey key = OpenParameters(serviceName, KEY_QUERY_VALUE);
    return key && StoredValues(key.get()) == WantedValues(definition);
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
    if (status != ERROR_SUCCESS) failure::ThrowCode("Attempt to delete registry key failed", status);
}

}  // namespace registry_store
