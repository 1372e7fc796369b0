#pragma once

#include <string>
#include <vector>

#include "Quillon.h"

// The service's definition as registry values under its Parameters key, and its event-log
// source. Every failure throws CExcep; values written before it stay.
namespace registry_store {

extern const char kEventSourceKey[];  // "SYSTEM\CurrentControlSet\Services\EventLog\Application\"

void WriteParameters(const std::string& serviceName, const ServiceDefinition& definition);
// How the Parameters key differs from what WriteParameters would write, one line per value
// ("Parameters\ServiceParams: "a" → "b""; environment variables by name only); empty when it holds exactly
// that and nothing else.
std::vector<std::string> ParameterChanges(const std::string& serviceName, const ServiceDefinition& definition);
// WriteParameters, then removes every value that it did not write.
void ReplaceParameters(const std::string& serviceName, const ServiceDefinition& definition);
void RegisterEventSource(const std::string& serviceName, const std::string& hostProgramPath);
void RemoveEventSource(const std::string& serviceName);

}  // namespace registry_store
