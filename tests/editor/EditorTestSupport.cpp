#include "EditorTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Dialog.h"
#include "Seams.h"

void FakeOwner::InstallServiceDefinition(const std::string& serviceName, const std::string& definitionPath,
                                         bool startAfterInstall, const ui::SecretText* password)
{
    installs.push_back({serviceName, definitionPath, ReadFile(definitionPath), startAfterInstall, std::nullopt});
    if (password) installs.back().password = std::string(password->View());
    if (onInstall) onInstall(installs.back());
}

FileChooserStub::FileChooserStub()
{
    previous_ = editor::SetFileChooser([this](const editor::FileRequest& request) {
        requests.push_back(request);
        if (answers.empty()) return std::optional<std::string>();
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    });
}
FileChooserStub::~FileChooserStub() { editor::SetFileChooser(std::move(previous_)); }

FolderChooserStub::FolderChooserStub()
{
    previous_ = editor::SetFolderChooser([this](HWND) {
        ++calls;
        return answer;
    });
}
FolderChooserStub::~FolderChooserStub() { editor::SetFolderChooser(std::move(previous_)); }

ProgramStarterStub::ProgramStarterStub()
{
    previous_ = editor::SetProgramStarter([this](const std::string& command) {
        commands.push_back(command);
        return true;
    });
}
ProgramStarterStub::~ProgramStarterStub() { editor::SetProgramStarter(std::move(previous_)); }

EditorFixture::EditorFixture()
{
    program = dir.Program("relay.exe");
    folder = dir.Folder("work");
    owner.installationDir = dir.Path().string();
    Reopen();
}

EditorFixture::~EditorFixture() = default;

void EditorFixture::Reopen(const std::string& serviceName)
{
    editor_.reset();
    editor_ = serviceName.empty() ? std::make_unique<editor::ServiceEditorDialog>(owner)
                                  : std::make_unique<editor::ServiceEditorDialog>(owner, serviceName);
    EXPECT_TRUE(editor_->Open(serviceName.empty() ? "New Service Definition" : "Edit Service Definition"));
}

HWND EditorFixture::Page(int index) { return PropSheet_IndexToHwnd(editor_->Sheet().Handle(), index); }

void EditorFixture::Click(int id, int page)
{
    HWND parent = page < 0 ? editor_->Handle() : Page(page);
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(parent, id)));
}

void EditorFixture::SetText(int page, int id, const std::string& text)
{
    SetWindowTextA(GetDlgItem(Page(page), id), text.c_str());
}

void EditorFixture::Choose(int page, int id, int position)
{
    HWND list = GetDlgItem(Page(page), id);
    SendMessageA(list, CB_SETCURSEL, position, 0);
    SendMessageA(Page(page), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

std::string EditorFixture::Text(int page, int id) { return ui::WindowText(GetDlgItem(Page(page), id)); }

void EditorFixture::FillValid(const std::string& name)
{
    SetText(kProgramPage, 1000, name);
    SetText(kProgramPage, 1037, "Relay " + name);
    SetText(kProgramPage, 1006, program);
    SetText(kProgramPage, 1005, folder);
}

bool EditorFixture::OpenFile(const std::string& path)
{
    FileChooserStub files;
    files.answers.push_back(path);
    bool failed = false;
    ModalRecorder result([&](ui::Dialog&) { failed = true; });
    Click(1078);
    return !failed;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string CellText(HWND list, int row, int column)
{
    char text[1024] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

namespace {
// No test may open a real file dialog, folder browser or program: outside a stub, each is a
// failure answered at once (a started program would outlive the test and hold its output).
class NothingStarts : public ::testing::Environment {
public:
    void SetUp() override
    {
        editor::SetFileChooser([](const editor::FileRequest&) {
            ADD_FAILURE() << "unexpected file dialog";
            return std::optional<std::string>();
        });
        editor::SetFolderChooser([](HWND) {
            ADD_FAILURE() << "unexpected folder browser";
            return std::optional<std::string>();
        });
        editor::SetProgramStarter([](const std::string& command) {
            ADD_FAILURE() << "unexpected program start: " << command;
            return false;
        });
    }
};

[[maybe_unused]] ::testing::Environment* const nothingStarts = ::testing::AddGlobalTestEnvironment(new NothingStarts);
}  // namespace
