#pragma once

#include "Quillon.h"

namespace editor {

enum class Page { None, Program, Settings, Dependencies, Environment, PrePost };

struct ValidationFailure {
    unsigned messageId = 0;  // 0: the record is valid
    Page page = Page::None;
    int control = 0;         // the control that gets the focus
};

// The checks the editor makes before Install, in their order: the first failing rule wins.
ValidationFailure Validate(const ServiceDefinition& definition);

}  // namespace editor
