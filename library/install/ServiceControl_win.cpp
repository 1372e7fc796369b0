#include "ServiceControl_win.h"

namespace service_control {

namespace {

// Between two looks at a service that is on its way.
constexpr DWORD kPollMs = 100;
// How long a pending service may go without advancing its checkpoint beyond its wait hint.
constexpr DWORD kPatienceMs = 5000;
constexpr ULONGLONG kProgressMs = 1000;

}  // namespace

Configuration QueryConfiguration(SC_HANDLE service)
{
    return QuerySized<QUERY_SERVICE_CONFIGA>([service](BYTE* buffer, DWORD size, DWORD* needed) {
        return QueryServiceConfigA(service, reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer), size, needed) != FALSE;
    });
}

bool QueryStatus(SC_HANDLE service, SERVICE_STATUS_PROCESS& status)
{
    DWORD needed = 0;
    return QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                                &needed) != FALSE;
}

bool WaitWhilePending(SC_HANDLE service, DWORD pending, DWORD target, SERVICE_STATUS_PROCESS& status,
                      const std::function<void()>& progress)
{
    ULONGLONG lastProgress = GetTickCount64(), lastCall = lastProgress;
    DWORD checkPoint = status.dwCheckPoint;
    while (QueryStatus(service, status) && status.dwCurrentState == pending) {
        const ULONGLONG now = GetTickCount64();
        if (status.dwCheckPoint != checkPoint) {
            checkPoint = status.dwCheckPoint;
            lastProgress = now;
        }
        if (now - lastProgress > ULONGLONG(status.dwWaitHint) + kPatienceMs) break;
        if (now - lastCall >= kProgressMs) {
            if (progress) progress();
            lastCall = now;
        }
        Sleep(kPollMs);
    }
    return status.dwCurrentState == target;
}

}  // namespace service_control
