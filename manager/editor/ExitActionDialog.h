#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>

#include "PageValues.h"

namespace editor {

// Asks for one exit action: a new one (`editing` kNoExitAction) or the one at `editing`. An
// entry whose code, or "every other code", another entry of `actions` already has is refused
// in the dialog, which then stays open. Nothing when the user cancels.
std::optional<ServiceDefinition::ExitCodeAction> AskExitAction(HWND owner, const ExitActions& actions,
                                                               std::size_t editing);

}  // namespace editor
