#include "RegistryStore.h"

#include <windows.h>

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

}  // namespace

void WriteParameters(const std::string& serviceName, const ServiceDefinition& d)
{
    const UniqueHkey key = CreateKey(registry_data::ParametersKeyPath(serviceName));
    for (const registry_data::Parameter& p : registry_data::kParameters) {
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
