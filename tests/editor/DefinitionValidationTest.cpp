#include <gtest/gtest.h>

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
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ServiceDefinition d = valid();
        c.change(d);
        const editor::ValidationFailure f = Validate(d);
        EXPECT_EQ(f.messageId, c.id);
        EXPECT_EQ(f.page, c.page);
        EXPECT_EQ(f.control, c.control);
    }
}

}  // namespace
