#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "DefinitionWriter.h"
#include "EveryField.h"
#include "EditorIds.h"
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
    ServiceDefinition in = EveryFieldSet();
    in.Name = "Relay";
    in.ConsoleApp = 7;  // any non-zero value is true
    in.AffinityMask = 0x81;  // the page shows eight processors
    ServiceDefinition out = definition_writer::NewDefinition();
    ProgramToRecord(ProgramFromRecord(in), out);
    PrePostToRecord(PrePostFromRecord(in), out);
    OptionsToRecord(OptionsFromRecord(in), out);
    DependenciesToRecord(DependenciesFromRecord(in), out);
    OutputToRecord(OutputFromRecord(in), out);
    SupervisionToRecord(SupervisionFromRecord(in), out);
    LogOnToRecord(LogOnFromRecord(in), out);
    for (settings::Page page : {settings::Page::Health, settings::Page::Limits})
        FieldsToRecord(FieldsFromRecord(page, in), out);
    NotifyToRecord(NotifyFromRecord(in), out);
    out.Environment = in.Environment;
    in.ConsoleApp = 1;
    EXPECT_EQ(definition_writer::DefinitionText(out), definition_writer::DefinitionText(in));
}

// Every number a page holds as text: the text read into the record, and a bad one leaving the
// record's value (kKept) as it was.
TEST(PageValues, NumbersAreReadFromTheirTextsAndABadOneLeavesTheField)
{
    constexpr std::uint32_t kKept = 77;
    using settings::Page;
    const struct {
        Page page;
        int control;
        std::vector<std::pair<const char*, std::uint32_t>> texts;
    } numbers[] = {
        {Page::Output, IDC_ROTATE_SIZE,
         {{"", 0}, {" 4294967295\t", 0xFFFFFFFF}, {"0", 0}, {"4294967296", kKept},
          {"184467440737095516160000", kKept}, {"10 MB", kKept}}},
        {Page::Output, IDC_ROTATE_KEEP,
         {{"", 10u}, {" 1000 ", 1000}, {"00000000000000000000007", 7}, {"1001", kKept}, {"+3", kKept}, {"-1", kKept}}},
        {Page::Output, IDC_DUMP_KEEP, {{"", 5u}, {"1000", 1000}, {"1", 1}, {"0", kKept}, {"1001", kKept}}},
        {Page::Supervision, IDC_STOP_TIMEOUT,
         {{"", 5000u}, {" 600000 ", 600000}, {"0", 0}, {"600001", kKept}, {"5 s", kKept}}},
        {Page::Supervision, IDC_RESTART_LIMIT,
         {{"", 0}, {"4294967295", 0xFFFFFFFF}, {"0", 0}, {"4294967296", kKept}, {"-1", kKept}}},
        {Page::Supervision, IDC_RESTART_PERIOD,
         {{"", 60000u}, {"86400000", 86400000}, {"1", 1}, {"0", kKept}, {"86400001", kKept}}},
        {Page::LogOn, IDC_PRESHUTDOWN_TIMEOUT,
         {{"", 0}, {" 600000 ", 600000}, {"0", 0}, {"600001", kKept}, {"1 min", kKept}}},
        {Page::LogOn, IDC_RECOVERY_SECOND_DELAY,
         {{"", 60000u}, {"86400000", 86400000}, {"0", 0}, {"86400001", kKept}, {"-1", kKept}}},
        {Page::LogOn, IDC_RECOVERY_RESET,
         {{"", 86400u}, {"4294967295", 0xFFFFFFFF}, {"0", 0}, {"4294967296", kKept}, {"1d", kKept}}},
        {Page::Health, IDC_LIVE_FAILURES, {{"", 3u}, {" 100 ", 100}, {"1", 1}, {"0", kKept}, {"101", kKept}}},
        {Page::Health, IDC_LIVE_INTERVAL,
         {{"", 10000u}, {"86400000", 86400000}, {"1000", 1000}, {"999", kKept}, {"86400001", kKept}}},
        {Page::Supervision, IDC_RESTART_EVERY,
         {{"", 0}, {"0", 0}, {"60000", 60000}, {"59999", kKept}, {"4294967296", kKept}}},
        {Page::Limits, IDC_MEMORY_LIMIT, {{" ", 0}, {"0", 0}, {"1048576", 1048576}, {"1048577", kKept}}},
    };
    for (const auto& number : numbers) {
        const settings::Setting& row = FieldSetting(number.page, number.control);
        for (const auto& [text, stored] : number.texts) {
            SCOPED_TRACE(std::string(row.element) + " \"" + text + "\"");
            ServiceDefinition record = definition_writer::NewDefinition();
            row.number.Of(record) = kKept;
            TableFields fields = FieldsFromRecord(number.page, record);
            fields.text.at(number.control) = text;
            FieldsToRecord(fields, record);
            EXPECT_EQ(row.number.Of(record), stored);
        }
    }

    // Never by size and no pre-shutdown stop show as empty fields; an action the list does not
    // offer (no choice: -1) stays.
    ServiceDefinition record = definition_writer::NewDefinition();
    const OutputValues output = OutputFromRecord(record);
    EXPECT_EQ(output.fields.text.at(IDC_ROTATE_SIZE), "");
    EXPECT_EQ(output.fields.text.at(IDC_ROTATE_KEEP), "10");
    record.RecoverySteps[2].Action = 9;
    LogOnValues values = LogOnFromRecord(record);
    EXPECT_EQ(values.fields.text.at(IDC_PRESHUTDOWN_TIMEOUT), "");
    EXPECT_EQ(values.fields.text.at(IDC_RECOVERY_FIRST_DELAY), "60000");
    EXPECT_EQ(values.fields.text.at(IDC_RECOVERY_RESET), "86400");
    values.fields.state.at(IDC_RECOVERY_FIRST) = 1;
    values.fields.state.at(IDC_RECOVERY_SECOND) = 3;
    values.fields.state.at(IDC_RECOVERY_LATER) = -1;
    LogOnToRecord(values, record);
    EXPECT_EQ(record.RecoverySteps[0].Action, 1u);
    EXPECT_EQ(record.RecoverySteps[1].Action, 3u);
    EXPECT_EQ(record.RecoverySteps[2].Action, 9u);
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
