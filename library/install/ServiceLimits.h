#pragma once

#include <cstdint>

// Limits shared by the install checks, the editor's validation and the host, so that what a
// definition may ask for is exactly what the host will do.
namespace service_limits {

// The longest start-up (Delay), pre-service (PreDelay) or post-service (PostDelay) time. The
// service is pending while the host waits out these times, so a longer one would keep a start
// or a stop pending for longer than anyone waits for it; ten minutes is far beyond any real
// start-up and still ends every stop within a known time.
constexpr std::uint32_t kMaxProgramTimeMs = 600000;

// A time the host really waits: one beyond the limit (written to the registry by other means)
// is cut to it.
constexpr std::uint32_t BoundedProgramTime(std::uint32_t ms) { return ms < kMaxProgramTimeMs ? ms : kMaxProgramTimeMs; }

}  // namespace service_limits
