#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "DefinitionValidation.h"
#include "DefinitionWriter.h"
#include "Definitions.h"
#include "EditorIds.h"
#include "MessageIds.h"

namespace {

using editor::Page;
using editor::Validate;

TEST(DefinitionValidation, FirstFailingRuleWinsWithItsFocus)
{
    DefinitionDir dir;
    const std::string exe = dir.Program("svc.exe");
    const std::string work = dir.Folder("work");
    const std::string text = dir.Write("notes.txt", "x");
    const std::string missing = (dir.Path() / "missing").string();

    auto valid = [&] {
        ServiceDefinition d = definition_writer::NewDefinition();
        d.Name = "Svc1";
        d.DisplayName = "Service One";
        d.Service.Executable = exe;
        d.Service.WorkingDir = work;
        return d;
    };
    struct Case {
        const char* what;
        std::function<void(ServiceDefinition&)> change;
        unsigned id;
        Page page;
        int control;
    };
    const Case cases[] = {
        {"valid", [](ServiceDefinition&) {}, 0, Page::None, 0},
        {"empty name before empty display name", [](ServiceDefinition& d) { d.Name.clear(); d.DisplayName.clear(); },
         MSG_NAME_MISSING, Page::Program, IDC_SHORT_NAME},
        {"empty display name", [](ServiceDefinition& d) { d.DisplayName.clear(); }, MSG_DISPLAY_NAME_MISSING,
         Page::Program, IDC_DISPLAY_NAME},
        {"name begins with a digit", [](ServiceDefinition& d) { d.Name = "1abc"; }, MSG_NAME_NOT_ALPHABETIC_START,
         Page::Program, IDC_SHORT_NAME},
        {"name with a blank", [](ServiceDefinition& d) { d.Name = "a b"; }, MSG_NAME_NOT_ONE_WORD, Page::Program,
         IDC_SHORT_NAME},
        {"name with a hyphen", [](ServiceDefinition& d) { d.Name = "a-b"; }, MSG_NAME_NOT_ONE_WORD, Page::Program,
         IDC_SHORT_NAME},
        {"no program", [](ServiceDefinition& d) { d.Service.Executable.clear(); }, MSG_SERVICE_EXE_MISSING,
         Page::Program, IDC_EXECUTABLE},
        {"program missing", [&](ServiceDefinition& d) { d.Service.Executable = missing; }, MSG_SERVICE_EXE_INVALID,
         Page::Program, IDC_EXECUTABLE},
        {"program is a folder", [&](ServiceDefinition& d) { d.Service.Executable = work; },
         MSG_SERVICE_EXE_NOT_REGULAR, Page::Program, IDC_EXECUTABLE},
        {"program not executable", [&](ServiceDefinition& d) { d.Service.Executable = text; },
         MSG_SERVICE_EXE_NOT_EXECUTABLE, Page::Program, IDC_EXECUTABLE},
        {"no folder", [](ServiceDefinition& d) { d.Service.WorkingDir.clear(); }, MSG_SERVICE_DIR_MISSING,
         Page::Program, IDC_WORKING_DIR},
        {"folder missing", [&](ServiceDefinition& d) { d.Service.WorkingDir = missing; }, MSG_SERVICE_DIR_INVALID,
         Page::Program, IDC_WORKING_DIR},
        {"folder is a file", [&](ServiceDefinition& d) { d.Service.WorkingDir = text; },
         MSG_SERVICE_DIR_NOT_DIRECTORY, Page::Program, IDC_WORKING_DIR},
        {"pre-service without program is not checked",
         [&](ServiceDefinition& d) { d.PreService.WorkingDir = missing; d.PreService.Parameters = "x"; }, 0, Page::None,
         0},
        {"pre-service program missing", [&](ServiceDefinition& d) { d.PreService.Executable = missing; },
         MSG_PRE_EXE_INVALID, Page::PrePost, IDC_PRE_EXECUTABLE},
        {"pre-service folder empty", [&](ServiceDefinition& d) { d.PreService.Executable = exe; },
         MSG_PRE_DIR_MISSING, Page::PrePost, IDC_PRE_WORKING_DIR},
        {"post-service program not executable", [&](ServiceDefinition& d) { d.PostService.Executable = text; },
         MSG_POST_EXE_NOT_EXECUTABLE, Page::PrePost, IDC_POST_EXECUTABLE},
        {"post-service folder is a file",
         [&](ServiceDefinition& d) { d.PostService.Executable = exe; d.PostService.WorkingDir = text; },
         MSG_POST_DIR_NOT_DIRECTORY, Page::PrePost, IDC_POST_WORKING_DIR},
        {"start-up time at the limit", [](ServiceDefinition& d) { d.Service.Delay = 600000; }, 0, Page::None, 0},
        {"start-up time beyond the limit", [](ServiceDefinition& d) { d.Service.Delay = 600001; },
         MSG_SERVICE_TIME_TOO_LONG, Page::Program, IDC_STARTUP_TIME},
        {"pre-service time beyond the limit",
         [&](ServiceDefinition& d) { d.PreService = {exe, work, "", 100000000}; }, MSG_PRE_TIME_TOO_LONG,
         Page::PrePost, IDC_PRE_TIME},
        {"post-service time beyond the limit",
         [&](ServiceDefinition& d) { d.PostService = {exe, work, "", 0xFFFFFFFFu}; }, MSG_POST_TIME_TOO_LONG,
         Page::PrePost, IDC_POST_TIME},
        {"time of a block without program is not checked",
         [](ServiceDefinition& d) { d.PostService.Delay = 0xFFFFFFFFu; }, 0, Page::None, 0},
        {"monitoring every 49 ms", [](ServiceDefinition& d) { d.SMFFrequency = 49; }, MSG_MONITOR_FREQUENCY_NEGATIVE,
         Page::Settings, IDC_MONITOR_INTERVAL},
        {"monitoring every 50 ms", [](ServiceDefinition& d) { d.SMFFrequency = 50; }, 0, Page::None, 0},
        {"monitoring off at 0 ms", [](ServiceDefinition& d) { d.SMFEnabled = 0; d.SMFFrequency = 0; }, 0, Page::None, 0},
        {"stop program missing", [&](ServiceDefinition& d) { d.StopService = {missing, work, "", 0}; },
         MSG_STOP_EXE_INVALID, Page::Supervision, IDC_STOP_EXECUTABLE},
        {"stop folder empty", [&](ServiceDefinition& d) { d.StopService.Executable = exe; }, MSG_STOP_DIR_MISSING,
         Page::Supervision, IDC_STOP_WORKING_DIR},
        {"stop folder is a file", [&](ServiceDefinition& d) { d.StopService = {exe, text, "", 0}; },
         MSG_STOP_DIR_NOT_DIRECTORY, Page::Supervision, IDC_STOP_WORKING_DIR},
        {"stop program has no time to check", [&](ServiceDefinition& d) { d.StopService = {exe, work, "", 0xFFFFFFFFu}; },
         0, Page::None, 0},
        {"variables in paths expanded from the definition's environment",
         [&](ServiceDefinition& d) {
             d.ExpandVariables = 1;
             d.Environment = {{"Svc_Home", dir.Path().string()}};
             d.Service.Executable = (std::filesystem::path("%SVC_HOME%") / "svc.exe").string();
             d.StopService = {d.Service.Executable, "%svc_home%", "", 0};
         },
         0, Page::None, 0},
        {"variables in paths left as written",
         [&](ServiceDefinition& d) {
             d.Environment = {{"SVC_HOME", dir.Path().string()}};
             d.Service.Executable = (std::filesystem::path("%SVC_HOME%") / "svc.exe").string();
         },
         MSG_SERVICE_EXE_INVALID, Page::Program, IDC_EXECUTABLE},
        {"a managed service account", [](ServiceDefinition& d) { d.Account = "CORP\\svc$"; }, 0, Page::None, 0},
        {"an account without its domain", [](ServiceDefinition& d) { d.Account = "svc"; }, MSG_ACCOUNT_INVALID,
         Page::LogOn, IDC_ACCOUNT_NAME},
        {"another service's virtual account", [](ServiceDefinition& d) { d.Account = "NT SERVICE\\Svc2"; },
         MSG_ACCOUNT_INVALID, Page::LogOn, IDC_ACCOUNT_NAME},
        {"the desktop with LocalSystem spelt out",
         [](ServiceDefinition& d) { d.InteractWithDesktop = 1; d.Account = "NT AUTHORITY\\SYSTEM"; }, 0, Page::None, 0},
        {"the desktop with Local Service",
         [](ServiceDefinition& d) { d.InteractWithDesktop = 1; d.Account = "LocalService"; },
         MSG_INTERACT_NEEDS_LOCAL_SYSTEM, Page::Settings, IDC_INTERACT_DESKTOP},
        {"delayed manual start", [](ServiceDefinition& d) { d.DelayedStart = 1; d.StartUpMode = 0; },
         MSG_DELAYED_START_NOT_AUTOMATIC, Page::LogOn, IDC_DELAYED_START},
        {"delayed automatic start", [](ServiceDefinition& d) { d.DelayedStart = 1; d.StartUpMode = 1; }, 0, Page::None,
         0},
        {"a recovery action beyond the list", [](ServiceDefinition& d) { d.RecoverySteps[1].Action = 4; },
         MSG_RECOVERY_ACTION_INVALID, Page::LogOn, IDC_RECOVERY_SECOND},
        {"a recovery program to run, blank",
         [](ServiceDefinition& d) { d.RecoverySteps[2].Action = 3; d.RecoveryProgram = " "; }, MSG_RECOVERY_PROGRAM_MISSING,
         Page::LogOn, IDC_RECOVERY_PROGRAM},
        {"a recovery program to run",
         [](ServiceDefinition& d) { d.RecoverySteps[0].Action = 3; d.RecoveryProgram = "C:\\alert.exe"; }, 0, Page::None, 0},
        {"a check of no known scheme", [](ServiceDefinition& d) { d.ReadyCheck = "ftp://host/"; },
         MSG_HEALTH_CHECK_INVALID, Page::Health, IDC_READY_CHECK},
        {"a line: live check", [](ServiceDefinition& d) { d.LiveCheck = "line:up"; }, MSG_HEALTH_CHECK_INVALID,
         Page::Health, IDC_LIVE_CHECK},
        {"a check timeout as long as the interval", [](ServiceDefinition& d) { d.LiveTimeout = d.LiveInterval; },
         MSG_HEALTH_CHECK_INVALID, Page::Health, IDC_LIVE_TIMEOUT},
        {"a restart at 24:00", [](ServiceDefinition& d) { d.RestartAt = "03:00,24:00"; }, MSG_RESTART_AT_INVALID,
         Page::Supervision, IDC_RESTART_AT},
        {"a job memory cap without a job", [](ServiceDefinition& d) { d.JobMemoryLimit = 512; d.JobType = 0; },
         MSG_LIMITS_INVALID, Page::Limits, IDC_JOB_MEMORY_LIMIT},
        {"a job memory cap on a job", [](ServiceDefinition& d) { d.JobMemoryLimit = 512; d.JobType = 2; }, 0,
         Page::None, 0},
        {"a webhook after a good hook with a header that is no header",
         [](ServiceDefinition& d) { d.Notifications = {{false, "Stop", "", "a.cmd"}, {true, "Stop", "X", "http://h/"}}; },
         MSG_NOTIFY_INVALID, Page::Notify, IDC_NOTIFY_LIST},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ServiceDefinition d = valid();
        c.change(d);
        const editor::ValidationFailure f = Validate(d);
        EXPECT_EQ(f.messageId, c.id);
        EXPECT_EQ(f.page, c.page);
        EXPECT_EQ(f.control, c.control);
        const bool inserted = c.id == MSG_ACCOUNT_INVALID || c.id == MSG_HEALTH_CHECK_INVALID ||
                              c.id == MSG_RESTART_AT_INVALID || c.id == MSG_LIMITS_INVALID ||
                              c.id == MSG_NOTIFY_INVALID;
        EXPECT_EQ(f.detail.empty(), !inserted);
    }
}

TEST(DefinitionValidation, SupervisionTextsAndExitActionsAreCheckedWithTheirFocus)
{
    const struct {
        const char *timeout, *folder, *program, *limit, *period;
        unsigned id;
        int control;
    } pages[] = {
        {"", "", "", "", "", 0, 0},
        {"600000", "D:\\stop", "D:\\stop\\drain.exe", "4294967295", "86400000", 0, 0},
        {"600001", "", "", "", "", MSG_STOP_TIMEOUT_OUT_OF_RANGE, IDC_STOP_TIMEOUT},
        {"-5", "", "", "", "", MSG_STOP_TIMEOUT_OUT_OF_RANGE, IDC_STOP_TIMEOUT},
        {"", "", "D:\\drain.exe", "", "", MSG_STOP_DIR_MISSING, IDC_STOP_WORKING_DIR},
        {"", " ", "D:\\drain.exe", "", "", MSG_STOP_DIR_MISSING, IDC_STOP_WORKING_DIR},
        {"", "D:\\stop", "", "", "", MSG_STOP_EXE_MISSING, IDC_STOP_EXECUTABLE},
        {"", "", "", "4294967296", "", MSG_RESTART_LIMIT_OUT_OF_RANGE, IDC_RESTART_LIMIT},
        {"", "", "", "", "0", MSG_RESTART_PERIOD_OUT_OF_RANGE, IDC_RESTART_PERIOD},
        {"", "", "", "", "86400001", MSG_RESTART_PERIOD_OUT_OF_RANGE, IDC_RESTART_PERIOD},
        {"x", "D:\\stop", "", "x", "x", MSG_STOP_TIMEOUT_OUT_OF_RANGE, IDC_STOP_TIMEOUT},
    };
    for (const auto& c : pages) {
        SCOPED_TRACE(std::string(c.timeout) + "|" + c.folder + "|" + c.program + "|" + c.limit + "|" + c.period);
        editor::SupervisionValues v;
        v.fields.text = {{IDC_STOP_TIMEOUT, c.timeout},
                         {IDC_STOP_WORKING_DIR, c.folder},
                         {IDC_STOP_EXECUTABLE, c.program},
                         {IDC_RESTART_LIMIT, c.limit},
                         {IDC_RESTART_PERIOD, c.period},
                         {IDC_RESTART_AT, " "}};  // blanks in a list are no entry, and no error
        const editor::ValidationFailure f = editor::ValidateFields(v.fields);
        EXPECT_EQ(f.messageId, c.id);
        EXPECT_EQ(f.page, c.id ? Page::Supervision : Page::None);
        EXPECT_EQ(f.control, c.control);
    }

    const editor::ExitActions actions{{false, 0, 3}, {false, 0xC0000005, 1}};
    const editor::ExitActions withOthers{{false, 0, 3}, {true, 0, 1}};
    const struct {
        const editor::ExitActions* list;
        std::size_t replacing;
        const char* code;
        bool others;
        unsigned id;
        int control;
        std::uint32_t stored;
    } entries[] = {
        {&actions, editor::kNoExitAction, "1", false, 0, 0, 1},
        {&actions, editor::kNoExitAction, "0", false, MSG_EXIT_CODE_TWICE, IDC_EXIT_CODE, 0},
        {&actions, editor::kNoExitAction, "3221225477", false, MSG_EXIT_CODE_TWICE, IDC_EXIT_CODE, 0},
        {&actions, 1, "0xc0000005", false, 0, 0, 0xC0000005},
        {&actions, 0, "0xC0000005", false, MSG_EXIT_CODE_TWICE, IDC_EXIT_CODE, 0},
        {&actions, editor::kNoExitAction, "0x1G", false, MSG_EXIT_CODE_NOT_NUMBER, IDC_EXIT_CODE, 0},
        {&actions, editor::kNoExitAction, " ", false, MSG_EXIT_CODE_NOT_NUMBER, IDC_EXIT_CODE, 0},
        {&actions, editor::kNoExitAction, "4294967296", false, MSG_EXIT_CODE_TOO_LARGE, IDC_EXIT_CODE, 0},
        {&actions, editor::kNoExitAction, "junk", true, 0, 0, 0},
        {&withOthers, editor::kNoExitAction, "", true, MSG_EXIT_OTHER_CODES_TWICE, IDC_EXIT_OTHER_CODES, 0},
        {&withOthers, 1, "", true, 0, 0, 0},
        {&withOthers, 1, "0", false, MSG_EXIT_CODE_TWICE, IDC_EXIT_CODE, 0},
    };
    for (const auto& e : entries) {
        SCOPED_TRACE(std::string(e.code) + (e.others ? " (every other code)" : ""));
        ServiceDefinition::ExitCodeAction entry;
        const editor::ValidationFailure f = editor::CheckExitAction(e.code, e.others, *e.list, e.replacing, entry);
        EXPECT_EQ(f.messageId, e.id);
        EXPECT_EQ(f.control, e.control);
        if (e.id != 0) continue;
        EXPECT_EQ(entry.anyCode, e.others);
        EXPECT_EQ(entry.code, e.stored);
    }
}

TEST(DefinitionValidation, LogOnTextsAreCheckedWithTheirFocus)
{
    const struct {
        int kind;
        const char *name, *preShutdown, *delay, *reset;
        unsigned id;
        int control;
    } cases[] = {
        {0, "", "", "", "", 0, 0},
        {5, ".\\relay", "600000", "86400000", "4294967295", 0, 0},
        {4, " CORP\\relay$ ", "0", "0", "0", 0, 0},
        {5, " ", "", "", "", MSG_ACCOUNT_NAME_MISSING, IDC_ACCOUNT_NAME},
        {4, "", "", "", "", MSG_ACCOUNT_NAME_MISSING, IDC_ACCOUNT_NAME},
        {4, "CORP\\relay", "", "", "", MSG_MANAGED_ACCOUNT_NO_DOLLAR, IDC_ACCOUNT_NAME},
        {3, "", "600001", "", "", MSG_PRESHUTDOWN_OUT_OF_RANGE, IDC_PRESHUTDOWN_TIMEOUT},
        {0, "", "off", "", "", MSG_PRESHUTDOWN_OUT_OF_RANGE, IDC_PRESHUTDOWN_TIMEOUT},
        {0, "", "", "86400001", "", MSG_RECOVERY_DELAY_OUT_OF_RANGE, IDC_RECOVERY_SECOND_DELAY},
        {0, "", "", "1 min", "x", MSG_RECOVERY_DELAY_OUT_OF_RANGE, IDC_RECOVERY_SECOND_DELAY},
        {0, "", "", "", "4294967296", MSG_RECOVERY_RESET_OUT_OF_RANGE, IDC_RECOVERY_RESET},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + "|" + c.name + "|" + c.preShutdown + "|" + c.delay + "|" + c.reset);
        editor::LogOnValues v;
        v.accountKind = c.kind;
        v.accountName = c.name;
        v.fields.text = {{IDC_PRESHUTDOWN_TIMEOUT, c.preShutdown},
                         {IDC_RECOVERY_SECOND_DELAY, c.delay},
                         {IDC_RECOVERY_RESET, c.reset}};
        const editor::ValidationFailure f = editor::ValidateLogOn(v);
        EXPECT_EQ(f.messageId, c.id);
        EXPECT_EQ(f.page, c.id ? Page::LogOn : Page::None);
        EXPECT_EQ(f.control, c.control);
    }
}

}  // namespace
