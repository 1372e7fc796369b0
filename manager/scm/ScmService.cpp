#include "ScmService.h"

#include <cstring>
#include <utility>

namespace scm {

ScmService::ScmService(std::string name, UniqueScHandle handle) : name_(std::move(name)), handle_(std::move(handle)) {}

const QUERY_SERVICE_CONFIGA* ScmService::QueryConfig()
{
    config_.reset();
    if (!handle_) return nullptr;
    DWORD needed = 0;
    if (QueryServiceConfigA(handle_.get(), nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return nullptr;
    }
    std::unique_ptr<unsigned char[]> buffer(new unsigned char[needed]);
    if (!QueryServiceConfigA(handle_.get(), reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.get()), needed, &needed)) {
        return nullptr;
    }
    config_ = std::move(buffer);
    return Config();
}

const QUERY_SERVICE_CONFIGA* ScmService::Config() const
{
    return reinterpret_cast<const QUERY_SERVICE_CONFIGA*>(config_.get());
}

DWORD ScmService::QueryCurrentState() const
{
    SERVICE_STATUS status{};
    if (!handle_ || !QueryServiceStatus(handle_.get(), &status)) return 0;
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
    if (!binaryPath) return false;
    // The host path as registered plain, and quoted (a host directory with blanks).
    static const char* const kEndings[] = {"Velmora.exe", "Velmora.exe -s", "Velmora.exe\"", "Velmora.exe\" -s"};
    const size_t length = std::strlen(binaryPath);
    for (const char* ending : kEndings) {
        const size_t endingLength = std::strlen(ending);
        if (length >= endingLength && _stricmp(binaryPath + length - endingLength, ending) == 0) return true;
    }
    return false;
}

}  // namespace scm
