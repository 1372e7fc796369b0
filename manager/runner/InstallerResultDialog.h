#pragma once

#include <windows.h>

#include <string>

#include "Dialog.h"

namespace runner {

// A result with a message-table text and the host's captured output behind "Details...".
class InstallerResultDialog : public ui::Dialog {
public:
    InstallerResultDialog(DWORD messageId, std::string caption, std::string details);

    // The message text without its trailing line break, as the dialog shows it.
    const std::string& MessageText() const { return messageText_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    std::string messageText_;
    std::string caption_;
    std::string details_;
};

}  // namespace runner
