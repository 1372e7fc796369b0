#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "DefinitionBlocks.h"
#include "Quillon.h"
#include "RegistryStore.h"
#include "UniqueResource.h"

namespace {

const char kService[] = "VelmoraRegistryTest";
const std::string kParameters = std::string("SYSTEM\\CurrentControlSet\\Services\\") + kService + "\\Parameters";

struct Value {
    DWORD type = 0;
    std::string bytes;
    bool present = false;
};

Value Read(const std::string& keyPath, const char* name)
{
    Value v;
    UniqueHkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return v;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &v.type, nullptr, &size) != ERROR_SUCCESS) return v;
    std::vector<char> data(size + 1);
    if (RegQueryValueExA(key.get(), name, nullptr, &v.type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS) {
        return v;
    }
    v.bytes.assign(data.data(), size);
    v.present = true;
    return v;
}

std::string Dword(DWORD n) { return std::string(reinterpret_cast<const char*>(&n), 4); }

std::string RunAndCapture(const std::string& command)
{
    std::string output;
    FILE* pipe = _popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    _pclose(pipe);
    return output;
}

ServiceDefinition Sample()
{
    ServiceDefinition d;
    d.Name = kService;
    d.DisplayName = "Registry Test";
    d.Description = "Eleven char";
    d.Service = {"C:\\apps\\svc.exe", "C:\\apps", "-x 1", 2500};
    d.PostService = {"C:\\apps\\post.bat", "C:\\", "", 4000};
    d.ConsoleApp = 1;
    d.InteractWithDesktop = 0;
    d.StartUpMode = 2;
    d.ShowWindow = 3;
    d.JobType = 2;
    d.LoadOrderGroup = "";
    d.SMFEnabled = 0;
    d.SMFFrequency = 1234;
    d.UponExit = 3;
    d.AffinityMask = 0x81;
    d.Priority = 4;
    d.GroupDependencies = {"G1", "G2"};
    d.ServiceDependencies = {"S1"};
    d.RawDependencies = blocks::Dependencies(d.GroupDependencies, d.ServiceDependencies);
    d.Environment = {{"A", "1"}, {"B", "22"}};
    d.EnvironmentSize = blocks::EnvironmentSize(d.Environment);
    d.DebugEnabled = 1;
    d.DebugLogFile = "C:\\logs\\svc.log";
    return d;
}

class RegistryStore : public ::testing::Test {
protected:
    void TearDown() override
    {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kParameters.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string("SYSTEM\\CurrentControlSet\\Services\\") + kService).c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE,
                      (std::string(registry_store::kEventSourceKey) + kService).c_str());
    }
};

TEST_F(RegistryStore, WritesTheValuesWithExactTypesAndLengths)
{
    registry_store::WriteParameters(kService, Sample());
    struct Expected {
        const char* name;
        DWORD type;
        std::string bytes;
    };
    const Expected expected[] = {
        {"PreServiceExe", REG_SZ, ""},
        {"PreServiceWorkDir", REG_SZ, ""},
        {"PreServiceParams", REG_SZ, ""},
        {"PreServiceDelay", REG_DWORD, Dword(3000)},
        {"ServiceExe", REG_SZ, "C:\\apps\\svc.exe"},
        {"ServiceWorkingDir", REG_SZ, "C:\\apps"},
        {"ServiceParams", REG_SZ, "-x 1"},
        {"ServiceDelay", REG_DWORD, Dword(2500)},
        {"PostServiceExe", REG_SZ, "C:\\apps\\post.bat"},
        {"PostServiceWorkDir", REG_SZ, "C:\\"},
        {"PostServiceParams", REG_SZ, ""},
        {"PostServiceDelay", REG_DWORD, Dword(4000)},
        {"DisplayName", REG_SZ, "Registry Test"},
        {"Description", REG_SZ, "Eleven char"},
        {"ConsoleApp", REG_DWORD, Dword(1)},
        {"InteractWithDesktop", REG_DWORD, Dword(0)},
        {"StartUpMode", REG_DWORD, Dword(2)},
        {"ShowWindow", REG_DWORD, Dword(3)},
        {"JobType", REG_DWORD, Dword(2)},
        {"LoadOrderGroup", REG_SZ, ""},
        {"SMFEnabled", REG_DWORD, Dword(0)},
        {"SMFFrequency", REG_DWORD, Dword(1234)},
        {"UponExit", REG_DWORD, Dword(3)},
        {"AffinityMask", REG_DWORD, Dword(0x81)},
        {"Priority", REG_DWORD, Dword(4)},
        {"Dependencies", REG_MULTI_SZ, std::string("+G1\0+G2\0S1\0\0", 12)},
        {"Environment", REG_MULTI_SZ, std::string("A=1\0B=22\0\0", 10)},
        {"DebugEnabled", REG_DWORD, Dword(1)},
        {"DebugLogFile", REG_SZ, "C:\\logs\\svc.log"},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        const Value v = Read(kParameters, e.name);
        ASSERT_TRUE(v.present);
        EXPECT_EQ(v.type, e.type);
        EXPECT_EQ(v.bytes, e.bytes);
    }

    // The same values as a client we did not write sees them.
    const std::string listed = RunAndCapture("reg.exe query \"HKLM\\" + kParameters + "\"");
    for (const char* line : {"ServiceExe    REG_SZ    C:\\apps\\svc.exe", "ServiceDelay    REG_DWORD    0x9c4",
                             "AffinityMask    REG_DWORD    0x81", "Description    REG_SZ    Eleven char",
                             "Dependencies    REG_MULTI_SZ    +G1\\0+G2\\0S1", "Environment    REG_MULTI_SZ    A=1\\0B=22",
                             "DebugLogFile    REG_SZ    C:\\logs\\svc.log"}) {
        EXPECT_NE(listed.find(line), std::string::npos) << line << "\nin:\n" << listed;
    }
}

TEST_F(RegistryStore, ReinstallOverwritesOurValuesAndKeepsOthers)
{
    registry_store::WriteParameters(kService, Sample());
    {
        UniqueHkey key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kParameters.c_str(), 0, KEY_ALL_ACCESS, key.put()), ERROR_SUCCESS);
        const char foreign[] = "keep me";
        RegSetValueExA(key.get(), "Foreign", 0, REG_SZ, reinterpret_cast<const BYTE*>(foreign), sizeof foreign);
    }
    ServiceDefinition second;
    second.Name = kService;
    second.Service = {"D:\\new.exe", "D:\\", "", 0};
    registry_store::WriteParameters(kService, second);

    EXPECT_EQ(Read(kParameters, "ServiceExe").bytes, "D:\\new.exe");
    EXPECT_EQ(Read(kParameters, "ServiceDelay").bytes, Dword(0));
    EXPECT_EQ(Read(kParameters, "Description").bytes, "");
    EXPECT_EQ(Read(kParameters, "Dependencies").bytes, "");
    EXPECT_EQ(Read(kParameters, "Environment").bytes, "");
    EXPECT_EQ(Read(kParameters, "DebugLogFile").bytes, "");
    EXPECT_EQ(Read(kParameters, "Foreign").bytes, std::string("keep me", 8));
}

TEST_F(RegistryStore, EventSourceIsRegisteredAndRemoved)
{
    const std::string key = std::string(registry_store::kEventSourceKey) + kService;
    registry_store::RegisterEventSource(kService, "C:\\Program Files\\Velmora\\Velmora.exe");
    EXPECT_EQ(Read(key, "EventMessageFile").bytes, "C:\\Program Files\\Velmora\\Velmora.exe");
    EXPECT_EQ(Read(key, "EventMessageFile").type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Read(key, "TypesSupported").bytes, Dword(7));

    registry_store::RemoveEventSource(kService);
    EXPECT_FALSE(Read(key, "TypesSupported").present);
    // A source already gone is what the removal asks for: a removal of the service goes on.
    EXPECT_NO_THROW(registry_store::RemoveEventSource(kService));
}

}  // namespace
