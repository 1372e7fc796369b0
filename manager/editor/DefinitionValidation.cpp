#include "DefinitionValidation.h"

#include "Platform.h"

namespace editor {

namespace {

// Message ids of one program block's checks: program missing, unreadable, not a regular file,
// not executable; folder missing, unreadable, not a directory.
struct BlockMessages {
    unsigned exeEmpty, exeUnreadable, exeNotRegular, exeNotExecutable;
    unsigned dirEmpty, dirUnreadable, dirNotDirectory;
    Page page;
    int exeControl, dirControl;
};

const BlockMessages kService{0x4b0, 0x4b1, 0x4b2, 0x4b3, 0x4b5, 0x4b6, 0x4b7, Page::Program, 1006, 1005};
const BlockMessages kPre{0, 0x4ca, 0x4cb, 0x4cc, 0x4cd, 0x4ce, 0x4cf, Page::PrePost, 1049, 1048};
const BlockMessages kPost{0, 0x4e3, 0x4e4, 0x4e5, 0x4e6, 0x4e7, 0x4e8, Page::PrePost, 1013, 1011};

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

ValidationFailure CheckBlock(const ServiceDefinition::Invocation& block, const BlockMessages& m)
{
    if (block.Executable.empty()) return {m.exeEmpty, m.page, m.exeControl};
    const platform::FileStatus program = platform::QueryFileStatus(block.Executable);
    if (program.kind == platform::FileKind::Missing) return {m.exeUnreadable, m.page, m.exeControl};
    if (program.kind != platform::FileKind::Regular) return {m.exeNotRegular, m.page, m.exeControl};
    if (!program.executable) return {m.exeNotExecutable, m.page, m.exeControl};

    if (block.WorkingDir.empty()) return {m.dirEmpty, m.page, m.dirControl};
    const platform::FileStatus folder = platform::QueryFileStatus(block.WorkingDir);
    if (folder.kind == platform::FileKind::Missing) return {m.dirUnreadable, m.page, m.dirControl};
    if (folder.kind != platform::FileKind::Directory) return {m.dirNotDirectory, m.page, m.dirControl};
    return {};
}

}  // namespace

ValidationFailure Validate(const ServiceDefinition& d)
{
    constexpr int kShortName = 1000;
    constexpr int kDisplayName = 1037;
    constexpr int kMonitoringInterval = 1041;

    if (d.Name.empty()) return {0x6d, Page::Program, kShortName};
    if (d.DisplayName.empty()) return {0x6e, Page::Program, kDisplayName};
    if (!IsLetter(d.Name[0])) return {0x6f, Page::Program, kShortName};
    for (char c : d.Name) {
        if (!IsLetter(c) && !IsDigit(c)) return {0x70, Page::Program, kShortName};
    }
    ValidationFailure failure = CheckBlock(d.Service, kService);
    // A pre- or post-service block without a program is not looked at at all.
    if (failure.messageId == 0 && !d.PreService.Executable.empty()) failure = CheckBlock(d.PreService, kPre);
    if (failure.messageId == 0 && !d.PostService.Executable.empty()) failure = CheckBlock(d.PostService, kPost);
    if (failure.messageId != 0) return failure;
    if (d.SMFEnabled != 0 && d.SMFFrequency < 50) return {0x71, Page::Settings, kMonitoringInterval};
    return {};
}

}  // namespace editor
