#include "SystemTools.h"

#include <utility>
#include <vector>

#include "Product.h"
#include "UniqueResource.h"
#include "WaitCursor.h"

namespace app {

namespace {
constexpr const char* kFallbackBrowser = "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\"";
// A registered command longer than this is not believable; the fallback is used instead.
constexpr DWORD kLongestBrowserCommand = 32767;

ProgramLauncher& Launcher()
{
    static ProgramLauncher launcher;
    return launcher;
}

// The default value of a key as text, read whole whatever its length; false when missing.
bool ReadDefaultValue(HKEY key, std::string& text)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return false;
    if (size == 0 || size > kLongestBrowserCommand) return false;
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    data[size < data.size() ? size : data.size() - 1] = '\0';
    text = data.data();
    return true;
}
}  // namespace

ProgramLauncher SetProgramLauncher(ProgramLauncher launcher) { return std::exchange(Launcher(), std::move(launcher)); }

void LaunchProgram(const std::string& commandLine, UINT show)
{
    if (Launcher()) {
        Launcher()(commandLine, show);
        return;
    }
    WinExec(commandLine.c_str(), show);
}

std::string SystemDirectory()
{
    char directory[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(directory, sizeof directory);
    return length < sizeof directory ? std::string(directory, length) : std::string();
}

std::string ServicesToolCommand(bool useManagementConsole, const std::string& systemDir)
{
    if (useManagementConsole) return "mmc.exe " + systemDir + "\\services.msc /s";
    return "rundll32.exe shell32.dll,Control_RunDLL srvmgr.cpl Services";
}

std::string EventViewerToolCommand(bool useManagementConsole, const std::string& systemDir)
{
    if (useManagementConsole) return "mmc.exe " + systemDir + "\\eventvwr.msc /s";
    return "rundll32.exe shell32.dll,Control_RunDLL eventvwr.cpl EventViewer";
}

void OpenServicesTool(bool useManagementConsole)
{
    LaunchProgram(ServicesToolCommand(useManagementConsole, SystemDirectory()), SW_SHOW);
}

void OpenEventViewer(bool useManagementConsole)
{
    LaunchProgram(EventViewerToolCommand(useManagementConsole, SystemDirectory()), SW_SHOW);
}

void OpenSystemInformation()
{
    ui::WaitCursor wait;
    LaunchProgram("winmsd.exe", SW_SHOW);
}

std::string WebSiteCommand()
{
    std::string browser = kFallbackBrowser;
    UniqueHkey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "htmlfile\\shell\\open\\command", 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
        std::string registered;
        if (ReadDefaultValue(key.get(), registered)) browser = registered;
    }
    return browser + " " + kWebSite;
}

void VisitWebSite() { LaunchProgram(WebSiteCommand(), SW_SHOWMAXIMIZED); }

}  // namespace app
