#include "ServiceControl.h"

#include <memory>

#include "Messages.h"
#include "ScmConnection.h"

namespace scm {

namespace {
constexpr DWORD kOpenRetryMs = 100;
constexpr DWORD kOpenPatienceMs = 5000;
}  // namespace

void StartOrStopService(const std::string& serviceName, bool start)
{
    ScmConnection connection;
    std::unique_ptr<ScmService> service;
    for (DWORD waited = 0;;) {
        service = connection.OpenService(serviceName, kStartStopAccess);
        if (service) break;
        Sleep(kOpenRetryMs);
        waited += kOpenRetryMs;
        if (waited >= kOpenPatienceMs) return;
    }
    if (start) {
        service->Start();
    } else {
        service->Stop();
    }
}

bool EnsureStopped(const ScmService& service, DWORD messageId)
{
    if (service.QueryCurrentState() == SERVICE_STOPPED) return true;
    if (!messages::AskOkCancel(messageId)) return false;
    service.Stop();
    return true;
}

}  // namespace scm
