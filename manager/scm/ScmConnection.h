#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ScmService.h"
#include "UniqueResource.h"

namespace scm {

// The local service control manager with full access, and the records of its last enumeration.
// When the manager could not be opened every operation gives its empty result.
class ScmConnection {
public:
    ScmConnection();
    virtual ~ScmConnection() = default;
    ScmConnection(const ScmConnection&) = delete;
    ScmConnection& operator=(const ScmConnection&) = delete;

    bool IsOpen() const { return static_cast<bool>(manager_); }
    // Lists the services of a type and state; returns the count, 0 on failure.
    int Enumerate(DWORD serviceType, DWORD serviceState);
    // Record `index` of the last enumeration; empty and 0 outside it.
    std::string NameAt(int index) const;
    DWORD StateAt(int index) const;
    // A new service object that the caller owns, or null.
    std::unique_ptr<ScmService> OpenService(const std::string& name, DWORD desiredAccess) const;

private:
    const ENUM_SERVICE_STATUSA* RecordAt(int index) const;

    UniqueScHandle manager_;
    std::unique_ptr<unsigned char[]> records_;
    int count_ = 0;
};

}  // namespace scm
