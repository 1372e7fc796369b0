#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "DefinitionValidation.h"
#include "DefinitionWriter.h"
#include "Definitions.h"

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
         0x6d, Page::Program, 1000},
        {"empty display name", [](ServiceDefinition& d) { d.DisplayName.clear(); }, 0x6e, Page::Program, 1037},
        {"name begins with a digit", [](ServiceDefinition& d) { d.Name = "1abc"; }, 0x6f, Page::Program, 1000},
        {"name with a blank", [](ServiceDefinition& d) { d.Name = "a b"; }, 0x70, Page::Program, 1000},
        {"name with a hyphen", [](ServiceDefinition& d) { d.Name = "a-b"; }, 0x70, Page::Program, 1000},
        {"no program", [](ServiceDefinition& d) { d.Service.Executable.clear(); }, 0x4b0, Page::Program, 1006},
        {"program missing", [&](ServiceDefinition& d) { d.Service.Executable = missing; }, 0x4b1, Page::Program, 1006},
        {"program is a folder", [&](ServiceDefinition& d) { d.Service.Executable = work; }, 0x4b2, Page::Program, 1006},
        {"program not executable", [&](ServiceDefinition& d) { d.Service.Executable = text; }, 0x4b3, Page::Program,
         1006},
        {"no folder", [](ServiceDefinition& d) { d.Service.WorkingDir.clear(); }, 0x4b5, Page::Program, 1005},
        {"folder missing", [&](ServiceDefinition& d) { d.Service.WorkingDir = missing; }, 0x4b6, Page::Program, 1005},
        {"folder is a file", [&](ServiceDefinition& d) { d.Service.WorkingDir = text; }, 0x4b7, Page::Program, 1005},
        {"pre-service without program is not checked",
         [&](ServiceDefinition& d) { d.PreService.WorkingDir = missing; d.PreService.Parameters = "x"; }, 0, Page::None,
         0},
        {"pre-service program missing", [&](ServiceDefinition& d) { d.PreService.Executable = missing; }, 0x4ca,
         Page::PrePost, 1049},
        {"pre-service folder empty", [&](ServiceDefinition& d) { d.PreService.Executable = exe; }, 0x4cd, Page::PrePost,
         1048},
        {"post-service program not executable", [&](ServiceDefinition& d) { d.PostService.Executable = text; }, 0x4e5,
         Page::PrePost, 1013},
        {"post-service folder is a file",
         [&](ServiceDefinition& d) { d.PostService.Executable = exe; d.PostService.WorkingDir = text; }, 0x4e8,
         Page::PrePost, 1011},
        {"monitoring every 49 ms", [](ServiceDefinition& d) { d.SMFFrequency = 49; }, 0x71, Page::Settings, 1041},
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
