#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ui {

// Every message box of the program goes through here, so tests can answer boxes without
// showing them.
using MessageBoxHandler =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT style)>;

// Installs a handler in place of the real box and returns the previous one; an empty handler
// brings the real box back.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style);

// The application's box: owned by the active window, with the application title as caption;
// without an icon in `style`, OK and OK/Cancel boxes get the exclamation icon.
int AppMessageBox(const std::string& text, UINT style);

// The application title: by default the base name of the program file.
const std::string& AppTitle();
void SetAppTitle(const std::string& title);

}  // namespace ui
