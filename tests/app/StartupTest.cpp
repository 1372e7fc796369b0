#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "MainWindowIds.h"
#include "Messages.h"
#include "Product.h"
#include "Seams.h"
#include "ServiceManagerApp.h"
#include "TempDir.h"
#include "WinTestUtil.h"

namespace {

namespace fs = std::filesystem;

// The product key as a test wants it, removed again at the end of the test.
class ProductKey {
public:
    ProductKey() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, app::kProductKey); }
    ~ProductKey() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, app::kProductKey); }
    ProductKey(const ProductKey&) = delete;
    ProductKey& operator=(const ProductKey&) = delete;

    void CreateEmpty() const
    {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, app::kProductKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        RegCloseKey(key);
    }
    // `withTerminator` false stores the text's bytes alone.
    void SetDirectory(const std::string& directory, bool withTerminator = true) const
    {
        CreateEmpty();
        HKEY key = nullptr;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, app::kProductKey, 0, KEY_SET_VALUE, &key);
        RegSetValueExA(key, app::kInstallationDirValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(directory.c_str()),
                       static_cast<DWORD>(directory.size() + (withTerminator ? 1 : 0)));
        RegCloseKey(key);
    }
};

// A folder with the banner host as Velmora.exe, answering -v with `banner`.
class BannerFolder : public TempDir {
public:
    explicit BannerFolder(const std::string& banner)
    {
        fs::copy_file(wintest::ProgramFolder() + "\\velmora_banner_host.exe", Path() / "Velmora.exe");
        Write("banner.txt", banner);
    }
};

std::string Message(DWORD id, std::initializer_list<const char*> inserts = {})
{
    return messages::FormatMessageText(id, inserts);
}

app::VersionSource Reporting(DWORD platform, DWORD major)
{
    return {[=](OSVERSIONINFOA* info) {
                info->dwPlatformId = platform;
                info->dwMajorVersion = major;
                return TRUE;
            },
            [] { return DWORD(0); }};
}

class Startup : public ::testing::Test {
protected:
    // Runs the start-up; every box is answered with OK and every modal dialog looked at.
    void Start(app::ServiceManagerApp& application)
    {
        ModalRecorder modal([this](ui::Dialog& shown) { captions_.push_back(shown.Title()); });
        MessageBoxRecorder recorder;
        EXPECT_FALSE(application.InitInstance());
        boxes_ = recorder.boxes;
        windows_ = modal.templates;
    }

    ProductKey key_;
    CurrentDirGuard directory_{fs::current_path()};
    std::vector<MessageBoxRecorder::Box> boxes_;
    std::vector<int> windows_;
    std::vector<std::string> captions_;
};

TEST_F(Startup, OldOrNonNtWindowsIsRefusedBeforeAnythingElse)
{
    struct Case {
        DWORD platform;
        DWORD major;
        const char* text;
    };
    const Case cases[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 4, "Velmora will not run on Windows 95, 98, or ME."},
        {VER_PLATFORM_WIN32s, 6, "Velmora will not run on Windows 95, 98, or ME."},
        {VER_PLATFORM_WIN32_NT, 3, "Velmora requires Windows NT 4.0 or higher."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        app::ServiceManagerApp application(Reporting(c.platform, c.major));
        Start(application);
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].text, c.text);
        EXPECT_EQ(boxes_[0].caption, "Bad Windows Version");
        EXPECT_EQ(boxes_[0].style & MB_TYPEMASK, UINT(MB_OK));
        EXPECT_TRUE(windows_.empty());
    }
}

TEST_F(Startup, MissingProductKeyEndsWithMessage0x65)
{
    app::ServiceManagerApp application;
    Start(application);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "Unable to open the Velmora product registry key.\r\n");
    EXPECT_EQ(boxes_[0].caption, "manager_app_tests");
    EXPECT_EQ(boxes_[0].style & MB_ICONMASK, UINT(MB_ICONSTOP));
    EXPECT_TRUE(windows_.empty());
}

TEST_F(Startup, UnreadableDirectoryIsReportedAndTheHostCheckThenFails)
{
    key_.CreateEmpty();
    app::ServiceManagerApp application;
    Start(application);
    ASSERT_EQ(boxes_.size(), 2u);
    const std::string detail = messages::SystemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(boxes_[0].text, Message(MSG_REGISTRY_READ_FAILED, {"InstallationDir", detail.c_str()}));
    EXPECT_EQ(boxes_[0].text.rfind("Cannot read registry value 'InstallationDir'.\r\nError detail: ", 0), 0u);
    EXPECT_EQ(boxes_[1].text, "Velmora.exe not found or versions do not match");
    EXPECT_EQ(boxes_[1].caption, "Error");
    EXPECT_TRUE(windows_.empty());
}

TEST_F(Startup, HostWhoseBannerDoesNotMatchEndsTheProgram)
{
    for (const char* banner : {"velmora tessel v1.5.1 Service Host\n", "Velmora Tesse", "Quillon Tessel v1.5.1\n", ""}) {
        SCOPED_TRACE(banner);
        BannerFolder host(banner);
        key_.SetDirectory(host.Path().string());
        app::ServiceManagerApp application;
        Start(application);
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].text, "Velmora.exe not found or versions do not match");
        EXPECT_EQ(boxes_[0].caption, "Error");
        EXPECT_TRUE(windows_.empty());
    }
}

TEST_F(Startup, HostCheckAnswers)
{
    TempDir empty;
    BannerFolder good("Velmora Tesselated and anything after\n");
    BannerFolder lowerCase("velmora tessel\n");
    BannerFolder silent("");
    EXPECT_EQ(app::ServiceManagerApp::CheckHostProgram(empty.Path().string()), DWORD(MSG_SERVICE_EXE_INVALID));
    EXPECT_EQ(app::ServiceManagerApp::CheckHostProgram(good.Path().string()), 0u);
    EXPECT_EQ(app::ServiceManagerApp::CheckHostProgram(lowerCase.Path().string()),
              DWORD(MSG_SERVICE_EXE_VERSION_MISMATCH));
    EXPECT_EQ(app::ServiceManagerApp::CheckHostProgram(silent.Path().string()), DWORD(MSG_SERVICE_EXE_INVALID));
    EXPECT_EQ(app::ServiceManagerApp::CheckHostProgram(wintest::ProgramFolder()), 0u);
}

TEST_F(Startup, GoodHostOpensTheMainWindowInTheInstallationDirectory)
{
    for (bool withTerminator : {true, false}) {
        SCOPED_TRACE(withTerminator);
        key_.SetDirectory(wintest::ProgramFolder(), withTerminator);
        captions_.clear();
        app::ServiceManagerApp application;
        Start(application);
        EXPECT_TRUE(boxes_.empty());
        EXPECT_EQ(windows_, std::vector<int>{IDD_SERVICE_MANAGER});
        ASSERT_EQ(captions_.size(), 1u);
        EXPECT_EQ(captions_[0], "Velmora Tessel Service Manager v1.5.1 GA ");
        EXPECT_EQ(application.GetInstallationDir(), wintest::ProgramFolder());
        EXPECT_EQ(fs::current_path(), fs::path(wintest::ProgramFolder()));
        // Wine reports a Windows after NT 4.0.
        EXPECT_TRUE(application.UseManagementConsole());
    }
}

}  // namespace
