#include "SettingText.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace settings {

namespace {

constexpr std::uint64_t kMost = std::numeric_limits<std::uint32_t>::max();

struct UnitWord {
    const char* text;
    std::uint64_t factor;  // in ms, or in bytes
};
constexpr UnitWord kDurations[] = {{"ms", 1}, {"s", 1000}, {"min", 60000}, {"h", 3600000}};
constexpr UnitWord kSizes[] = {{"KB", 1024}, {"MB", 1024 * 1024}, {"GB", 1024 * 1024 * 1024}};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Byte-wise ASCII comparison: the locale must not change which words count.
bool SameWord(const std::string& text, const char* word)
{
    std::size_t i = 0;
    for (; i < text.size() && word[i]; ++i)
        if (Lower(text[i]) != Lower(word[i])) return false;
    return i == text.size() && !word[i];
}

bool IsDuration(Unit unit) { return unit == Unit::Milliseconds || unit == Unit::Seconds; }

// What one of the row's numbers is, in ms or bytes.
std::uint64_t Factor(Unit unit)
{
    switch (unit) {
    case Unit::Seconds: return 1000;
    case Unit::Megabytes: return 1024 * 1024;
    default: return 1;
    }
}

std::string Range(const Setting& row)
{
    if (row.kind == Kind::Number) return {};
    return "  Valid range is [" + std::to_string(row.min) + ", " + std::to_string(row.max) + "].";
}

std::string Invalid(const Setting& row, const std::string& text)
{
    return "Invalid value (" + text + ") for element \"" + row.element + "\"";
}

Reading Refuse(const Setting& row, const std::string& text, const std::string& why)
{
    Reading r;
    r.status = Reading::Status::Refused;
    r.problem = Invalid(row, text) + ": " + why + "." + Range(row);
    return r;
}

Reading ReadWord(const Setting& row, const std::string& text, const std::string& word)
{
    for (const settings::Word* w = row.words; w->text; ++w) {
        if (!SameWord(word, w->text)) continue;
        Reading r;
        r.status = Reading::Status::Value;
        r.value = w->value;
        return r;
    }
    std::string known;
    for (const settings::Word* w = row.words; w->text; ++w) {
        known += known.empty() ? "" : w[1].text ? ", " : " or ";
        known += std::string(w->text) + " (" + std::to_string(w->value) + ")";
    }
    Reading r;
    r.status = Reading::Status::Refused;
    r.problem = Invalid(row, text) + ".  Valid values are " + known + ", in any letter case, or a number from " +
                std::to_string(row.min) + " to " + std::to_string(row.max) + ".";
    return r;
}

}  // namespace

const char* UnitName(Unit unit)
{
    switch (unit) {
    case Unit::Milliseconds: return "ms";
    case Unit::Seconds: return "seconds";
    case Unit::Bytes: return "bytes";
    case Unit::Megabytes: return "MB";
    default: return "";
    }
}

Reading ReadWordOrUnit(const Setting& row, const std::string& text)
{
    std::size_t start = 0;
    std::size_t end = text.size();
    while (start < end && IsBlank(text[start])) ++start;
    while (end > start && IsBlank(text[end - 1])) --end;
    const std::string trimmed = text.substr(start, end - start);
    if (row.words && !trimmed.empty() && IsLetter(trimmed[0])) return ReadWord(row, text, trimmed);
    if (row.unit == Unit::None) return {};

    // Decimal digits, blanks or none, then letters to the end: anything else is a plain number's.
    std::size_t i = 0;
    std::uint64_t number = 0;
    for (; i < trimmed.size() && IsDigit(trimmed[i]); ++i)
        number = std::min<std::uint64_t>(number * 10 + static_cast<std::uint64_t>(trimmed[i] - '0'), kMost + 1);
    if (i == 0) return {};
    std::size_t unitStart = i;
    while (unitStart < trimmed.size() && IsBlank(trimmed[unitStart])) ++unitStart;
    if (unitStart == trimmed.size()) return {};
    for (std::size_t j = unitStart; j < trimmed.size(); ++j)
        if (!IsLetter(trimmed[j])) return {};
    const std::string unit = trimmed.substr(unitStart);

    const bool duration = IsDuration(row.unit);
    const UnitWord* const first = duration ? std::begin(kDurations) : std::begin(kSizes);
    const UnitWord* const last = duration ? std::end(kDurations) : std::end(kSizes);
    const UnitWord* found = std::find_if(first, last, [&unit](const UnitWord& u) { return SameWord(unit, u.text); });
    if (found == last) found = nullptr;
    if (!found)
        return Refuse(row, text, "\"" + unit + "\" is no unit of a " +
                                     (duration ? std::string("duration; write ms, s, min or h")
                                               : std::string("size; write KB, MB or GB")) +
                                     " after the number");
    // At most 2^32 times 2^30: no overflow in 64 bits.
    const std::uint64_t total = number * found->factor;
    const char* own = UnitName(row.unit);
    if (total % Factor(row.unit) != 0) return Refuse(row, text, std::string("that is not a whole number of ") + own);
    const std::uint64_t value = total / Factor(row.unit);
    if (value > kMost) return Refuse(row, text, "that is more than " + std::to_string(kMost) + " " + own);

    Reading r;
    r.value = static_cast<std::uint32_t>(value);
    if (r.value < row.min || r.value > row.max) {
        r.status = Reading::Status::OutOfRange;
        r.problem = Invalid(row, text) + ": that is " + std::to_string(value) + " " + own + "." + Range(row);
        return r;
    }
    r.status = Reading::Status::Value;
    return r;
}

}  // namespace settings
