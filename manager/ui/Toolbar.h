#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace ui {

// One button: its command, its 16x16 bitmap among the program's resources and the string
// resource of its tip. A row with command 0 is a separator.
struct ToolButton {
    int command;
    int bitmap;
    UINT tip;
};
constexpr ToolButton kToolSeparator{0, 0, 0};

// The tip of a command of the window that has no button on the toolbar.
struct CommandTip {
    int command;
    UINT tip;
};

// A toolbar along the top of a window, built from a table of buttons, with tooltips. The
// window it is created in destroys it.
class Toolbar {
public:
    template <std::size_t Buttons, std::size_t Tips>
    Toolbar(const ToolButton (&buttons)[Buttons], const CommandTip (&otherTips)[Tips])
        : buttons_(buttons, buttons + Buttons), otherTips_(otherTips, otherTips + Tips)
    {
    }

    bool Create(HWND parent, int id);
    HWND Handle() const { return handle_; }
    // Answers a tooltip's request for the text of a button or other command (empty for an
    // unknown one); false for any other notification.
    bool AnswerToolTip(NMHDR& header) const;

private:
    std::string TipText(UINT_PTR command) const;

    std::vector<ToolButton> buttons_;
    std::vector<CommandTip> otherTips_;
    HWND handle_ = nullptr;
};

// Answers TTN_GETDISPINFOA or TTN_GETDISPINFOW with `text` in the notification's own buffer,
// cut to the 79 characters it holds; false for any other notification.
bool AnswerToolTip(NMHDR& header, const std::string& text);

}  // namespace ui
