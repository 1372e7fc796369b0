#include "NameValue.h"

#include "UnsignedText.h"

NameValueBase::NameValueBase(const char* name) : name_(name ? name : "") {}

NameValueBase::~NameValueBase() = default;

bool NameValueBase::Fail(const std::string& error)
{
    error_ = error;
    return false;
}

NameValueUnsignedInt::NameValueUnsignedInt(const char* name) : NameValueBase(name) {}

NameValueUnsignedInt::NameValueUnsignedInt(const char* name, unsigned int value)
    : NameValueBase(name), value_(value)
{
    MarkSet();
}

NameValueUnsignedInt::~NameValueUnsignedInt() = default;

bool NameValueUnsignedInt::SetValue(const unsigned char* text)
{
    if (!text) return Fail("NULL value");

    const unsigned_text::Conversion number = unsigned_text::Convert(text);
    std::size_t rest = number.end;
    while (unsigned_text::IsBlank(text[rest])) ++rest;
    if (text[rest] != '\0') {
        const char* start = reinterpret_cast<const char*>(text) + number.start;
        return Fail("Invalid trailing characters in integer \"" + std::string(start) + "\"");
    }
    if (number.negative || number.overflow) return Fail("Integer out of range");

    value_ = number.value;
    MarkSet();
    return true;
}

NameValueXMLString::NameValueXMLString(const char* name, const unsigned char* value) : NameValueBase(name)
{
    if (value) {
        value_ = value;
        MarkSet();
    }
}

NameValueXMLString::~NameValueXMLString() = default;

bool NameValueXMLString::SetValue(const unsigned char* text)
{
    if (!text) return Fail("NULL string");
    value_ = text;
    MarkSet();
    return true;
}
