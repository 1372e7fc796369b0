#include "ParameterReader.h"

#include <windows.h>

#include "RegistryData.h"
#include "RegistryStore.h"
#include "UniqueResource.h"

namespace registry_data {

namespace {

// Far beyond any real parameter; a value claiming more is treated as unreadable.
constexpr DWORD kMaxValueSize = 1 << 20;

RawValue Query(HKEY key, const char* name)
{
    // The value may change between the size query and the read, so retry a few times.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
        if (size > kMaxValueSize) return std::nullopt;
        std::vector<char> data(size + 1);
        DWORD got = size;
        const LONG status =
            RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &got);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS || got > size) return std::nullopt;
        data.resize(got);
        return data;
    }
    return std::nullopt;
}

}  // namespace

bool ReadParameters(const std::string& serviceName, ServiceDefinition& definition)
{
    UniqueHkey key;
    const std::string path = registry_store::kServicesKey + serviceName + "\\Parameters";
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS)
        return false;
    LoadParameters([&](const char* name) { return Query(key.get(), name); }, serviceName, definition);
    return true;
}

}  // namespace registry_data
