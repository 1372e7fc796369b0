#include "UnsignedText.h"

namespace unsigned_text {

bool IsBlank(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsBlank(const unsigned char* text)
{
    for (; *text; ++text) {
        if (!IsBlank(*text)) return false;
    }
    return true;
}

namespace {

int DigitValue(unsigned char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

}  // namespace

Conversion Convert(const unsigned char* text)
{
    Conversion result;
    std::size_t pos = 0;
    while (IsBlank(text[pos])) ++pos;
    result.start = pos;
    result.end = pos;
    result.negative = text[pos] == '-';
    if (text[pos] == '+' || text[pos] == '-') ++pos;

    // A lone "0x" is the number 0 followed by the letter x, as the C library reads it.
    int base = 10;
    if (text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X') && DigitValue(text[pos + 2]) < 16) {
        base = 16;
        pos += 2;
    } else if (text[pos] == '0') {
        base = 8;
    }

    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (int d; (d = DigitValue(text[pos])) < base; ++pos, ++digits) {
        value = value * base + d;
        if (value > 0xFFFFFFFFull) {
            result.overflow = true;
            value = 0xFFFFFFFFull + 1;  // keep it saturated so it cannot wrap
        }
    }
    if (digits == 0) return result;
    result.end = pos;
    result.value = result.overflow ? 0 : static_cast<std::uint32_t>(value);
    return result;
}

}  // namespace unsigned_text
