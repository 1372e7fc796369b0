#pragma once

#include <cstdint>
#include <string>
#include <vector>

// JSON for scripts (PowerShell's ConvertFrom-Json, deployment and monitoring tools): UTF-8 text,
// every string escaped, and bytes that are not UTF-8 replaced by U+FFFD so the output always parses.
namespace json {

// `text` as a JSON string, quotes included.
std::string Quote(const std::string& text);

// One object, its fields in the order they are added.
class Object {
public:
    Object& Text(const char* name, const std::string& value);
    Object& Number(const char* name, std::uint64_t value);
    Object& Boolean(const char* name, bool value);
    Object& Null(const char* name);
    std::string Str() const { return "{" + fields_ + "}"; }

private:
    Object& Raw(const char* name, const std::string& value);
    std::string fields_;
};

std::string Array(const std::vector<Object>& items);

}  // namespace json
