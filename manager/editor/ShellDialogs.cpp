#include "ShellDialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include "PathText.h"
#include "UniqueResource.h"

namespace editor {

namespace {

template <typename Handler>
Handler& Current()
{
    static Handler handler;
    return handler;
}

std::optional<std::string> RealChooseFile(const FileRequest& request)
{
    // The filter list is pairs of texts, each ended by a NUL, and one more NUL at the end.
    std::string filter;
    for (const auto& [text, pattern] : request.filters) {
        filter += text;
        filter += '\0';
        filter += pattern;
        filter += '\0';
    }
    filter += '\0';

    char path[path_text::kMaxPathBytes] = {};
    request.initialName.copy(path, sizeof path - 1);

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = request.owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrInitialDir = request.initialFolder.empty() ? nullptr : request.initialFolder.c_str();
    dialog.lpstrDefExt = request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
    dialog.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_NOCHANGEDIR;
    const BOOL chosen = request.save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (!chosen) return std::nullopt;
    return std::string(path);
}

std::optional<std::string> RealChooseFolder(HWND owner)
{
    BROWSEINFOA browse{};
    browse.hwndOwner = owner;
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&browse);
    if (!chosen) return std::nullopt;
    // The 8-bit call assumes a buffer of MAX_PATH bytes, too few for a path in UTF-8.
    wchar_t path[MAX_PATH] = {};
    const BOOL converted = SHGetPathFromIDListW(chosen, path);
    CoTaskMemFree(chosen);
    if (!converted) return std::nullopt;
    char text[path_text::kMaxPathBytes] = {};
    if (!WideCharToMultiByte(CP_ACP, 0, path, -1, text, sizeof text, nullptr, nullptr)) return std::nullopt;
    return std::string(text);
}

bool RealStartProgram(const std::string& commandLine)
{
    std::string line = commandLine;  // CreateProcessA may write into its command line
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    return true;
}

}  // namespace

FileChooser SetFileChooser(FileChooser chooser) { return std::exchange(Current<FileChooser>(), std::move(chooser)); }

FolderChooser SetFolderChooser(FolderChooser chooser)
{
    return std::exchange(Current<FolderChooser>(), std::move(chooser));
}

ProgramStarter SetProgramStarter(ProgramStarter starter)
{
    return std::exchange(Current<ProgramStarter>(), std::move(starter));
}

std::optional<std::string> ChooseFile(const FileRequest& request)
{
    if (const auto& chooser = Current<FileChooser>()) return chooser(request);
    return RealChooseFile(request);
}

std::optional<std::string> ChooseFolder(HWND owner)
{
    if (const auto& chooser = Current<FolderChooser>()) return chooser(owner);
    return RealChooseFolder(owner);
}

bool StartProgram(const std::string& commandLine)
{
    if (const auto& starter = Current<ProgramStarter>()) return starter(commandLine);
    return RealStartProgram(commandLine);
}

}  // namespace editor
