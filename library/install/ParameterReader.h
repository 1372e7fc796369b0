#pragma once

#include <string>

#include "Quillon.h"
#include "RegistryData.h"

namespace registry_data {

// Reads an installed service's Parameters key into `definition`. False when the key cannot be
// opened; the record is then left as it was. `wrongType`, when given, receives the names of the
// values set aside for their registry type.
QUILLON_API bool ReadParameters(const std::string& serviceName, ServiceDefinition& definition,
                                const ReadLimits& limits = kHostRead, std::vector<std::string>* wrongType = nullptr);

}  // namespace registry_data
