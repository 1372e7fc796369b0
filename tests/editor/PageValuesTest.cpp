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
    in.ExpandVariables = 1;
    in.StopTimeout = 0;
    in.StopService = {"C:\\stop.exe", "C:\\stop", "-c", 0};
    in.ExitActions = {{false, 0xC0000005, 1}, {true, 0, 3}, {false, 0, 0}};
    in.RestartLimit = 0xFFFFFFFF;
    in.RestartPeriod = 1;
    in.Account = "CORP\\relay$";
    in.DelayedStart = 1;
    in.PreShutdownTimeout = 600000;
    in.RecoveryFirst = 1;
    in.RecoveryFirstDelay = 0;
    in.RecoverySecond = 3;
    in.RecoverySecondDelay = 86400000;
    in.RecoveryLater = 2;
    in.RecoveryLaterDelay = 1;
    in.RecoveryResetPeriod = 0xFFFFFFFF;
    in.RecoveryProgram = "C:\\alert.exe";
    in.RecoveryParameters = "--failed Relay";

    ServiceDefinition out = definition_writer::NewDefinition();
    ProgramToRecord(ProgramFromRecord(in), out);
    PrePostToRecord(PrePostFromRecord(in), out);
    OptionsToRecord(OptionsFromRecord(in), out);
    DependenciesToRecord(DependenciesFromRecord(in), out);
    OutputToRecord(OutputFromRecord(in), out);
    SupervisionToRecord(SupervisionFromRecord(in), out);
    LogOnToRecord(LogOnFromRecord(in), out);
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

TEST(PageValues, SupervisionNumbersAreReadFromTheirTextsAndABadOneLeavesTheField)
{
    const struct {
        const char *timeout, *limit, *period;
        std::uint32_t timeoutStored, limitStored, periodStored;
    } cases[] = {
        {"", "", "", ServiceDefinition::kDefaultStopTimeout, 0, ServiceDefinition::kDefaultRestartPeriod},
        {" 600000 ", "4294967295", "86400000", 600000, 0xFFFFFFFF, 86400000},
        {"0", "0", "1", 0, 0, 1},
        {"600001", "4294967296", "0", 77, 7, 777},
        {"5 s", "-1", "86400001", 77, 7, 777},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.timeout) + " | " + c.limit + " | " + c.period);
        ServiceDefinition record = definition_writer::NewDefinition();
        record.StopTimeout = 77;
        record.RestartLimit = 7;
        record.RestartPeriod = 777;
        SupervisionValues values = SupervisionFromRecord(record);
        values.stopTimeout = c.timeout;
        values.restartLimit = c.limit;
        values.restartPeriod = c.period;
        SupervisionToRecord(values, record);
        EXPECT_EQ(record.StopTimeout, c.timeoutStored);
        EXPECT_EQ(record.RestartLimit, c.limitStored);
        EXPECT_EQ(record.RestartPeriod, c.periodStored);
    }
}

TEST(PageValues, AnAccountShowsAsItsKindAndIsWrittenBackAsTheRecordSpeltIt)
{
    const struct {
        const char* account;
        int kind;
        const char* typed;  // the name field's text for a typed kind
    } loaded[] = {
        {"", 0, ""},
        {"NT AUTHORITY\\SYSTEM", 0, ""},
        {"LocalService", 1, ""},
        {"nt authority\\networkservice", 2, ""},
        {"NT SERVICE\\relay", 3, ""},
        {"CORP\\relay$", 4, "CORP\\relay$"},
        {".\\relay", 5, ".\\relay"},
        // Texts that name no account of this service show as typed, for the validation to refuse.
        {"relay", 5, "relay"},
        {"NT SERVICE\\Other", 5, "NT SERVICE\\Other"},
    };
    for (const auto& c : loaded) {
        SCOPED_TRACE(c.account);
        ServiceDefinition record = definition_writer::NewDefinition();
        record.Name = "Relay";
        record.Account = c.account;
        const LogOnValues values = LogOnFromRecord(record);
        EXPECT_EQ(values.accountKind, c.kind);
        EXPECT_EQ(values.accountName, c.typed);
        record.Account = "changed";
        LogOnToRecord(values, record);
        EXPECT_EQ(record.Account, c.account);
    }

    // A fixed kind chosen anew gets the name the service database uses; the virtual account
    // follows a renamed service.
    const struct {
        const char* loaded;
        int chosen;
        const char* stored;
    } chosen[] = {{"", 1, "NT AUTHORITY\\LocalService"}, {"NT SERVICE\\Relay", 3, "NT SERVICE\\Relay2"},
                  {"LocalService", 0, ""}};
    for (const auto& c : chosen) {
        SCOPED_TRACE(c.loaded);
        ServiceDefinition record = definition_writer::NewDefinition();
        record.Name = "Relay";
        record.Account = c.loaded;
        LogOnValues values = LogOnFromRecord(record);
        values.accountKind = c.chosen;
        record.Name = "Relay2";
        LogOnToRecord(values, record);
        EXPECT_EQ(record.Account, c.stored);
    }
}

TEST(PageValues, LogOnNumbersAreReadFromTheirTextsAndABadOneLeavesTheField)
{
    const struct {
        const char *preShutdown, *delay, *reset;
        std::uint32_t preShutdownStored, delayStored, resetStored;
    } cases[] = {
        {"", "", "", 0, ServiceDefinition::kDefaultRecoveryDelay, ServiceDefinition::kDefaultRecoveryReset},
        {" 600000 ", "86400000", "4294967295", 600000, 86400000, 0xFFFFFFFF},
        {"0", "0", "0", 0, 0, 0},
        {"600001", "86400001", "4294967296", 77, 7, 777},
        {"1 min", "-1", "1d", 77, 7, 777},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.preShutdown) + " | " + c.delay + " | " + c.reset);
        ServiceDefinition record = definition_writer::NewDefinition();
        record.PreShutdownTimeout = 77;
        record.RecoverySecondDelay = 7;
        record.RecoveryResetPeriod = 777;
        LogOnValues values = LogOnFromRecord(record);
        values.preShutdownTimeout = c.preShutdown;
        values.recoveryDelay[1] = c.delay;
        values.resetPeriod = c.reset;
        LogOnToRecord(values, record);
        EXPECT_EQ(record.PreShutdownTimeout, c.preShutdownStored);
        EXPECT_EQ(record.RecoverySecondDelay, c.delayStored);
        EXPECT_EQ(record.RecoveryResetPeriod, c.resetStored);
    }
    // Off shows as an empty field; an action the list does not offer (no choice: -1) stays.
    ServiceDefinition record = definition_writer::NewDefinition();
    record.RecoveryLater = 9;
    LogOnValues values = LogOnFromRecord(record);
    EXPECT_EQ(values.preShutdownTimeout, "");
    EXPECT_EQ(values.recoveryDelay[0], "60000");
    EXPECT_EQ(values.resetPeriod, "86400");
    values.recoveryAction = {1, 3, -1};
    LogOnToRecord(values, record);
    EXPECT_EQ(record.RecoveryFirst, 1u);
    EXPECT_EQ(record.RecoverySecond, 3u);
    EXPECT_EQ(record.RecoveryLater, 9u);
}

TEST(PageValues, ExitCodesAreReadInDecimalOrHexAndShownAsTheyAreBestKnown)
{
    const struct {
        const char* text;
        CountText result;
        std::uint32_t code;
    } cases[] = {
        {"0", CountText::Number, 0},
        {" 4294967295 ", CountText::Number, 0xFFFFFFFF},
        {"0xC0000005", CountText::Number, 0xC0000005},
        {"0Xc0000005", CountText::Number, 0xC0000005},
        {"0x00000000FFFFFFFF", CountText::Number, 0xFFFFFFFF},
        {"010", CountText::Number, 10},
        {"4294967296", CountText::TooLarge, 77},
        {"0x100000000", CountText::TooLarge, 77},
        {"", CountText::NotANumber, 77},
        {"0x", CountText::NotANumber, 77},
        {"0xG1", CountText::NotANumber, 77},
        {"-1", CountText::NotANumber, 77},
        {"1e3", CountText::NotANumber, 77},
    };
    for (const auto& c : cases) {
        std::uint32_t code = 77;
        EXPECT_EQ(ParseExitCode(c.text, code), c.result) << c.text;
        EXPECT_EQ(code, c.code) << c.text;
    }
    EXPECT_EQ(ExitCodeText(0), "0");
    EXPECT_EQ(ExitCodeText(65535), "65535");
    EXPECT_EQ(ExitCodeText(65536), "0x00010000");
    EXPECT_EQ(ExitCodeText(0xC0000005), "0xC0000005");
    for (std::uint32_t code : {0u, 65535u, 65536u, 0xC0000005u, 0xFFFFFFFFu}) {
        std::uint32_t back = 0;
        EXPECT_EQ(ParseExitCode(ExitCodeText(code), back), CountText::Number);
        EXPECT_EQ(back, code);
    }
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
