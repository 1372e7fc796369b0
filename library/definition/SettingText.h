#pragma once

#include <cstdint>
#include <string>

#include "Settings.h"

// A setting's number written as a person writes it by hand: one of the row's words
// ("RestartService" for 1), or a decimal number with a unit ("10 min", "512 KB") converted into
// the row's own unit. The reader reads plain numbers as it always has and asks this for any other
// text; the editor's fields take plain numbers in the unit they name.
namespace settings {

struct Reading {
    enum class Status {
        Plain,       // neither a word nor a number with a unit: read it as a plain number
        Value,       // `value`, within the row's range
        OutOfRange,  // `value`, converted, outside the row's range; `problem` says so
        Refused,     // `problem` says why: an unknown word or unit, too large for 32 bits, not a whole number
    } status = Status::Plain;
    std::uint32_t value = 0;
    std::string problem;  // the reader's message, naming the element and the value in its own unit
};

Reading ReadWordOrUnit(const Setting& row, const std::string& text);

// The row's unit as its messages and the README name it ("ms", "seconds", "bytes", "MB"); empty
// for none.
const char* UnitName(Unit unit);

}  // namespace settings
