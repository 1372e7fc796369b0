#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Quillon.h"

// The multi-string blocks that the service database and the registry hold.
namespace blocks {

// "+group\0" per group, then "service\0" per service, then "\0"; empty when both lists are.
std::vector<char> Dependencies(const std::vector<std::string>& groups, const std::vector<std::string>& services);

// "name=value\0" per variable, then "\0"; empty when there are none.
std::vector<char> Environment(const std::vector<EnvironmentVariable>& variables);

// Byte size of the environment block for these variables (0 for none).
std::uint32_t EnvironmentSize(const std::vector<EnvironmentVariable>& variables);

}  // namespace blocks
