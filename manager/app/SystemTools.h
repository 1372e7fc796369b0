#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace app {

// Every program the manager starts besides the host goes through here (WinExec by default), so
// tests can see the command lines without starting anything.
using ProgramLauncher = std::function<void(const std::string& commandLine, UINT show)>;
ProgramLauncher SetProgramLauncher(ProgramLauncher launcher);
void LaunchProgram(const std::string& commandLine, UINT show);

// The management-console snap-in when `useManagementConsole`, the control-panel form otherwise.
std::string ServicesToolCommand(bool useManagementConsole, const std::string& systemDir);
std::string EventViewerToolCommand(bool useManagementConsole, const std::string& systemDir);
std::string SystemDirectory();

void OpenServicesTool(bool useManagementConsole);
void OpenEventViewer(bool useManagementConsole);
void OpenSystemInformation();

// The registered browser for HTML files (or the fallback) followed by the product's address.
std::string WebSiteCommand();
void VisitWebSite();

}  // namespace app
