#pragma once

#include <windows.h>

#include <string>

#include "WindowsVersion.h"

namespace app {

// The program's start-up: the Windows version, the installation directory from the registry
// (made the current directory), the host program's banner, then the main window, run modally.
class ServiceManagerApp {
public:
    explicit ServiceManagerApp(VersionSource version = SystemVersionSource());
    virtual ~ServiceManagerApp() = default;
    ServiceManagerApp(const ServiceManagerApp&) = delete;
    ServiceManagerApp& operator=(const ServiceManagerApp&) = delete;

    // Runs every check and, when they pass, the main window. Always false: the program ends after.
    bool InitInstance();

    const std::string& GetInstallationDir() const { return installationDir_; }
    bool UseManagementConsole() const { return useManagementConsole_; }

    // 0 when the host program in `directory` is usable, else MSG_EXE_INVALID, MSG_EXE_NOT_EXECUTABLE
    // or MSG_VERSION_MISMATCH.
    static DWORD CheckHostProgram(const std::string& directory);

private:
    bool ReadInstallationDir();

    VersionSource version_;
    std::string installationDir_;
    bool useManagementConsole_ = false;
};

}  // namespace app
