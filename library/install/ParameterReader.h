#pragma once

#include <string>

#include "Quillon.h"

namespace registry_data {

// Reads an installed service's Parameters key into `definition`. False when the key cannot be
// opened; the record is then left as it was.
QUILLON_API bool ReadParameters(const std::string& serviceName, ServiceDefinition& definition);

}  // namespace registry_data
