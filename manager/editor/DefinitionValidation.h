#pragma once

#include "Quillon.h"

// The checks the editor makes before Install, in their order: the first failing rule wins.
namespace definition_validation {

enum class Page { None, Program, Settings, Dependencies, Environment, PrePost };

struct Failure {
    unsigned messageId = 0;  // 0: the record is valid
    Page page = Page::None;
    int control = 0;         // the control that gets the focus
};

Failure Validate(const ServiceDefinition& definition);

}  // namespace definition_validation
