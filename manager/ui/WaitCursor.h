#pragma once

#include <windows.h>

namespace ui {

// Shows the hourglass for its lifetime and puts the previous cursor back at the end.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    // Shows the hourglass again, for instance after a message box took the cursor away.
    void Restore() const { SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }

private:
    HCURSOR previous_;
};

}  // namespace ui
