#include "ScmService.h"

#include <utility>

#include "ServiceCommandLine.h"

namespace scm {

ScmService::ScmService(std::string name, UniqueScHandle handle) : name_(std::move(name)), handle_(std::move(handle)) {}

const QUERY_SERVICE_CONFIGA* ScmService::QueryConfig()
{
    config_ = handle_ ? service_control::QueryConfiguration(handle_.get()) : service_control::Configuration();
    return Config();
}

const QUERY_SERVICE_CONFIGA* ScmService::Config() const { return config_.get(); }

DWORD ScmService::QueryCurrentState() const
{
    SERVICE_STATUS_PROCESS status{};
    if (!handle_ || !service_control::QueryStatus(handle_.get(), status)) return 0;
    return status.dwCurrentState;
}

void ScmService::Start() const
{
    if (handle_) StartServiceA(handle_.get(), 0, nullptr);
}

BOOL ScmService::Stop() const
{
    SERVICE_STATUS status{};
    return handle_ ? ControlService(handle_.get(), SERVICE_CONTROL_STOP, &status) : FALSE;
}

std::string ScmService::DisplayName() const
{
    const QUERY_SERVICE_CONFIGA* config = Config();
    return config && config->lpDisplayName ? config->lpDisplayName : "";
}

DWORD ScmService::StartType() const
{
    const QUERY_SERVICE_CONFIGA* config = Config();
    return config ? config->dwStartType : 0xFFFFFFFF;
}

const char* ScmService::StartTypeName() const { return StartTypeText(StartType()); }

const char* ScmService::StateName() const { return StateText(state_); }

bool ScmService::IsOwnService() const
{
    const QUERY_SERVICE_CONFIGA* config = Config();
    return config && IsOwnBinaryPath(config->lpBinaryPathName);
}

bool IsOwnBinaryPath(const char* binaryPath)
{
    // By the ending only: the manager knows the services of every installation, whichever folder.
    return binaryPath && service_control::EndsInHostProgram(binaryPath);
}

}  // namespace scm
