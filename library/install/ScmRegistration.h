#pragma once

#include <string>
#include <vector>

#include "Quillon.h"
#include "UniqueResource.h"

// The service database side of installing and removing a service.
namespace scm_registration {

// Text for a service state, as the running check and the host's commands show it ("??" for an
// unknown one).
QUILLON_API const char* StateText(unsigned long state);
// Text for a service's start type ("??" for an unknown one).
QUILLON_API const char* StartTypeText(unsigned long startType);

// Creates the service (replacing a stopped one when forceReplace is set) with its account, its
// description and the optional settings. A user account's password comes from the callbacks before
// anything changes, and the account is granted the right to log on as a service when it lacks it.
void Install(const ServiceDefinition& definition, bool forceReplace, const std::string& hostProgramPath,
             const InstallCallbacks& callbacks);

// Brings the settings kept beside the service entry to the definition: delayed automatic start,
// the pre-shutdown time and the recovery actions (set when configured, cleared when not). A
// setting the system does not support is told to the notice sink and skipped.
void ApplyOptionalSettings(const ServiceDefinition& definition, const InstallCallbacks& callbacks);

// Update, Differences and a replacing Install refuse a service whose command line runs no Velmora
// host (CExcep code kNotRunByVelmora), changing nothing.

// Brings an existing service's entry to the definition in place (type, start type, command line,
// group, dependencies, display name, account; the description only when the definition has one,
// so one set by other means stays). A password is asked for only when the account changes to a
// user account. Returns false, having changed nothing, when the entry already is so, and also
// false when there is no such service (`missing` then set).
bool Update(const ServiceDefinition& definition, const std::string& hostProgramPath,
            const InstallCallbacks& callbacks, bool* missing);

// What Update would change, one line per setting ("Start type: Automatic → Manual"); empty when
// nothing, and also when there is no such service (`missing` then set). Changes nothing.
std::vector<std::string> Differences(const ServiceDefinition& definition, const std::string& hostProgramPath,
                                     bool* missing);

// Held by an install from replacing the old entry to writing the last setting: two installs of
// one name at once would otherwise each delete and create the entry, both report success, and
// leave one's settings on the other's entry. System-wide, as each install may be its own process.
class InstallLock {
public:
    explicit InstallLock(const std::string& serviceName);
    ~InstallLock();
    InstallLock(const InstallLock&) = delete;
    InstallLock& operator=(const InstallLock&) = delete;

private:
    UniqueHandle mutex_;
};

// Marks the service for deletion and drops its event-log source.
void Remove(const char* serviceName);

}  // namespace scm_registration
