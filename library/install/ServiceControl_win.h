#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

// A client of the service control manager: what the host's commands, the install and the manager
// ask of a service they have opened. Linked into each of them, so Quillon.dll exports none of it.
namespace service_control {

// A record the system hands back in a buffer of the size it asks for; empty when the query failed.
template <typename Record>
class SizedRecord {
public:
    SizedRecord() = default;
    explicit SizedRecord(std::vector<BYTE> buffer) : buffer_(std::move(buffer)) {}

    explicit operator bool() const { return !buffer_.empty(); }
    const Record* get() const { return buffer_.empty() ? nullptr : reinterpret_cast<const Record*>(buffer_.data()); }
    const Record* operator->() const { return get(); }

private:
    std::vector<BYTE> buffer_;
};

// Runs `query(buffer, size, &needed)` once to learn the size and once to fill a buffer of it, at
// least as large as the record itself. A failed query leaves its error as the last error.
template <typename Record, typename Query>
SizedRecord<Record> QuerySized(Query query)
{
    DWORD needed = 0;
    query(nullptr, 0, &needed);
    std::vector<BYTE> buffer(std::max<DWORD>(needed, sizeof(Record)));
    if (query(buffer.data(), static_cast<DWORD>(buffer.size()), &needed)) return SizedRecord<Record>(std::move(buffer));
    // Freed here, so that the caller reads the query's error.
    const DWORD error = GetLastError();
    std::vector<BYTE>().swap(buffer);
    SetLastError(error);
    return {};
}

using Configuration = SizedRecord<QUERY_SERVICE_CONFIGA>;

// Needs SERVICE_QUERY_CONFIG.
Configuration QueryConfiguration(SC_HANDLE service);

// A setting kept beside the service entry (SERVICE_CONFIG_...), as `Info`. Needs SERVICE_QUERY_CONFIG.
template <typename Info>
SizedRecord<Info> QueryOptionalConfiguration(SC_HANDLE service, DWORD level)
{
    return QuerySized<Info>([service, level](BYTE* buffer, DWORD size, DWORD* needed) {
        return QueryServiceConfig2A(service, level, buffer, size, needed) != FALSE;
    });
}

// Needs SERVICE_QUERY_STATUS.
bool QueryStatus(SC_HANDLE service, SERVICE_STATUS_PROCESS& status);

// Waits while the service is `pending`, for as long as it keeps advancing its checkpoint within
// its wait hint (and a few seconds more); true when it then is in `target`. `status` holds the
// last state seen; `progress`, when given, is called once a second of waiting.
bool WaitWhilePending(SC_HANDLE service, DWORD pending, DWORD target, SERVICE_STATUS_PROCESS& status,
                      const std::function<void()>& progress = {});

}  // namespace service_control
