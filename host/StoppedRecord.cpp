#include "StoppedRecord.h"

#include <algorithm>

namespace stopped_record {

const char kFileName[] = "StoppedForUpgrade.txt";

namespace {

// The service manager's limit for a service name.
constexpr std::size_t kMaxNameLength = 256;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// A service name holds no slash, backslash or control character and is not longer than the
// service manager allows.
bool IsServiceName(const std::string& name)
{
    if (name.empty() || name.size() > kMaxNameLength) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '/' || c == '\\' || (static_cast<unsigned char>(c) < 0x20) || c == 0x7f;
    });
}

}  // namespace

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

Parsed Parse(const std::string& text)
{
    Parsed parsed;
    if (text.size() > kMaxRecordBytes) {
        parsed.error = "it is larger than " + std::to_string(kMaxRecordBytes) + " bytes";
        return parsed;
    }
    std::size_t lineNumber = 0;
    std::string::size_type at = 0;
    while (at < text.size()) {
        std::string::size_type end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (!IsServiceName(line)) {
            parsed.names.clear();
            parsed.error = "line " + std::to_string(lineNumber) + " is not a service name";
            return parsed;
        }
        parsed.names = Merge(std::move(parsed.names), {line});
    }
    return parsed;
}

std::string Text(const std::vector<std::string>& names)
{
    std::string text = "# Services Velmora -stopall stopped; Velmora -startstopped starts them again.\r\n";
    for (const std::string& name : names) text += name + "\r\n";
    return text;
}

std::vector<std::string> Merge(std::vector<std::string> names, const std::vector<std::string>& more)
{
    for (const std::string& name : more)
        if (std::none_of(names.begin(), names.end(), [&name](const std::string& n) { return SameName(n, name); }))
            names.push_back(name);
    return names;
}

}  // namespace stopped_record
