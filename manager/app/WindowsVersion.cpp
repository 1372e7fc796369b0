#include "WindowsVersion.h"

#include "Formatting.h"

namespace app {

namespace {
// The service-pack text up to its terminator, even when the system filled the whole field.
std::string ServicePack(const OSVERSIONINFOEXA& info)
{
    const char* text = info.szCSDVersion;
    size_t length = 0;
    while (length < sizeof info.szCSDVersion && text[length]) ++length;
    return std::string(text, length);
}
}  // namespace

VersionSource SystemVersionSource()
{
    // GetVersionExA and GetVersion are marked deprecated, yet they are what is wanted here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return {[](OSVERSIONINFOA* info) { return GetVersionExA(info); }, [] { return GetVersion(); }};
#pragma GCC diagnostic pop
}

std::string DescribeOs(const VersionSource& source)
{
    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    bool known = source.getVersionEx(reinterpret_cast<OSVERSIONINFOA*>(&info));
    if (!known) {
        info = OSVERSIONINFOEXA{};
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        known = source.getVersionEx(reinterpret_cast<OSVERSIONINFOA*>(&info));
    }
    if (!known) {
        const DWORD version = source.getVersion();
        if ((version & 0x80000000u) == 0) return Format("Windows NT/2000/XP, Whistler build %u -", static_cast<unsigned>(version >> 16));
        if (LOBYTE(LOWORD(version)) > 3) return "Windows, platform unknown";
        return Format("Windows 3.1 (Win32s) version - build %d -", static_cast<int>((version >> 16) & 0x7FFF));
    }
    const std::string servicePack = ServicePack(info);
    const unsigned major = info.dwMajorVersion, minor = info.dwMinorVersion, build = info.dwBuildNumber;
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
        return "Windows 3.1 (Win32s)";
    case VER_PLATFORM_WIN32_WINDOWS:
        return Format("Windows %s version %u build %u %s", minor != 0 ? "98" : "95", major, build & 0xFFFF,
                      servicePack.c_str());
    case VER_PLATFORM_WIN32_NT:
        if (major <= 4) return Format("Windows NT version %u.%u build %u %s", major, minor, build, servicePack.c_str());
        if (major == 5 && minor == 0) {
            return Format("Windows 2000 version %u.%u build %u %s", major, minor, build, servicePack.c_str());
        }
        return Format("Windows XP/.NET version %u.%u build %u %s", major, minor, build, servicePack.c_str());
    default:
        return {};
    }
}

const std::string& OsDescription()
{
    static const std::string description = DescribeOs(SystemVersionSource());
    return description;
}

}  // namespace app
