#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The platform's file and folder choosers and the start of a program, each through a seam so
// that tests can answer them without a window appearing.
namespace editor {

struct FileRequest {
    HWND owner = nullptr;
    bool save = false;              // the Save dialog, else the Open dialog
    std::string defaultExtension;   // without the dot
    std::string initialName;        // the file name field's starting text
    std::string initialFolder;      // where the dialog starts when given
    std::vector<std::pair<std::string, std::string>> filters;  // shown text, pattern
};

using FileChooser = std::function<std::optional<std::string>(const FileRequest& request)>;
using FolderChooser = std::function<std::optional<std::string>(HWND owner)>;
// Starts a command line without waiting for it; false when it could not be started.
using ProgramStarter = std::function<bool(const std::string& commandLine)>;

// Each setter installs a handler in place of the real one and returns the previous handler;
// an empty handler brings the real one back.
FileChooser SetFileChooser(FileChooser chooser);
FolderChooser SetFolderChooser(FolderChooser chooser);
ProgramStarter SetProgramStarter(ProgramStarter starter);

// The chosen full path, or nothing when the user cancelled.
std::optional<std::string> ChooseFile(const FileRequest& request);
// A file-system folder chosen in the shell's folder browser (with an edit box), or nothing.
std::optional<std::string> ChooseFolder(HWND owner);
bool StartProgram(const std::string& commandLine);

}  // namespace editor
