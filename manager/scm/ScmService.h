#pragma once

#include <windows.h>

#include <string>

#include "ScmRegistration.h"
#include "ServiceControl_win.h"
#include "UniqueResource.h"

namespace scm {

// One opened service: its key name, the state its owner stored, and its configuration once read.
// The handle stays valid after the ScmConnection that opened it is gone.
class ScmService {
public:
    ScmService(std::string name, UniqueScHandle handle);
    virtual ~ScmService() = default;
    ScmService(const ScmService&) = delete;
    ScmService& operator=(const ScmService&) = delete;

    // Reads the configuration afresh; null without a handle or when the query failed.
    const QUERY_SERVICE_CONFIGA* QueryConfig();
    const QUERY_SERVICE_CONFIGA* Config() const;
    // The state the system reports now; 0 without a handle or when the query failed.
    DWORD QueryCurrentState() const;
    void Start() const;
    BOOL Stop() const;
    void CloseHandle() { handle_.reset(); }

    const std::string& Name() const { return name_; }
    // From the configuration; empty and 0xFFFFFFFF while none has been read.
    std::string DisplayName() const;
    DWORD StartType() const;

    void SetState(DWORD state) { state_ = state; }
    const char* StartTypeName() const;
    // Text of the stored state, not of a fresh query.
    const char* StateName() const;
    // Whether the host program runs the service; false while no configuration has been read.
    bool IsOwnService() const;

private:
    std::string name_;
    DWORD state_ = 0;
    UniqueScHandle handle_;
    service_control::Configuration config_;
};

// The library's texts, shared with the host's commands.
using scm_registration::StartTypeText;
using scm_registration::StateText;
// Whether a service's binary path ends in the host program, with or without the -s option and
// with or without quotes around the program path.
bool IsOwnBinaryPath(const char* binaryPath);

}  // namespace scm
