#include "ScmConnection.h"

namespace scm {

ScmConnection::ScmConnection() : manager_(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {}

int ScmConnection::Enumerate(DWORD serviceType, DWORD serviceState)
{
    records_.reset();
    count_ = 0;
    if (!manager_) return 0;
    DWORD size = 0;
    // Services added between the sizing call and the listing make the listing ask for more
    // room; a few new tries cover that.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD needed = 0;
        DWORD count = 0;
        if (EnumServicesStatusA(manager_.get(), serviceType, serviceState,
                                reinterpret_cast<ENUM_SERVICE_STATUSA*>(records_.get()), size, &needed, &count,
                                nullptr)) {
            if (!records_) return 0;  // nothing to list
            count_ = static_cast<int>(count);
            return count_;
        }
        if (GetLastError() != ERROR_MORE_DATA || needed <= size) break;
        size = needed;
        records_.reset(new unsigned char[size]);
    }
    records_.reset();
    return 0;
}

const ENUM_SERVICE_STATUSA* ScmConnection::RecordAt(int index) const
{
    if (!records_ || index < 0 || index >= count_) return nullptr;
    return reinterpret_cast<const ENUM_SERVICE_STATUSA*>(records_.get()) + index;
}

std::string ScmConnection::NameAt(int index) const
{
    const ENUM_SERVICE_STATUSA* record = RecordAt(index);
    return record && record->lpServiceName ? record->lpServiceName : "";
}

DWORD ScmConnection::StateAt(int index) const
{
    const ENUM_SERVICE_STATUSA* record = RecordAt(index);
    return record ? record->ServiceStatus.dwCurrentState : 0;
}

std::unique_ptr<ScmService> ScmConnection::OpenService(const std::string& name, DWORD desiredAccess) const
{
    if (!manager_) return nullptr;
    UniqueScHandle handle(::OpenServiceA(manager_.get(), name.c_str(), desiredAccess));
    if (!handle) return nullptr;
    return std::make_unique<ScmService>(name, std::move(handle));
}

}  // namespace scm
