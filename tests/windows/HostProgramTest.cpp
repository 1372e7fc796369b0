#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "Definitions.h"
#include "WinTestUtil.h"

namespace {

// Services created during a test carry lower-case names: Wine's service manager finds a service
// created since it started only by its name in lower case (after a restart, by any case).

wintest::CommandResult Host(const std::string& arguments) { return wintest::RunHost(arguments); }

class HostProgram : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const char* name : {"vlhostsvc", "vlhostsvc0", "vlhostsvc1", "vlhostsvc2"}) {
            wintest::RemoveServiceQuietly(name);
        }
    }
    DefinitionDir dir_;
};

TEST_F(HostProgram, VersionBannerBeginsWithTheProductName)
{
    const wintest::CommandResult r = Host("-v");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output.rfind("Velmora Tessel", 0), 0u) << r.output;
    EXPECT_TRUE(wintest::Contains(r.output, "Quillon Tessel v1.5.1 Build 20021013"));
}

TEST_F(HostProgram, InstallsFromAPathWithBlanksQuotedOrNot)
{
    struct Case {
        const char* name;  // one per case: a deleted entry's keys may vanish only after a new one is made
        bool quoted;
        bool withEnding;
    };
    const Case cases[] = {{"vlhostsvc0", false, true}, {"vlhostsvc1", true, true}, {"vlhostsvc2", false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir_.Write(
            std::string("my service ") + c.name + ".xml",
            DefinitionDir::Xml(DefinitionDir::Required(c.name, dir_.Program(), dir_.Folder("w"))));
        if (!c.withEnding) path.resize(path.size() - 4);
        if (c.quoted) path = "\"" + path + "\"";
        const wintest::CommandResult installed = Host("-i " + path);
        EXPECT_EQ(installed.exitCode, 0) << installed.output;
        EXPECT_TRUE(wintest::ServiceExists(c.name));

        const wintest::CommandResult removed = Host(std::string("-u \"") + c.name + "\"");
        EXPECT_EQ(removed.exitCode, 0) << removed.output;
        EXPECT_FALSE(wintest::ServiceExists(c.name));
    }
}

TEST_F(HostProgram, FindsTheDtdInItsOwnFolderWhateverTheCurrentFolder)
{
    std::filesystem::remove(dir_.Path() / "Velmora.dtd");
    const std::string file = dir_.Write(
        "vlhostsvc.xml", DefinitionDir::Xml(DefinitionDir::Required("vlhostsvc", dir_.Program(), dir_.Folder("w"))));
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(dir_.Folder("elsewhere").c_str());
    const wintest::CommandResult r = wintest::Run(wintest::ProgramFolder() + "\\Velmora.exe -i " + file);
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_TRUE(wintest::ServiceExists("vlhostsvc"));
}

TEST_F(HostProgram, FailuresExitNonZeroWithTheirTextOnStandardOutput)
{
    const std::string invalid = dir_.Write(
        "invalid.xml", DefinitionDir::Xml(DefinitionDir::Required("vlhostsvc", dir_.Program(), dir_.Folder("w")) +
                                              "<Delay>5s</Delay>",
                                          "<Options><JobType>9</JobType></Options>"));
    const wintest::CommandResult r = Host("-i " + invalid);
    EXPECT_NE(r.exitCode, 0);
    EXPECT_TRUE(wintest::Contains(r.output,
                                  "Invalid service configuration, errors are as follows:\r\n"
                                  "Invalid value (5s) for element \"Delay\": Invalid trailing characters in integer "
                                  "\"5s\"\r\n"
                                  "Invalid value (9) for element \"JobType\".  Valid range is [0, 2].\r\n"))
        << r.output;
    EXPECT_TRUE(wintest::Contains(r.output, "Error: Invalid service configuration\r\n")) << r.output;
    EXPECT_FALSE(wintest::ServiceExists("vlhostsvc"));

    const wintest::CommandResult missing = Host("-u \"VlNoSuchService\"");
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_TRUE(wintest::Contains(missing.output, "Error: Attempt to get handle to service 'VlNoSuchService' failed"))
        << missing.output;

    const wintest::CommandResult usage = Host("-q");
    EXPECT_NE(usage.exitCode, 0);
    EXPECT_TRUE(wintest::Contains(usage.output, "Usage:"));
}

// A hostile or careless definition gets a short answer and installs nothing: one that asks for
// more than the system carries, and ten megabytes of unknown elements.
TEST_F(HostProgram, HostileDefinitionsAreRefusedWithAShortAnswer)
{
    const std::string required = DefinitionDir::Required("vlhostsvc", dir_.Program(), dir_.Folder("w"));
    std::string flood;
    while (flood.size() < 10 * 1024 * 1024) flood += "<Unknown/>\n";
    const struct {
        const char* what;
        std::string definition;
        const char* said;
    } cases[] = {
        {"parameters longer than a command line", required + "<Parameters>" + std::string(40000, 'p') + "</Parameters>",
         "command line of the service program is too long: 40"},
        {"ten megabytes of unknown elements", required + flood, "more problems were found and not listed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const wintest::CommandResult r = Host("-i " + dir_.Write("hostile.xml", DefinitionDir::Xml(c.definition)));
        EXPECT_NE(r.exitCode, 0);
        EXPECT_TRUE(wintest::Contains(r.output, c.said)) << r.output.substr(0, 2000);
        EXPECT_LT(std::count(r.output.begin(), r.output.end(), '\n'), 110) << "the list of problems is capped";
        EXPECT_FALSE(wintest::ServiceExists("vlhostsvc"));
    }
}

}  // namespace
