#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "DefinitionWriter.h"
#include "EveryField.h"
#include "ParameterReader.h"
#include "RegistryStore.h"
#include "UniqueResource.h"

namespace {

const char kService[] = "VelmoraReaderTest";
const std::string kServiceKey = registry_data::kServicesKey + std::string(kService);

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
    const ServiceDefinition written = EveryFieldSet();
    registry_store::WriteParameters(kService, written);

    // The host's read and the editor's.
    for (const registry_data::ReadLimits& limits : {registry_data::kHostRead, registry_data::kEditorRead}) {
        ServiceDefinition read;
        ASSERT_TRUE(registry_data::ReadParameters(kService, read, limits));
        EXPECT_EQ(read.Name, kService);
        read.Name.clear();
        EXPECT_EQ(definition_writer::DefinitionText(read), definition_writer::DefinitionText(written));
        EXPECT_EQ(read.RawDependencies, written.RawDependencies);
        EXPECT_EQ(read.EnvironmentSize, written.EnvironmentSize);
    }
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
