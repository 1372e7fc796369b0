#pragma once

#include <windows.h>

#include <optional>

#include "Quillon.h"

namespace editor {

// Asks for one hook or webhook: a new one (`existing` null) or a change to `existing`. An entry
// that cannot work is refused in the dialog, on its field, which then stays open. Nothing when
// the user cancels.
std::optional<ServiceDefinition::Notification> AskNotification(HWND owner,
                                                               const ServiceDefinition::Notification* existing);

}  // namespace editor
