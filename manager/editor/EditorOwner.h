#pragma once

#include <windows.h>

#include <string>

#include "SecretText.h"

namespace editor {

// What a definition editor needs from the window that opened it: installing through the host
// program, the installation directory, and a parent for its windows.
class EditorOwner {
public:
    virtual ~EditorOwner() = default;

    // Stops a listed running service after asking, runs the host with -i on the file, reports
    // the outcome, starts the service when asked and the install succeeded, refreshes the list.
    // `password`, for an account that needs one, reaches the host only on its standard input.
    virtual void InstallServiceDefinition(const std::string& serviceName, const std::string& definitionPath,
                                          bool startAfterInstall, const ui::SecretText* password) = 0;

    // The folder of Velmora.exe and Velmora.dtd; definitions are read with it as current folder.
    virtual std::string InstallationDir() const = 0;

    virtual HWND OwnerWindow() const = 0;
};

}  // namespace editor
