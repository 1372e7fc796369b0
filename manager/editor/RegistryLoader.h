#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Quillon.h"

// Rebuilding the definition of an installed service from its registry parameters. The data is
// untrusted: every function here reads only the bytes it is given.
namespace registry_loader {

// Strings are read into a buffer of this size; a larger value counts as missing.
constexpr std::size_t kTextLimit = 8192;
constexpr std::size_t kNumberSize = 4;
constexpr std::size_t kWhole = static_cast<std::size_t>(-1);
// What the library puts before the display name in the service database.
constexpr char kDisplayNamePrefix[] = "Velmora Service: ";

// Where the loader reads named values: the service's Parameters key, or a table in tests.
class ValueSource {
public:
    virtual ~ValueSource() = default;
    // The bytes of the value when it can be read and holds at most `limit` bytes.
    virtual std::optional<std::string> Read(const char* name, std::size_t limit) = 0;
};

// A number is exactly four bytes, little-endian, whatever the value's type says.
std::optional<std::uint32_t> NumberFromData(const std::string& data);
// Up to the first NUL, or every byte when there is none.
std::string TextFromData(const std::string& data);
// The display name without the library's prefix (exact case only).
std::string WithoutDisplayNamePrefix(const std::string& displayName);

struct Dependencies {
    std::vector<std::string> services;
    std::vector<std::string> groups;  // stored with a leading "+"
};
// Walks the strings of a multi-string until an empty one or the end of the data.
Dependencies DependenciesFromData(const std::string& data);
// The "name=value" entries; entries without a name, an "=" or a value are left out.
std::vector<EnvironmentVariable> EnvironmentFromData(const std::string& data);

// Fills a record that holds the new-definition values from the source's values; values that
// cannot be read give their fields the documented missing values.
void LoadDefinition(ValueSource& source, const std::string& serviceName, ServiceDefinition& record);

// The Windows side: reads "SYSTEM\CurrentControlSet\Services\<name>\Parameters". False, with
// the record untouched, when the key cannot be opened.
bool LoadFromRegistry(const std::string& serviceName, ServiceDefinition& record);

}  // namespace registry_loader
