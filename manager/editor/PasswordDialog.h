#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "SecretText.h"

namespace editor {

// Asks for the password of the account a service logs on as, typed twice; a confirmation that
// differs is refused in the dialog, which then stays open. Nothing when the user cancels.
std::optional<ui::SecretText> AskPassword(HWND owner, const std::string& account);

}  // namespace editor
