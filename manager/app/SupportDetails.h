#pragma once

#include <windows.h>

#include <string>

namespace app {

// The plain-text support report: the version line, the host's banner, the platform, memory,
// processors and the run-time library's Windows version variables.
std::string SupportDetailsText(const std::string& versionLine, const std::string& installationDir);

// Builds the report and shows it in the details dialog titled "Velmora Support Details".
void ShowSupportDetails(const std::string& versionLine, const std::string& installationDir, HWND owner);

}  // namespace app
