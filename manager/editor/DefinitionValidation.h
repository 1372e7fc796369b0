#pragma once

#include "PageValues.h"
#include "Quillon.h"

namespace editor {

enum class Page { None, Program, Settings, Dependencies, Environment, PrePost, Output };

struct ValidationFailure {
    unsigned messageId = 0;  // 0: the record is valid
    Page page = Page::None;
    int control = 0;         // the control that gets the focus
};

// The checks the editor makes before Install, in their order: the first failing rule wins.
ValidationFailure Validate(const ServiceDefinition& definition);
// The output page's rules, on its texts: a number that does not convert never reaches the
// record, so these are checked before anything is written.
ValidationFailure ValidateOutput(const OutputValues& values);

}  // namespace editor
