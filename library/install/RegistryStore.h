#pragma once

#include <string>

#include "Quillon.h"

// The service's definition as registry values under its Parameters key, and its event-log
// source. Every failure throws CExcep; values written before it stay.
namespace registry_store {

extern const char kEventSourceKey[];  // "SYSTEM\CurrentControlSet\Services\EventLog\Application\"

void WriteParameters(const std::string& serviceName, const ServiceDefinition& definition);
// Whether the Parameters key holds exactly what WriteParameters would write, and nothing else.
bool ParametersMatch(const std::string& serviceName, const ServiceDefinition& definition);
// WriteParameters, then removes every value that it did not write.
void ReplaceParameters(const std::string& serviceName, const ServiceDefinition& definition);
void RegisterEventSource(const std::string& serviceName, const std::string& hostProgramPath);
void RemoveEventSource(const std::string& serviceName);

}  // namespace registry_store
