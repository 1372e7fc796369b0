#include "ParametersAccess.h"

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

#include "Failure.h"
#include "PathText.h"
#include "RegistryData.h"
#include "ServiceAccount.h"
#include "UniqueResource.h"

namespace parameters_access {

namespace {

using Sid = std::vector<BYTE>;

Sid WellKnown(WELL_KNOWN_SID_TYPE type)
{
    Sid sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    if (!CreateWellKnownSid(type, nullptr, sid.data(), &size)) failure::ThrowLastError("Cannot build the settings' security");
    sid.resize(size);
    return sid;
}

// "NT SERVICE\<name>": S-1-5-80 and the SHA-1 of the upper-case name in UTF-16, as five numbers.
// Computed rather than looked up, so it holds before the system has heard of the service.
Sid VirtualAccount(const std::string& serviceName)
{
    std::wstring name = path_text::Wide(serviceName);
    CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        failure::ThrowLastError("Cannot compute the service account's identity");
    HCRYPTHASH hash = 0;
    BYTE digest[20] = {};
    DWORD size = sizeof digest;
    const bool hashed = CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash) &&
                        CryptHashData(hash, reinterpret_cast<const BYTE*>(name.data()),
                                      static_cast<DWORD>(name.size() * sizeof(wchar_t)), 0) &&
                        CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0) && size == sizeof digest;
    const DWORD error = GetLastError();
    if (hash) CryptDestroyHash(hash);
    CryptReleaseContext(provider, 0);
    if (!hashed) failure::ThrowCode("Cannot compute the service account's identity", error);
    DWORD parts[5];
    for (int i = 0; i < 5; ++i)
        parts[i] = digest[4 * i] | (digest[4 * i + 1] << 8) | (digest[4 * i + 2] << 16) | (DWORD(digest[4 * i + 3]) << 24);
    Sid sid(GetSidLengthRequired(6));
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    InitializeSid(sid.data(), &nt, 6);
    *GetSidSubAuthority(sid.data(), 0) = SECURITY_SERVICE_ID_BASE_RID;
    for (DWORD i = 0; i < 5; ++i) *GetSidSubAuthority(sid.data(), i + 1) = parts[i];
    return sid;
}

// The service's own account; empty for LocalSystem, which SYSTEM covers, or one not found.
Sid AccountOf(const ServiceDefinition& d, const InstallCallbacks& callbacks)
{
    const service_account::Account account = service_account::Classify(d.Account, d.Name);
    switch (account.kind) {
    case service_account::Kind::LocalSystem: return {};
    case service_account::Kind::LocalService: return WellKnown(WinLocalServiceSid);
    case service_account::Kind::NetworkService: return WellKnown(WinNetworkServiceSid);
    case service_account::Kind::Virtual: return VirtualAccount(d.Name);
    default: break;
    }
    Sid sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    char domain[256];
    DWORD domainSize = sizeof domain;
    SID_NAME_USE use{};
    if (LookupAccountNameA(nullptr, account.name.c_str(), sid.data(), &size, domain, &domainSize, &use)) return sid;
    if (callbacks.notice) {
        const std::string text = "The account " + account.name +
                                 " cannot be found: only Administrators and SYSTEM can read the service's settings "
                                 "until an update finds it";
        callbacks.notice(text.c_str(), callbacks.context);
    }
    return {};
}

}  // namespace

void Restrict(const ServiceDefinition& d, const InstallCallbacks& callbacks)
{
    const Sid system = WellKnown(WinLocalSystemSid), administrators = WellKnown(WinBuiltinAdministratorsSid);
    const Sid account = AccountOf(d, callbacks);
    const struct {
        const Sid* sid;
        DWORD access;
    } entries[] = {{&system, KEY_ALL_ACCESS}, {&administrators, KEY_ALL_ACCESS}, {&account, KEY_READ}};
    DWORD size = sizeof(ACL);
    for (const auto& e : entries)
        if (!e.sid->empty()) size += sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(const_cast<BYTE*>(e.sid->data()));
    std::vector<BYTE> acl(size);
    auto* list = reinterpret_cast<ACL*>(acl.data());
    if (!InitializeAcl(list, size, ACL_REVISION)) failure::ThrowLastError("Cannot build the settings' security");
    for (const auto& e : entries)
        if (!e.sid->empty() && !AddAccessAllowedAceEx(list, ACL_REVISION, CONTAINER_INHERIT_ACE, e.access,
                                                      const_cast<BYTE*>(e.sid->data())))
            failure::ThrowLastError("Cannot build the settings' security");
    SECURITY_DESCRIPTOR descriptor{};
    // Protected: nothing inherited from the service's key, which every user may read.
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        failure::ThrowLastError("Cannot build the settings' security");
    UniqueHkey key;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, registry_data::ParametersKeyPath(d.Name).c_str(), 0,
                                READ_CONTROL | WRITE_DAC, key.put());
    if (status == ERROR_SUCCESS) status = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &descriptor);
    if (status != ERROR_SUCCESS) failure::ThrowCode("Cannot set who may read the service's settings", status);
}

}  // namespace parameters_access
