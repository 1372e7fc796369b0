#pragma once

#include <string>

#include "VelmoraVersion.h"

// The product's fixed words, as the windows and the support report show them.
namespace app {

constexpr const char* kEdition = "Tessel";
constexpr const char* kVersion = "v" VELMORA_VERSION;
constexpr const char* kBuildDate = VELMORA_BUILD_DATE;
// The main window's caption; scripts find the window by it (tests/app/ScreenshotDriver.cpp).
inline std::string MainWindowTitle()
{
    return std::string("Velmora ") + kEdition + " Service Manager " + kVersion + " GA ";
}

constexpr const char* kWebSite = "http://www.marrowfield.example/velmora/";

constexpr const char* kProductKey = "SOFTWARE\\Marrowfield\\Velmora\\v1.5";
constexpr const char* kInstallationDirValue = "InstallationDir";

}  // namespace app
