#include <windows.h>

#include <cstring>

#include "Failure.h"
#include "Quillon.h"
#include "RegistryStore.h"
#include "ScmRegistration.h"
#include "ServiceCommandLine.h"

namespace {

// Reads and checks the definition file, hands the service's name to the caller, and runs
// `apply(definition, forceReplace, hostProgram)` under the service's install lock.
template <typename Apply>
auto WithDefinition(const char* fileName, const std::string& hostDirectory, char* serviceName,
                    std::size_t serviceNameSize, Apply apply)
{
    if (!fileName || !*fileName) failure::Throw("Input file name is blank");
    ServiceDefinition definition;
    unsigned char forceReplace = 0;
    LoadXMLFile(fileName, &definition, &forceReplace, 0);
    // The caller holds the name from here on, also when a later step fails.
    if (!serviceName || definition.Name.size() >= serviceNameSize) {
        failure::Throw("The service name is too long for the caller's buffer.");
    }
    std::memcpy(serviceName, definition.Name.c_str(), definition.Name.size() + 1);

    const scm_registration::InstallLock lock(definition.Name);
    return apply(definition, forceReplace == 1, service_control::HostProgramPath(hostDirectory));
}

void Create(const ServiceDefinition& definition, bool forceReplace, const std::string& hostProgram,
            const InstallCallbacks& callbacks)
{
    scm_registration::Install(definition, forceReplace, hostProgram, callbacks);
    registry_store::WriteParameters(definition.Name, definition);
    registry_store::RegisterEventSource(definition.Name, hostProgram);
}

}  // namespace

void ServiceInstall(const char* fileName, const std::string& hostDirectory, char* serviceName,
                    std::size_t serviceNameSize)
{
    ServiceInstallWith(fileName, hostDirectory, serviceName, serviceNameSize, InstallCallbacks());
}

void ServiceInstallWith(const char* fileName, const std::string& hostDirectory, char* serviceName,
                        std::size_t serviceNameSize, const InstallCallbacks& callbacks)
{
    WithDefinition(fileName, hostDirectory, serviceName, serviceNameSize,
                   [&callbacks](const ServiceDefinition& definition, bool forceReplace, const std::string& hostProgram) {
                       Create(definition, forceReplace, hostProgram, callbacks);
                   });
}

UpdateResult ServiceUpdate(const char* fileName, const std::string& hostDirectory, char* serviceName,
                           std::size_t serviceNameSize)
{
    return ServiceUpdateWith(fileName, hostDirectory, serviceName, serviceNameSize, InstallCallbacks());
}

UpdateResult ServiceUpdateWith(const char* fileName, const std::string& hostDirectory, char* serviceName,
                               std::size_t serviceNameSize, const InstallCallbacks& callbacks)
{
    return WithDefinition(
        fileName, hostDirectory, serviceName, serviceNameSize,
        [&callbacks](const ServiceDefinition& definition, bool, const std::string& hostProgram) {
            bool missing = false;
            const bool entryChanged = scm_registration::Update(definition, hostProgram, callbacks, &missing);
            if (missing) {
                Create(definition, false, hostProgram, callbacks);
                return UpdateResult::Installed;
            }
            if (!entryChanged && registry_store::ParametersMatch(definition.Name, definition))
                return UpdateResult::Unchanged;
            scm_registration::ApplyOptionalSettings(definition, callbacks);
            registry_store::ReplaceParameters(definition.Name, definition);
            registry_store::RegisterEventSource(definition.Name, hostProgram);
            return UpdateResult::Updated;
        });
}

void ServiceUninstall(const char* serviceName)
{
    if (!serviceName) failure::Throw("No service name specified");
    scm_registration::Remove(serviceName);
}
