#include "JsonText.h"

#include <cstdio>

namespace json {

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence at `i` (1 to 4), or 0 when it is not one:
// overlong forms, surrogates and code points past U+10FFFF count as malformed.
std::size_t SequenceLength(const std::string& s, std::size_t i)
{
    const auto byte = [&s](std::size_t at) { return static_cast<unsigned char>(s[at]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead == 0xE0) length = 3, low = 0xA0;
    else if (lead == 0xED) length = 3, high = 0x9F;
    else if (lead >= 0xE1 && lead <= 0xEF) length = 3;
    else if (lead == 0xF0) length = 4, low = 0x90;
    else if (lead == 0xF4) length = 4, high = 0x8F;
    else if (lead >= 0xF1 && lead <= 0xF3) length = 4;
    else return 0;
    if (i + length > s.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    return length;
}

}  // namespace

std::string Quote(const std::string& text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '"': out += "\\\""; ++i; continue;
        case '\\': out += "\\\\"; ++i; continue;
        case '\n': out += "\\n"; ++i; continue;
        case '\r': out += "\\r"; ++i; continue;
        case '\t': out += "\\t"; ++i; continue;
        default: break;
        }
        if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
            ++i;
            continue;
        }
        const std::size_t length = SequenceLength(text, i);
        if (length == 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        out.append(text, i, length);
        i += length;
    }
    return out + "\"";
}

Object& Object::Raw(const char* name, const std::string& value)
{
    if (!fields_.empty()) fields_ += ",";
    fields_ += Quote(name) + ":" + value;
    return *this;
}

Object& Object::Text(const char* name, const std::string& value) { return Raw(name, Quote(value)); }
Object& Object::Number(const char* name, std::uint64_t value) { return Raw(name, std::to_string(value)); }
Object& Object::Boolean(const char* name, bool value) { return Raw(name, value ? "true" : "false"); }
Object& Object::Null(const char* name) { return Raw(name, "null"); }

std::string Array(const std::vector<Object>& items)
{
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + items[i].Str();
    return out + "]";
}

}  // namespace json
