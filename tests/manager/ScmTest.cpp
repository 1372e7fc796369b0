#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Messages.h"
#include "ScmConnection.h"
#include "ScmService.h"
#include "Seams.h"
#include "ServiceControl.h"
#include "UniqueResource.h"

namespace {

std::string TestServicePath()
{
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.erase(folder.find_last_of('\\') + 1);
    return "\"" + folder + "velmora_test_service.exe\"";
}

// Services created in the system's service database for one test and deleted, stopped first
// when running, at its end.
class TestServices {
public:
    TestServices() : manager_(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)) {}
    ~TestServices()
    {
        for (const std::string& name : names_) Delete(name);
    }
    TestServices(const TestServices&) = delete;
    TestServices& operator=(const TestServices&) = delete;

    // A new service with a name used once in this run; empty when the database refused it.
    std::string Create(const std::string& binaryPath, DWORD startType = SERVICE_DEMAND_START,
                       const std::string& displayName = "")
    {
        const std::string name = NewName();
        UniqueScHandle service(CreateServiceA(manager_.get(), name.c_str(),
                                              (displayName.empty() ? name : displayName).c_str(), SERVICE_ALL_ACCESS,
                                              SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL,
                                              binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        if (!service) return "";
        names_.push_back(name);
        return name;
    }

    // A name that is unique but not created yet; Delete cleans it up if a test creates it.
    std::string Reserve()
    {
        const std::string name = NewName();
        names_.push_back(name);
        return name;
    }

    SC_HANDLE Manager() const { return manager_.get(); }

private:
    static std::string NewName()
    {
        static int next = 0;
        return "VelmoraTest" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(next++);
    }

    void Delete(const std::string& name)
    {
        UniqueScHandle service(OpenServiceA(manager_.get(), name.c_str(), SERVICE_ALL_ACCESS));
        if (!service) return;
        SERVICE_STATUS status{};
        if (ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) {
            for (int i = 0; i < 100 && QueryServiceStatus(service.get(), &status) &&
                            status.dwCurrentState != SERVICE_STOPPED;
                 ++i) {
                Sleep(100);
            }
        }
        DeleteService(service.get());
    }

    UniqueScHandle manager_;
    std::vector<std::string> names_;
};

// Polls the system until the service is in `state` (functional limit: 20 s).
bool ReachesState(const scm::ScmService& service, DWORD state)
{
    for (int i = 0; i < 200; ++i) {
        if (service.QueryCurrentState() == state) return true;
        Sleep(100);
    }
    return false;
}

std::unique_ptr<scm::ScmService> Open(const std::string& name)
{
    return scm::ScmConnection().OpenService(name, SERVICE_ALL_ACCESS);
}

TEST(ServiceControlLayer, EnumerationListsServicesWithTheirNamesAndStates)
{
    TestServices services;
    const std::vector<std::string> created = {services.Create("C:\\a.exe"), services.Create("C:\\b.exe")};
    ASSERT_FALSE(created[0].empty());

    scm::ScmConnection connection;
    ASSERT_TRUE(connection.IsOpen());
    const int count = connection.Enumerate(SERVICE_WIN32, SERVICE_STATE_ALL);
    ASSERT_GE(count, 2);
    int found = 0;
    for (int i = 0; i < count; ++i) {
        for (const std::string& name : created) {
            if (connection.NameAt(i) != name) continue;
            ++found;
            EXPECT_EQ(connection.StateAt(i), DWORD(SERVICE_STOPPED));
        }
    }
    EXPECT_EQ(found, 2);
    EXPECT_EQ(connection.NameAt(count), "");
    EXPECT_EQ(connection.StateAt(-1), 0u);

    // A second enumeration replaces the first.
    EXPECT_EQ(connection.Enumerate(SERVICE_WIN32, SERVICE_STATE_ALL), count);
    EXPECT_EQ(connection.OpenService("NoSuchVelmoraTestService", SERVICE_ALL_ACCESS), nullptr);
}

TEST(ServiceControlLayer, ServiceShowsItsConfigurationAfterTheConnectionIsGone)
{
    TestServices services;
    struct Case {
        DWORD startType;
        const char* text;
    };
    const Case cases[] = {{SERVICE_AUTO_START, "Automatic"},
                          {SERVICE_DEMAND_START, "Manual"},
                          {SERVICE_DISABLED, "Disabled"}};
    for (const Case& c : cases) {
        const std::string name = services.Create("C:\\x.exe", c.startType, "Shown Name " + std::string(c.text));
        ASSERT_FALSE(name.empty());
        std::unique_ptr<scm::ScmService> service = Open(name);
        ASSERT_NE(service, nullptr);
        EXPECT_EQ(service->DisplayName(), "");  // nothing read yet
        EXPECT_STREQ(service->StartTypeName(), "??");
        ASSERT_NE(service->QueryConfig(), nullptr);
        EXPECT_EQ(service->Name(), name);
        EXPECT_EQ(service->DisplayName(), "Shown Name " + std::string(c.text));
        EXPECT_EQ(service->StartType(), c.startType);
        EXPECT_STREQ(service->StartTypeName(), c.text);
        EXPECT_EQ(service->QueryCurrentState(), DWORD(SERVICE_STOPPED));
        EXPECT_STREQ(service->StateName(), "??");  // the stored state, not the system's
        service->SetState(SERVICE_STOPPED);
        EXPECT_STREQ(service->StateName(), "Stopped");

        service->CloseHandle();
        EXPECT_EQ(service->QueryCurrentState(), 0u);
        EXPECT_EQ(service->QueryConfig(), nullptr);
    }
}

TEST(ServiceControlLayer, StartTypeAndStateTexts)
{
    const char* const startTypes[] = {"Boot", "System", "Automatic", "Manual", "Disabled", "??", "??"};
    for (DWORD value = 0; value < 7; ++value) EXPECT_STREQ(scm::StartTypeText(value), startTypes[value]) << value;
    EXPECT_STREQ(scm::StartTypeText(0xFFFFFFFF), "??");
    const char* const states[] = {"??",      "Stopped",          "Start-pending", "Stop-pending", "Running",
                                  "Continue-pending", "Pause-pending", "Paused",        "??"};
    for (DWORD value = 0; value < 9; ++value) EXPECT_STREQ(scm::StateText(value), states[value]) << value;
}

TEST(ServiceControlLayer, OwnServicesAreKnownByTheEndOfTheirBinaryPath)
{
    struct Case {
        const char* path;
        bool own;
    };
    const Case cases[] = {
        {"C:\\Tools\\Velmora.exe -s", true},
        {"c:\\tools\\VELMORA.EXE", true},
        {"C:\\Tools\\XVelmora.exe", true},
        {"\"C:\\Program Files\\X\\Velmora.exe\" -s", true},
        {"\"C:\\Program Files\\X\\Velmora.exe\"", true},
        {"\"c:\\program files\\x\\VELMORA.exe\" -S", true},
        {"C:\\Tools\\Velmora.exe -i", false},
        {"C:\\Tools\\Velmora.exe  -s", false},
        {"C:\\Tools\\Velmora.exe.bak", false},
        {"\"C:\\Program Files\\X\\Velmora.exe\" -s -x", false},
        {"C:\\Tools\\Other.exe -s", false},
        {"elmora.exe", false},
    };
    TestServices services;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string name = services.Create(c.path);
        ASSERT_FALSE(name.empty());
        std::unique_ptr<scm::ScmService> service = Open(name);
        ASSERT_NE(service, nullptr);
        EXPECT_FALSE(service->IsOwnService());  // no configuration read yet
        ASSERT_NE(service->QueryConfig(), nullptr);
        EXPECT_STREQ(service->Config()->lpBinaryPathName, c.path);
        EXPECT_EQ(service->IsOwnService(), c.own);
    }
}

TEST(ServiceControlLayer, StartsAndStopsARealService)
{
    TestServices services;
    const std::string name = services.Create(TestServicePath());
    ASSERT_FALSE(name.empty());
    std::unique_ptr<scm::ScmService> watcher = Open(name);
    ASSERT_NE(watcher, nullptr);

    scm::StartOrStopService(name, true);
    EXPECT_TRUE(ReachesState(*watcher, SERVICE_RUNNING));
    scm::StartOrStopService(name, false);
    EXPECT_TRUE(ReachesState(*watcher, SERVICE_STOPPED));
}

TEST(ServiceControlLayer, StartKeepsTryingToOpenAServiceInstalledMeanwhile)
{
    TestServices services;
    const std::string name = services.Reserve();
    const std::string path = TestServicePath();
    const SC_HANDLE manager = services.Manager();
    std::thread installer([&] {
        Sleep(700);
        UniqueScHandle created(CreateServiceA(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                              SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                              path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        EXPECT_TRUE(created);
    });
    scm::StartOrStopService(name, true);
    installer.join();
    std::unique_ptr<scm::ScmService> watcher = Open(name);
    ASSERT_NE(watcher, nullptr);
    EXPECT_TRUE(ReachesState(*watcher, SERVICE_RUNNING));
}

TEST(ServiceControlLayer, EnsureStoppedAsksOnlyWhenTheServiceIsNotStopped)
{
    TestServices services;
    const std::string name = services.Create(TestServicePath());
    ASSERT_FALSE(name.empty());
    std::unique_ptr<scm::ScmService> service = Open(name);
    ASSERT_NE(service, nullptr);
    {
        MessageBoxRecorder boxes;
        EXPECT_TRUE(scm::EnsureStopped(*service, MSG_STOP_BEFORE_INSTALL));
        EXPECT_TRUE(boxes.boxes.empty());
    }

    service->Start();
    ASSERT_TRUE(ReachesState(*service, SERVICE_RUNNING));
    {
        MessageBoxRecorder boxes(IDCANCEL);
        EXPECT_FALSE(scm::EnsureStopped(*service, MSG_STOP_BEFORE_INSTALL));
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, messages::FormatMessageText(MSG_STOP_BEFORE_INSTALL));
        EXPECT_EQ(boxes.boxes[0].style, UINT(MB_OKCANCEL | MB_ICONQUESTION));
        EXPECT_EQ(service->QueryCurrentState(), DWORD(SERVICE_RUNNING));
    }
    {
        MessageBoxRecorder boxes(IDOK);
        EXPECT_TRUE(scm::EnsureStopped(*service, MSG_STOP_BEFORE_REMOVE));
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, messages::FormatMessageText(MSG_STOP_BEFORE_REMOVE));
        EXPECT_TRUE(ReachesState(*service, SERVICE_STOPPED));
    }
}

}  // namespace
