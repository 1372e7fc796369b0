#include "Toolbar.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "Messages.h"

namespace ui {

namespace {
constexpr int kImageSize = 16;
// What the notification's own buffer holds before its terminating zero, in either form.
constexpr std::size_t kLongestTip = sizeof(NMTTDISPINFOA::szText) - 1;
static_assert(sizeof(NMTTDISPINFOW::szText) / sizeof(WCHAR) - 1 == kLongestTip);
}  // namespace

bool Toolbar::Create(HWND parent, int id)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    handle_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER | TBSTYLE_TOOLTIPS | CCS_TOP,
                              0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (!handle_) return false;
    SendMessageA(handle_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    // Windows' default of 16x15 would cut the images' bottom row (Wine's default is 16x16).
    SendMessageA(handle_, TB_SETBITMAPSIZE, 0, MAKELONG(kImageSize, kImageSize));
    for (const ToolButton& tool : buttons_) {
        TBBUTTON button{};
        if (tool.command == 0) {
            button.fsStyle = BTNS_SEP;
        } else {
            TBADDBITMAP bitmap{instance, static_cast<UINT_PTR>(tool.bitmap)};
            button.iBitmap = static_cast<int>(SendMessageA(handle_, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&bitmap)));
            button.idCommand = tool.command;
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON;
        }
        SendMessageA(handle_, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    }
    SendMessageA(handle_, TB_AUTOSIZE, 0, 0);
    return true;
}

std::string Toolbar::TipText(UINT_PTR command) const
{
    for (const ToolButton& tool : buttons_) {
        if (tool.command != 0 && static_cast<UINT_PTR>(tool.command) == command) {
            return messages::StringResource(tool.tip);
        }
    }
    for (const CommandTip& other : otherTips_) {
        if (static_cast<UINT_PTR>(other.command) == command) return messages::StringResource(other.tip);
    }
    return {};
}

bool Toolbar::AnswerToolTip(NMHDR& header) const
{
    if (header.code != TTN_GETDISPINFOA && header.code != TTN_GETDISPINFOW) return false;
    return ui::AnswerToolTip(header, TipText(header.idFrom));
}

bool AnswerToolTip(NMHDR& header, const std::string& text)
{
    const std::size_t length = std::min(text.size(), kLongestTip);
    if (header.code == TTN_GETDISPINFOA) {
        auto& info = reinterpret_cast<NMTTDISPINFOA&>(header);
        std::memcpy(info.szText, text.data(), length);
        info.szText[length] = '\0';
        info.lpszText = info.szText;
        info.hinst = nullptr;
        return true;
    }
    if (header.code == TTN_GETDISPINFOW) {
        auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
        const int converted = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(length), info.szText,
                                                  static_cast<int>(kLongestTip));
        info.szText[converted > 0 ? converted : 0] = L'\0';
        info.lpszText = info.szText;
        info.hinst = nullptr;
        return true;
    }
    return false;
}

}  // namespace ui
