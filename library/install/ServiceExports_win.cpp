#include <windows.h>

#include <cstring>

#include "Failure.h"
#include "LoadXMLFile.h"
#include "ParametersAccess.h"
#include "Quillon.h"
#include "RegistryStore.h"
#include "ScmRegistration.h"
#include "ServiceCommandLine.h"

namespace {

// Where the definition errors of a file go: standard output, as the install always printed them
// for the manager, or into the exception, for the commands that keep their output for data.
enum class Errors { Printed, InException };

// Reads and checks the definition file, hands the service's name to the caller, and runs
// `apply(definition, forceReplace, hostProgram)` under the service's install lock.
// Relative paths are checked as the host will take them, from `hostDirectory`, and each is told
// to the notice sink of `callbacks` (when given).
template <typename Apply>
auto WithDefinition(const char* fileName, const std::string& hostDirectory, char* serviceName,
                    std::size_t serviceNameSize, Errors errors, const InstallCallbacks* callbacks, Apply apply)
{
    if (!fileName || !*fileName) failure::Throw("Input file name is blank");
    ServiceDefinition definition;
    unsigned char forceReplace = 0;
    relative_paths::Base base;
    base.folder = hostDirectory;
    if (callbacks && callbacks->notice)
        base.note = [callbacks](const std::string& text) { callbacks->notice(text.c_str(), callbacks->context); };
    LoadDefinitionFile(fileName, &definition, &forceReplace, errors == Errors::InException, base);
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
    parameters_access::Restrict(definition, callbacks);
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
    WithDefinition(fileName, hostDirectory, serviceName, serviceNameSize, Errors::Printed, &callbacks,
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
        fileName, hostDirectory, serviceName, serviceNameSize, Errors::InException, &callbacks,
        [&callbacks](const ServiceDefinition& definition, bool, const std::string& hostProgram) {
            bool missing = false;
            const bool entryChanged = scm_registration::Update(definition, hostProgram, callbacks, &missing);
            if (missing) {
                Create(definition, false, hostProgram, callbacks);
                return UpdateResult::Installed;
            }
            // Also on an unchanged service: an install older than the restricted settings gets them.
            if (!entryChanged && registry_store::ParameterChanges(definition.Name, definition).empty()) {
                parameters_access::Restrict(definition, callbacks);
                return UpdateResult::Unchanged;
            }
            scm_registration::ApplyOptionalSettings(definition, callbacks);
            registry_store::ReplaceParameters(definition.Name, definition);
            parameters_access::Restrict(definition, callbacks);
            registry_store::RegisterEventSource(definition.Name, hostProgram);
            return UpdateResult::Updated;
        });
}

UpdateResult ServicePreviewUpdate(const char* fileName, const std::string& hostDirectory, char* serviceName,
                                  std::size_t serviceNameSize, std::vector<std::string>* changes)
{
    return WithDefinition(
        fileName, hostDirectory, serviceName, serviceNameSize, Errors::InException, nullptr,
        [changes](const ServiceDefinition& definition, bool, const std::string& hostProgram) {
            bool missing = false;
            std::vector<std::string> lines = scm_registration::Differences(definition, hostProgram, &missing);
            if (missing) return UpdateResult::Installed;
            for (std::string& line : registry_store::ParameterChanges(definition.Name, definition))
                lines.push_back(std::move(line));
            const bool unchanged = lines.empty();
            if (changes) *changes = std::move(lines);
            return unchanged ? UpdateResult::Unchanged : UpdateResult::Updated;
        });
}

void ServiceUninstall(const char* serviceName)
{
    if (!serviceName) failure::Throw("No service name specified");
    scm_registration::Remove(serviceName);
}
