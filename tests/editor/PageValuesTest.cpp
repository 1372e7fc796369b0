#include <gtest/gtest.h>

#include <string>

#include "DefinitionWriter.h"
#include "PageValues.h"

namespace {

using namespace editor;

TEST(PageValues, TextRules)
{
    const struct {
        const char* in;
        const char* trimmed;
        bool needsDefault;
    } cases[] = {
        {"", "", true},           {" \t\r\n", "", true},   {"3000", "3000", false},
        {" 42 ", "42", false},    {"\tD:\\a b\n", "D:\\a b", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Trimmed(c.in), c.trimmed) << c.in;
        EXPECT_EQ(NeedsDefaultTime(c.in), c.needsDefault) << c.in;
    }
    const struct {
        const char* path;
        const char* folder;
    } folders[] = {{"D:\\tools\\agent.exe", "D:\\tools"}, {"E:\\run.exe", "E:"}, {"run.exe", ""},
                   {"\\\\host\\share\\x.exe", "\\\\host\\share"}};
    for (const auto& c : folders) EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
}

TEST(PageValues, SettingsDeriveMonitoringFromTheExitActionAndKeepOnlyEightProcessors)
{
    const struct {
        std::uint32_t maskIn;
        unsigned boxes;  // bit n: box n checked
        std::uint32_t maskOut;
    } masks[] = {{5, 0b101, 5}, {0x300, 0, 0}, {0xFFFFFFFF, 0xFF, 0xFF}, {0, 0, 0}};
    for (const auto& m : masks) {
        ServiceDefinition record = definition_writer::NewDefinition();
        record.AffinityMask = m.maskIn;
        const OptionsValues values = OptionsFromRecord(record);
        for (int bit = 0; bit < kCpuBoxes; ++bit) EXPECT_EQ(values.cpu[bit], int((m.boxes >> bit) & 1)) << bit;
        OptionsToRecord(values, record);
        EXPECT_EQ(record.AffinityMask, m.maskOut);
    }

    const struct {
        std::uint32_t uponExit;
        int shown;
        std::uint32_t smfEnabled;
    } actions[] = {{0, 0, 0}, {1, 1, 1}, {3, 3, 1}, {7, 7, 1}};
    for (const auto& a : actions) {
        ServiceDefinition record = definition_writer::NewDefinition();
        record.UponExit = a.uponExit;
        record.SMFEnabled = 1 - a.smfEnabled;
        const OptionsValues values = OptionsFromRecord(record);
        EXPECT_EQ(values.uponExit, a.shown);
        EXPECT_EQ(MonitoringApplies(values.uponExit), a.smfEnabled == 1);
        OptionsToRecord(values, record);
        EXPECT_EQ(record.SMFEnabled, a.smfEnabled) << a.uponExit;
    }
    // No selection in a list is stored as -1.
    OptionsValues values = OptionsFromRecord(definition_writer::NewDefinition());
    values.priority = -1;
    ServiceDefinition record;
    OptionsToRecord(values, record);
    EXPECT_EQ(record.Priority, 0xFFFFFFFFu);
    EXPECT_EQ(record.SMFFrequency, 5000u);
}

TEST(PageValues, EveryFieldGoesToItsPageAndBack)
{
    ServiceDefinition in = definition_writer::NewDefinition();
    in.Name = "Relay";
    in.DisplayName = "Mail Relay";
    in.Description = "d";
    in.ConsoleApp = 7;  // any non-zero value is true
    in.Service = {"C:\\r.exe", "C:\\", "-p", 1};
    in.PreService = {"C:\\pre.exe", "C:\\pre", "-a", 2};
    in.PostService = {"C:\\post.exe", "C:\\post", "-b", 3};
    in.InteractWithDesktop = 1;
    in.StartUpMode = 2;
    in.ShowWindow = 3;
    in.JobType = 2;
    in.LoadOrderGroup = "G";
    in.UponExit = 2;
    in.SMFFrequency = 60;
    in.Priority = 4;
    in.AffinityMask = 0x81;
    in.ServiceDependencies = {"Tcpip", "Dnscache"};
    in.GroupDependencies = {"NetworkProvider"};
    in.Environment = {{"A", "1"}, {"B", "2=3"}};
    in.DebugEnabled = 1;
    in.DebugLogFile = "C:\\d.log";
    in.OutputFile = "C:\\out.log";
    in.ErrorFile = "C:\\out.log";
    in.RotateSize = 0xFFFFFFFF;
    in.RotateDaily = 1;
    in.RotateKeep = 0;
    in.OutputTimeStamp = 1;

    ServiceDefinition out = definition_writer::NewDefinition();
    ProgramToRecord(ProgramFromRecord(in), out);
    PrePostToRecord(PrePostFromRecord(in), out);
    OptionsToRecord(OptionsFromRecord(in), out);
    DependenciesToRecord(DependenciesFromRecord(in), out);
    OutputToRecord(OutputFromRecord(in), out);
    out.Environment = in.Environment;
    in.ConsoleApp = 1;
    EXPECT_EQ(definition_writer::DefinitionText(out), definition_writer::DefinitionText(in));
}

TEST(PageValues, OutputNumbersAreReadFromTheirTextsAndABadOneLeavesTheField)
{
    const struct {
        const char* size;
        std::uint32_t sizeStored;
        const char* keep;
        std::uint32_t keepStored;
    } cases[] = {
        {"", 0, "", ServiceDefinition::kDefaultRotateKeep},
        {" 4294967295\t", 0xFFFFFFFF, " 1000 ", 1000},
        {"0", 0, "00000000000000000000007", 7},
        {"4294967296", 77, "1001", 5},
        {"184467440737095516160000", 77, "+3", 5},
        {"10 MB", 77, "-1", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.size) + " | " + c.keep);
        ServiceDefinition record = definition_writer::NewDefinition();
        record.RotateSize = 77;
        record.RotateKeep = 5;
        OutputValues values = OutputFromRecord(record);
        values.rotateSize = c.size;
        values.rotateKeep = c.keep;
        OutputToRecord(values, record);
        EXPECT_EQ(record.RotateSize, c.sizeStored);
        EXPECT_EQ(record.RotateKeep, c.keepStored);
    }
    // A size of 0 shows as an empty field: never by size.
    const OutputValues shown = OutputFromRecord(definition_writer::NewDefinition());
    EXPECT_EQ(shown.rotateSize, "");
    EXPECT_EQ(shown.rotateKeep, "10");
}

TEST(PageValues, VariablesAreMatchedByExactName)
{
    Variables variables{{"PATH", "a"}, {"Path", "b"}, {"PATH", "c"}};
    EXPECT_EQ(FindVariable(variables, "PATH"), 0u);
    EXPECT_EQ(FindVariable(variables, "path"), kNoVariable);
    EXPECT_EQ(SetVariable(variables, "Path", "B"), 1u);
    EXPECT_EQ(variables[1].value, "B");
    EXPECT_EQ(SetVariable(variables, "path", "x"), 3u);
    EXPECT_EQ(variables.size(), 4u);
    EXPECT_EQ(SetEveryVariable(variables, "PATH", "z"), (std::vector<std::size_t>{0, 2}));
    EXPECT_EQ(variables[0].value, "z");
    EXPECT_EQ(variables[2].value, "z");
    EXPECT_EQ(variables[3].value, "x");
}

}  // namespace
