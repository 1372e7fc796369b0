#include "ServiceManagerApp.h"

#include <commctrl.h>
#include <direct.h>
#include <sys/stat.h>

#include <vector>

#include "HostRunner.h"
#include "MessageBox.h"
#include "Messages.h"
#include "Product.h"
#include "ServiceManagerWindow.h"
#include "UniqueResource.h"

namespace app {

namespace {
constexpr DWORD kDirectoryBufferSize = 8192;
constexpr const char* kHostBannerStart = "Velmora Tessel";

void ShowStartupError(UINT captionId, UINT textId)
{
    ui::ShowMessageBox(nullptr, messages::StringResource(textId), messages::StringResource(captionId), MB_OK);
}
}  // namespace

ServiceManagerApp::ServiceManagerApp(VersionSource version) : version_(std::move(version)) {}

bool ServiceManagerApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);

    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!version_.getVersionEx(&version)) version = OSVERSIONINFOA{};
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
        ShowStartupError(IDS_BAD_WINDOWS_VERSION, IDS_NO_WINDOWS_9X);
        return false;
    }
    if (version.dwMajorVersion < 4) {
        ShowStartupError(IDS_BAD_WINDOWS_VERSION, IDS_NEEDS_NT4);
        return false;
    }
    useManagementConsole_ = version.dwMajorVersion > 4;

    if (!ReadInstallationDir()) return false;
    if (!installationDir_.empty()) _chdir(installationDir_.c_str());

    if (CheckHostProgram(installationDir_) != 0) {
        ui::ShowMessageBox(nullptr, "Velmora.exe not found or versions do not match", "Error", MB_OK);
        return false;
    }
    ServiceManagerWindow window(installationDir_, useManagementConsole_);
    window.DoModal(nullptr);
    return false;
}

bool ServiceManagerApp::ReadInstallationDir()
{
    UniqueHkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
        messages::ShowMessage(messages::kError, MSG_PRODUCT_KEY_MISSING);
        return false;
    }
    std::vector<char> data(kDirectoryBufferSize, '\0');
    DWORD size = kDirectoryBufferSize;
    const LONG result = RegQueryValueExA(key.get(), kInstallationDirValue, nullptr, nullptr,
                                         reinterpret_cast<BYTE*>(data.data()), &size);
    if (result != ERROR_SUCCESS) {
        const std::string detail = messages::SystemErrorText(static_cast<DWORD>(result));
        messages::ShowMessage(messages::kError, MSG_REGISTRY_READ_FAILED, {kInstallationDirValue, detail.c_str()});
        return true;
    }
    // Stored without its terminator, the whole data is the text.
    if (size > kDirectoryBufferSize) size = kDirectoryBufferSize;
    if (size == 0 || data[size - 1] != '\0') {
        installationDir_.assign(data.data(), size);
    } else {
        installationDir_ = data.data();
    }
    return true;
}

DWORD ServiceManagerApp::CheckHostProgram(const std::string& directory)
{
    const std::string program = directory + "\\Velmora.exe";
    struct _stat status {};
    if (_stat(program.c_str(), &status) != 0) return MSG_SERVICE_EXE_INVALID;
    if ((status.st_mode & _S_IEXEC) == 0) return MSG_SERVICE_EXE_NOT_EXECUTABLE;
    const runner::HostRun run = runner::RunHostProgram(directory, "-v");
    if (run.output.empty()) return MSG_SERVICE_EXE_INVALID;
    if (run.output.compare(0, std::char_traits<char>::length(kHostBannerStart), kHostBannerStart) != 0) {
        return MSG_SERVICE_EXE_VERSION_MISMATCH;
    }
    return 0;
}

}  // namespace app
