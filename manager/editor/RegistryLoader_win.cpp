#include "RegistryLoader.h"

#include <windows.h>

#include "UniqueResource.h"

namespace registry_loader {

namespace {

const char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services\\";

class RegistryValues : public ValueSource {
public:
    explicit RegistryValues(HKEY key) : key_(key) {}

    std::optional<std::string> Read(const char* name, std::size_t limit) override
    {
        if (limit == kWhole) return ReadWhole(name);
        std::string data(limit, '\0');
        DWORD size = static_cast<DWORD>(limit);
        if (RegQueryValueExA(key_, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size) !=
            ERROR_SUCCESS) {
            return std::nullopt;
        }
        data.resize(size < limit ? size : limit);
        return data;
    }

private:
    // Multi-strings are read at their full size: the size first, then the data into one more
    // byte than that; the size the second query returns bounds the data.
    std::optional<std::string> ReadWhole(const char* name)
    {
        DWORD size = 0;
        if (RegQueryValueExA(key_, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
        std::string data(static_cast<std::size_t>(size) + 1, '\0');
        DWORD returned = size + 1;
        if (RegQueryValueExA(key_, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &returned) !=
            ERROR_SUCCESS) {
            return std::nullopt;
        }
        data.resize(returned <= size + 1 ? returned : size + 1);
        return data;
    }

    HKEY key_;
};

}  // namespace

bool LoadFromRegistry(const std::string& serviceName, ServiceDefinition& record)
{
    UniqueHkey key;
    const std::string path = kServicesKey + serviceName + "\\Parameters";
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return false;
    RegistryValues values(key.get());
    LoadDefinition(values, serviceName, record);
    return true;
}

}  // namespace registry_loader
