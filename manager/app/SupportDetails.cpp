#include "SupportDetails.h"

#include <cstdlib>

#include "Formatting.h"
#include "HostRunner.h"
#include "OutputDetailsDialog.h"
#include "WindowsVersion.h"

namespace app {

namespace {
using MemoryStatusExFunction = BOOL(WINAPI*)(LPMEMORYSTATUSEX);
using MemoryStatusFunction = void(WINAPI*)(LPMEMORYSTATUS);

// Looked up at run time: the extended call is missing from the oldest systems.
template <typename Function>
Function Kernel32Function(const char* name)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC found = kernel ? GetProcAddress(kernel, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

std::string MemoryLines()
{
    if (_winmajor > 4) {
        MEMORYSTATUSEX status{};
        status.dwLength = sizeof status;
        if (auto query = Kernel32Function<MemoryStatusExFunction>("GlobalMemoryStatusEx")) {
            query(&status);
        }
        return Format("Physical Memory : %lld free %s, %lld total %s\r\n",
                      static_cast<long long>(status.ullAvailPhys >> 10), "Kb",
                      static_cast<long long>(status.ullTotalPhys >> 10), "Kb") +
               Format("Virtual Memory : %lld free %s, %lld total %s\r\n",
                      static_cast<long long>(status.ullAvailVirtual >> 10), "Kb",
                      static_cast<long long>(status.ullTotalVirtual >> 10), "Kb") +
               Format("Memory in use: %ld%%\r\n", static_cast<long>(status.dwMemoryLoad));
    }
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    if (auto query = Kernel32Function<MemoryStatusFunction>("GlobalMemoryStatus")) query(&status);
    return Format("Physical Memory : %ld free %s, %ld total %s\r\n", static_cast<long>(status.dwAvailPhys >> 10), "Kb",
                  static_cast<long>(status.dwTotalPhys >> 10), "Kb") +
           Format("Virtual Memory : %ld free %s, %ld total %s\r\n", static_cast<long>(status.dwAvailVirtual >> 10),
                  "Kb", static_cast<long>(status.dwTotalVirtual >> 10), "Kb") +
           Format("Memory in use: %ld%%\r\n", static_cast<long>(status.dwMemoryLoad));
}
}  // namespace

std::string SupportDetailsText(const std::string& versionLine, const std::string& installationDir)
{
    std::string text = versionLine + "\r\n";
    text += runner::RunHostProgram(installationDir, "-v").output;
    text += "\r\nPlatform : " + OsDescription() + "\r\n";
    text += MemoryLines();
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    text += Format("Number of CPUs : %d\r\n", static_cast<int>(system.dwNumberOfProcessors));
    text += Format("CPU mask : 0x%02llx\r\n", static_cast<unsigned long long>(system.dwActiveProcessorMask));
    text += "\r\n";
    text += Format("_winmajor : %d\r\n", static_cast<int>(_winmajor));
    text += Format("_winminor : %d\r\n", static_cast<int>(_winminor));
    text += Format("_osver : %d\r\n", static_cast<int>(_osver));
    return text;
}

void ShowSupportDetails(const std::string& versionLine, const std::string& installationDir, HWND owner)
{
    runner::OutputDetailsDialog("Velmora Support Details", SupportDetailsText(versionLine, installationDir))
        .DoModal(owner);
}

}  // namespace app
