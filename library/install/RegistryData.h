#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Quillon.h"

// Reading a service's stored parameters back: the values are untrusted bytes, so every parse
// is bounded by the size given and tolerates a missing or misplaced terminator.
namespace registry_data {

// The bytes of one stored value, or nothing when it cannot be read.
using RawValue = std::optional<std::vector<char>>;
// Fetches a value of the Parameters key by name.
using ValueSource = std::function<RawValue(const char* name)>;

// The text up to the first zero byte, or all of the data when it holds none.
QUILLON_API std::string Text(const char* data, std::size_t size);
// A number is exactly four little-endian bytes; any other size is no number.
QUILLON_API std::optional<std::uint32_t> Number(const char* data, std::size_t size);

// Dependency strings: "+group" entries go to `groups`, the rest to `services`; an empty string
// or the end of the data ends the walk, and a lone "+" is skipped.
QUILLON_API void SplitDependencies(const char* data, std::size_t size, std::vector<std::string>& groups,
                                   std::vector<std::string>& services);
// "name=value" entries; empty names, empty values and entries without "=" are skipped.
QUILLON_API std::vector<EnvironmentVariable> EnvironmentEntries(const char* data, std::size_t size);

// Fills `definition` from the values as the editor and the host both read them: a value that
// cannot be read takes its missing-value default, "AutoRestart" stands in for a missing
// "UponExit", and the display name loses the service database prefix.
QUILLON_API void LoadParameters(const ValueSource& source, const std::string& serviceName,
                                ServiceDefinition& definition);

}  // namespace registry_data
