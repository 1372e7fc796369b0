#pragma once

#include <cstdint>
#include <cstddef>

// Parsing of unsigned integer text in automatic base (decimal, octal after a leading 0,
// hexadecimal after 0x), with the same results on every platform whatever the width of long.
namespace unsigned_text {

bool IsBlank(unsigned char c);
bool IsBlank(const unsigned char* text);  // empty or blanks only

struct Conversion {
    std::size_t start = 0;      // first character after leading blanks
    std::size_t end = 0;        // where the conversion stopped (start when no digit was read)
    bool negative = false;      // the text at start is a minus sign
    bool overflow = false;      // the digits exceed 32 bits
    std::uint32_t value = 0;
};

Conversion Convert(const unsigned char* text);

}  // namespace unsigned_text
