#pragma once

#include <string>

// UTF-8 bytes exactly as the XML parser delivers them.
using XMLString = std::basic_string<unsigned char>;

// A named setting that parses its own text and keeps the text of its last error.
class NameValueBase {
public:
    explicit NameValueBase(const char* name);
    NameValueBase(const NameValueBase&) = default;
    NameValueBase& operator=(const NameValueBase&) = default;
    virtual ~NameValueBase();

    const std::string& Name() const { return name_; }
    const std::string& Error() const { return error_; }
    bool HasValue() const { return hasValue_; }

    virtual bool SetValue(const unsigned char* text) = 0;

protected:
    bool Fail(const std::string& error);
    void MarkSet() { hasValue_ = true; }

private:
    std::string name_;
    std::string error_;
    bool hasValue_ = false;
};

class NameValueUnsignedInt : public NameValueBase {
public:
    explicit NameValueUnsignedInt(const char* name);
    NameValueUnsignedInt(const char* name, unsigned int value);
    NameValueUnsignedInt(const NameValueUnsignedInt&) = default;
    NameValueUnsignedInt& operator=(const NameValueUnsignedInt&) = default;
    ~NameValueUnsignedInt() override;

    bool SetValue(const unsigned char* text) override;
    unsigned int Value() const { return value_; }

private:
    unsigned int value_ = 0;
};

class NameValueXMLString : public NameValueBase {
public:
    NameValueXMLString(const char* name, const unsigned char* value);
    NameValueXMLString(const NameValueXMLString&) = default;
    NameValueXMLString& operator=(const NameValueXMLString&) = default;
    ~NameValueXMLString() override;

    bool SetValue(const unsigned char* text) override;
    const XMLString& Value() const { return value_; }

private:
    XMLString value_;
};
