#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "AboutDialog.h"
#include "AppTestSupport.h"
#include "MainWindowIds.h"
#include "Seams.h"
#include "SystemTools.h"
#include "WindowsVersion.h"

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

TEST(AboutBox, ShowsTheVersionAndWebLinesAndEscapeOpensTheSupportReport)
{
    app::AboutDialog about(wintest::ProgramFolder());
    ASSERT_TRUE(about.Create(nullptr));
    EXPECT_EQ(about.Title(), "About Velmora");
    EXPECT_EQ(about.ItemText(IDC_ABOUT_VERSION), "Velmora Tessel Service Manager v1.5.1 Build 20021013");
    EXPECT_EQ(about.ItemText(IDC_ABOUT_WEB), "Web: http://www.marrowfield.example/velmora/\r\n");

    std::string title, report;
    ModalRecorder details([&](ui::Dialog& shown) {
        title = shown.Title();
        report = ControlText(shown.Handle(), 1061);
    });
    // The close box's message; the dialog manager posts the command Escape also sends.
    SendMessageA(about.Handle(), WM_CLOSE, 0, 0);
    for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&message);
    ASSERT_EQ(details.templates, std::vector<int>{155});
    EXPECT_NE(about.Handle(), nullptr) << "the report does not close the About box";
    EXPECT_EQ(title, "Velmora Support Details");

    const std::vector<std::string> lines = Lines(report);
    ASSERT_GE(lines.size(), 15u) << report;
    EXPECT_EQ(lines[0], "Velmora Tessel Service Manager v1.5.1 Build 20021013");
    EXPECT_EQ(lines[1], "Velmora Tessel v1.5.1 Service Host");
    EXPECT_EQ(lines[2], "Quillon Tessel v1.5.1 Build 20021013 (unsigned)");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "Platform : " + app::OsDescription());
    const std::string kb = "[0-9]+ free Kb, [0-9]+ total Kb";
    EXPECT_TRUE(std::regex_match(lines[5], std::regex("Physical Memory : " + kb))) << lines[5];
    EXPECT_TRUE(std::regex_match(lines[6], std::regex("Virtual Memory : " + kb))) << lines[6];
    EXPECT_TRUE(std::regex_match(lines[7], std::regex("Memory in use: [0-9]{1,3}%"))) << lines[7];
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    EXPECT_EQ(lines[8], "Number of CPUs : " + std::to_string(system.dwNumberOfProcessors));
    char mask[32];
    std::snprintf(mask, sizeof mask, "CPU mask : 0x%02llx", static_cast<unsigned long long>(system.dwActiveProcessorMask));
    EXPECT_EQ(lines[9], mask);
    EXPECT_TRUE(std::regex_match(lines[9], std::regex("CPU mask : 0x[0-9a-f]{2,}")));
    EXPECT_EQ(lines[10], "");
    EXPECT_TRUE(std::regex_match(lines[11], std::regex("_winmajor : [0-9]+"))) << lines[11];
    EXPECT_TRUE(std::regex_match(lines[12], std::regex("_winminor : [0-9]+"))) << lines[12];
    EXPECT_TRUE(std::regex_match(lines[13], std::regex("_osver : [0-9]+"))) << lines[13];

    std::vector<std::string> launched;
    app::ProgramLauncher previous =
        app::SetProgramLauncher([&](const std::string& command, UINT) { launched.push_back(command); });
    Command(about, IDC_ABOUT_SYSTEM_INFO);
    app::SetProgramLauncher(std::move(previous));
    EXPECT_EQ(launched, std::vector<std::string>{"winmsd.exe"});

    Command(about, IDOK);
    EXPECT_EQ(about.Handle(), nullptr);
}

TEST(AboutBox, ReportLeavesTheBannerOutWhenTheHostCannotRun)
{
    TempDir empty;
    app::AboutDialog about(empty.Path().string());
    ASSERT_TRUE(about.Create(nullptr));
    std::string report;
    ModalRecorder details([&](ui::Dialog& shown) { report = ControlText(shown.Handle(), 1061); });
    Command(about, IDC_ABOUT_DETAILS);
    EXPECT_EQ(report.rfind("Velmora Tessel Service Manager v1.5.1 Build 20021013\r\n\r\nPlatform : ", 0), 0u) << report;
}

// What GetVersionExA and GetVersion answer, for one case of the platform description.
struct FakeVersion {
    bool extendedWorks;
    bool plainWorks;
    DWORD platform, major, minor, build;
    const char* servicePack;
    DWORD getVersion;
};

app::VersionSource Source(const FakeVersion& fake)
{
    return {[fake](OSVERSIONINFOA* info) {
                const bool extended = info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXA);
                if (extended ? !fake.extendedWorks : !fake.plainWorks) return FALSE;
                info->dwPlatformId = fake.platform;
                info->dwMajorVersion = fake.major;
                info->dwMinorVersion = fake.minor;
                info->dwBuildNumber = fake.build;
                lstrcpynA(info->szCSDVersion, fake.servicePack, sizeof info->szCSDVersion);
                return TRUE;
            },
            [fake] { return fake.getVersion; }};
}

TEST(OsDescription, EveryBranchOfThePlatformTable)
{
    struct Case {
        FakeVersion version;
        const char* expected;
    };
    const Case cases[] = {
        {{true, true, 2, 4, 0, 1381, "Service Pack 6", 0}, "Windows NT version 4.0 build 1381 Service Pack 6"},
        {{true, true, 2, 3, 51, 1057, "", 0}, "Windows NT version 3.51 build 1057 "},
        {{true, true, 2, 5, 0, 2195, "Service Pack 4", 0}, "Windows 2000 version 5.0 build 2195 Service Pack 4"},
        {{true, true, 2, 5, 1, 2600, "Service Pack 2", 0}, "Windows XP/.NET version 5.1 build 2600 Service Pack 2"},
        {{true, true, 2, 10, 0, 19045, "", 0}, "Windows XP/.NET version 10.0 build 19045 "},
        {{true, true, 1, 4, 10, 0x040A0B6E, " A ", 0}, "Windows 98 version 4 build 2926  A "},
        {{true, true, 1, 4, 0, 0x040003B6, " B", 0}, "Windows 95 version 4 build 950  B"},
        {{true, true, 0, 1, 0, 0, "", 0}, "Windows 3.1 (Win32s)"},
        {{true, true, 7, 1, 0, 0, "", 0}, ""},
        // Only the plain structure is understood.
        {{false, true, 2, 4, 0, 1381, "Service Pack 3", 0}, "Windows NT version 4.0 build 1381 Service Pack 3"},
        // Neither: GetVersion decides.
        {{false, false, 0, 0, 0, 0, "", 0x0A280105}, "Windows NT/2000/XP, Whistler build 2600 -"},
        {{false, false, 0, 0, 0, 0, "", 0xC0000A04}, "Windows, platform unknown"},
        {{false, false, 0, 0, 0, 0, "", 0x80150003}, "Windows 3.1 (Win32s) version - build 21 -"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(app::DescribeOs(Source(c.version)), c.expected);
    }

    // A service-pack field filled to its end is taken whole and no further.
    const std::string full(sizeof(OSVERSIONINFOA::szCSDVersion), 'S');
    app::VersionSource unterminated = {[&](OSVERSIONINFOA* info) {
                                           info->dwPlatformId = 2;
                                           info->dwMajorVersion = 4;
                                           std::memset(info->szCSDVersion, 'S', sizeof info->szCSDVersion);
                                           return TRUE;
                                       },
                                       [] { return DWORD(0); }};
    EXPECT_EQ(app::DescribeOs(unterminated), "Windows NT version 4.0 build 0 " + full);
}

TEST(OsDescription, UnderWineIsWhatTheSystemReports)
{
    EXPECT_EQ(app::OsDescription(), app::DescribeOs(app::SystemVersionSource()));
    EXPECT_EQ(app::OsDescription().rfind("Windows ", 0), 0u) << app::OsDescription();
}

}  // namespace
