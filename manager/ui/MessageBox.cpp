#include "MessageBox.h"

#include <utility>

#include "PathText.h"

namespace ui {

namespace {
MessageBoxHandler& Handler()
{
    static MessageBoxHandler handler;
    return handler;
}

std::string ProgramBaseName()
{
    std::string name = path_text::ModuleFileName(nullptr);
    const auto slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

std::string& Title()
{
    static std::string title = ProgramBaseName();
    return title;
}
}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    return std::exchange(Handler(), std::move(handler));
}

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT style)
{
    if (Handler()) return Handler()(owner, text, caption, style);
    return MessageBoxA(owner, text.c_str(), caption.c_str(), style);
}

int AppMessageBox(const std::string& text, UINT style)
{
    if ((style & MB_ICONMASK) == 0 && ((style & MB_TYPEMASK) == MB_OK || (style & MB_TYPEMASK) == MB_OKCANCEL)) {
        style |= MB_ICONEXCLAMATION;
    }
    return ShowMessageBox(GetActiveWindow(), text, AppTitle(), style);
}

const std::string& AppTitle() { return Title(); }

void SetAppTitle(const std::string& title) { Title() = title; }

}  // namespace ui
