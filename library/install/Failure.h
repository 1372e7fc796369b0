#pragma once

#include <string>

#include "Quillon.h"

// Throwing the library's failures. The texts are static or held in process-wide storage, so
// they outlive the throw.
namespace failure {

[[noreturn]] void Throw(const char* message);                    // detail "N/A"
[[noreturn]] void ThrowLastError(const char* message);           // detail from the last error
[[noreturn]] void ThrowCode(const char* message, unsigned long systemCode);
// A failure the caller can tell apart by its CExcep code.
[[noreturn]] void ThrowKind(std::int32_t kind, const char* message, unsigned long systemCode);

// Texts assembled at run time, each kind in its own slot; a new one replaces the old.
enum class Slot { ConfigurationErrors, RunningService, OpenService, RegistryValue, SystemLimit, Setting, ForeignService, Count };
const char* Hold(Slot slot, std::string text);

}  // namespace failure
