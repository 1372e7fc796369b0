#include <windows.h>

#include <cstring>

#include "Failure.h"
#include "Quillon.h"
#include "RegistryStore.h"
#include "ScmRegistration.h"

void ServiceInstall(const char* fileName, const std::string& hostDirectory, char* serviceName,
                    std::size_t serviceNameSize)
{
    const std::string hostProgram = hostDirectory + "\\Velmora.exe";
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
    scm_registration::Install(definition, forceReplace == 1, hostProgram);
    registry_store::WriteParameters(definition.Name, definition);
    registry_store::RegisterEventSource(definition.Name, hostProgram);
}

void ServiceUninstall(const char* serviceName)
{
    if (!serviceName) failure::Throw("No service name specified");
    scm_registration::Remove(serviceName);
}
