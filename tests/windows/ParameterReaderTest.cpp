#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "DefinitionBlocks.h"
#include "ParameterReader.h"
#include "RegistryStore.h"
#include "UniqueResource.h"

namespace {

const char kService[] = "VelmoraReaderTest";
const std::string kServiceKey = std::string("SYSTEM\\CurrentControlSet\\Services\\") + kService;

class ParameterReader : public ::testing::Test {
protected:
    void TearDown() override
    {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kServiceKey + "\\Parameters").c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kServiceKey.c_str());
    }
};

TEST_F(ParameterReader, ReadsBackEverythingTheLibraryWrote)
{
    ServiceDefinition written;
    written.Service = {"C:\\apps\\svc.exe", "C:\\apps", "-x \"a b\"", 2500};
    written.PreService = {"C:\\apps\\pre.bat", "C:\\", "p", 100};
    written.PostService = {"C:\\apps\\post.exe", "D:\\", "", 4000};
    written.DisplayName = "Reader";
    written.Description = "Eleven char";
    written.ConsoleApp = 1;
    written.ShowWindow = 2;
    written.JobType = 2;
    written.SMFEnabled = 1;
    written.SMFFrequency = 1234;
    written.UponExit = 2;
    written.AffinityMask = 3;
    written.Priority = 5;
    written.GroupDependencies = {"G1"};
    written.ServiceDependencies = {"S1", "S2"};
    written.RawDependencies = blocks::Dependencies(written.GroupDependencies, written.ServiceDependencies);
    written.Environment = {{"A", "1"}, {"PATH", "C:\\x;C:\\y"}};
    written.DebugEnabled = 1;
    written.DebugLogFile = "C:\\logs\\svc.log";
    registry_store::WriteParameters(kService, written);

    ServiceDefinition read;
    ASSERT_TRUE(registry_data::ReadParameters(kService, read));
    EXPECT_EQ(read.Name, kService);
    for (auto pair : {std::make_pair(&written.Service, &read.Service), std::make_pair(&written.PreService, &read.PreService),
                      std::make_pair(&written.PostService, &read.PostService)}) {
        EXPECT_EQ(pair.second->Executable, pair.first->Executable);
        EXPECT_EQ(pair.second->WorkingDir, pair.first->WorkingDir);
        EXPECT_EQ(pair.second->Parameters, pair.first->Parameters);
        EXPECT_EQ(pair.second->Delay, pair.first->Delay);
    }
    EXPECT_EQ(read.DisplayName, "Reader");
    EXPECT_EQ(read.Description, "Eleven char");
    EXPECT_EQ(read.ConsoleApp, 1u);
    EXPECT_EQ(read.ShowWindow, 2u);
    EXPECT_EQ(read.JobType, 2u);
    EXPECT_EQ(read.SMFEnabled, 1u);
    EXPECT_EQ(read.SMFFrequency, 1234u);
    EXPECT_EQ(read.UponExit, 2u);
    EXPECT_EQ(read.AffinityMask, 3u);
    EXPECT_EQ(read.Priority, 5u);
    EXPECT_EQ(read.GroupDependencies, written.GroupDependencies);
    EXPECT_EQ(read.ServiceDependencies, written.ServiceDependencies);
    ASSERT_EQ(read.Environment.size(), 2u);
    EXPECT_EQ(read.Environment[1].value, "C:\\x;C:\\y");
    EXPECT_EQ(read.DebugEnabled, 1u);
    EXPECT_EQ(read.DebugLogFile, "C:\\logs\\svc.log");
}

TEST_F(ParameterReader, OlderKeysAndStrayTypesDoNotBreakTheRead)
{
    UniqueHkey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kServiceKey + "\\Parameters").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    const DWORD one = 1;
    RegSetValueExA(key.get(), "AutoRestart", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
    RegSetValueExA(key.get(), "ServiceExe", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\a.exe\0junk"), 13);
    RegSetValueExA(key.get(), "JobType", 0, REG_BINARY, reinterpret_cast<const BYTE*>("\x02"), 1);
    RegSetValueExA(key.get(), "Environment", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>("X=1"), 3);

    ServiceDefinition read;
    ASSERT_TRUE(registry_data::ReadParameters(kService, read));
    EXPECT_EQ(read.UponExit, 1u);
    EXPECT_EQ(read.Service.Executable, "C:\\a.exe");
    EXPECT_EQ(read.JobType, 1u);
    ASSERT_EQ(read.Environment.size(), 1u);
    EXPECT_EQ(read.Environment[0].value, "1");

    ServiceDefinition untouched;
    untouched.Name = "keep";
    EXPECT_FALSE(registry_data::ReadParameters("VelmoraNoSuchService", untouched));
    EXPECT_EQ(untouched.Name, "keep");
}

}  // namespace
