#include "ParameterReader.h"

#include <algorithm>

#include <windows.h>

#include "UniqueResource.h"

namespace registry_data {

namespace {

RawValue Query(HKEY key, const char* name, std::size_t limit)
{
    // The value may change between the size query and the read, so retry a few times.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = 0;
        DWORD type = REG_NONE;
        if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
        // A value reported larger than the limit is still offered a buffer of the limit, since
        // the size the system reports for text may be more than the text it returns.
        const std::size_t room = std::min<std::size_t>(size, limit);
        std::string data(room + 1, '\0');
        DWORD got = static_cast<DWORD>(size > limit ? room : room + 1);
        const LONG status =
            RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
        if (status == ERROR_MORE_DATA) {
            if (size > limit) return std::nullopt;
            continue;
        }
        if (status != ERROR_SUCCESS || got > limit) return std::nullopt;
        data.resize(std::min<std::size_t>(got, data.size()));
        return StoredValue{std::move(data), type};
    }
    return std::nullopt;
}

}  // namespace

bool ReadParameters(const std::string& serviceName, ServiceDefinition& definition, const ReadLimits& limits,
                    std::vector<std::string>* wrongType)
{
    UniqueHkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ParametersKeyPath(serviceName).c_str(), 0, KEY_QUERY_VALUE, key.put()) !=
        ERROR_SUCCESS)
        return false;
    std::vector<std::string> setAside = LoadParameters(
        [&](const char* name, std::size_t limit) { return Query(key.get(), name, limit); }, serviceName, definition,
        limits);
    if (wrongType) *wrongType = std::move(setAside);
    return true;
}

}  // namespace registry_data
