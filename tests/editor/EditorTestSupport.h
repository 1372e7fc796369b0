#pragma once

#include <windows.h>

#include <commctrl.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Definitions.h"
#include "EditorOwner.h"
#include "ServiceEditorDialog.h"
#include "ShellDialogs.h"

// The main window's side of an editor: records every install it is asked for.
class FakeOwner : public editor::EditorOwner {
public:
    struct InstallCall {
        std::string name, path, content;
        bool start = false;
        std::optional<std::string> password;
    };

    void InstallServiceDefinition(const std::string& serviceName, const std::string& definitionPath,
                                  bool startAfterInstall, const ui::SecretText* password) override;
    std::string InstallationDir() const override { return installationDir; }
    HWND OwnerWindow() const override { return nullptr; }

    std::vector<InstallCall> installs;
    std::string installationDir;
    // Runs for each install after it is recorded, for tests that really install.
    std::function<void(const InstallCall&)> onInstall;
};

// Answers the file dialogs with queued answers (nothing queued: cancelled) and keeps the requests.
class FileChooserStub {
public:
    FileChooserStub();
    ~FileChooserStub();
    FileChooserStub(const FileChooserStub&) = delete;
    FileChooserStub& operator=(const FileChooserStub&) = delete;

    std::vector<editor::FileRequest> requests;
    std::deque<std::optional<std::string>> answers;

private:
    editor::FileChooser previous_;
};

class FolderChooserStub {
public:
    FolderChooserStub();
    ~FolderChooserStub();
    FolderChooserStub(const FolderChooserStub&) = delete;
    FolderChooserStub& operator=(const FolderChooserStub&) = delete;

    int calls = 0;
    std::optional<std::string> answer;

private:
    editor::FolderChooser previous_;
};

class ProgramStarterStub {
public:
    ProgramStarterStub();
    ~ProgramStarterStub();
    ProgramStarterStub(const ProgramStarterStub&) = delete;
    ProgramStarterStub& operator=(const ProgramStarterStub&) = delete;

    std::vector<std::string> commands;

private:
    editor::ProgramStarter previous_;
};

// Page positions in the sheet, in tab order.
enum PageIndex { kProgramPage, kSettingsPage, kDependenciesPage, kEnvironmentPage, kPrePostPage, kOutputPage,
                 kSupervisionPage, kLogOnPage, kHealthPage, kLimitsPage, kNotifyPage };

// An open editor over a folder with the DTD, a program and a working folder, and a fake owner
// whose installation directory is that folder.
class EditorFixture {
public:
    EditorFixture();
    ~EditorFixture();

    editor::ServiceEditorDialog& Editor() { return *editor_; }
    HWND Page(int index);
    // A button click as its parent sees it, on the editor (page < 0) or on a page.
    void Click(int id, int page = -1);
    void SetText(int page, int id, const std::string& text);
    // A choice in a drop-down list, as the page sees a user's.
    void Choose(int page, int id, int position);
    std::string Text(int page, int id);
    // Fills the Program page with a definition that passes validation.
    void FillValid(const std::string& name = "Relay1");
    // Opens a definition file through the Open command; true when it loaded.
    bool OpenFile(const std::string& path);
    // Replaces the editor with a new one (New or Edit of a service).
    void Reopen(const std::string& serviceName = "");

    FakeOwner owner;
    DefinitionDir dir;
    std::string program, folder;

private:
    std::unique_ptr<editor::ServiceEditorDialog> editor_;
};

std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// A list view's cell text.
std::string CellText(HWND list, int row, int column);
