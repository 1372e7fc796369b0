#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What the system carries into a program it starts. A definition beyond these limits would
// install and then run without its parameters or variables, so the install refuses it; the
// host, which builds the same command line and block, holds to the same limits. Lengths are in
// the system's characters (UTF-16 code units), counted from UTF-8 text by SystemLength.
namespace process_limits {

// A command line passed to CreateProcess, its terminating zero included.
constexpr std::size_t kMaxCommandLine = 32767;
// One environment variable ("name=value" and its terminating zero).
constexpr std::size_t kMaxEnvironmentVariable = 32767;
// The whole environment block ("name=value" entries, each with its zero, and the closing zero).
// Later systems lift this limit, but the oldest ones and Wine drop a larger block, so it is the
// one that holds everywhere.
constexpr std::size_t kMaxEnvironmentBlock = 32767;
// A program's path: Windows starts no program from a longer one, whatever its long-path setting.
constexpr std::size_t kMaxProgramPath = 259;
// A working directory: the current directory keeps room for a closing backslash and the zero.
constexpr std::size_t kMaxWorkingDirectory = 258;
// A variable's name never holds this: it separates the name from the value.
constexpr char kNameValueSeparator = '=';

// The length of UTF-8 text in UTF-16 code units: one per character, two for a character beyond
// the basic plane (a four-byte sequence).
inline std::size_t SystemLength(const std::string& utf8)
{
    std::size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) ++units;
        if (byte >= 0xF0) ++units;
    }
    return units;
}

// The command line the host starts a program with: the executable quoted (quotes it already has
// are not doubled), then a blank and the parameters when there are any.
inline std::string CommandLineFor(const std::string& executable, const std::string& parameters)
{
    std::string path = executable;
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
    std::string line = "\"" + path + "\"";
    if (!parameters.empty()) line += " " + parameters;
    return line;
}

// The longest start-up (Delay), pre-service (PreDelay) or post-service (PostDelay) time. The
// service is pending while the host waits out these times, so a longer one would keep a start
// or a stop pending for longer than anyone waits for it; ten minutes is far beyond any real
// start-up and still ends every stop within a known time.
constexpr std::uint32_t kMaxProgramTimeMs = 600000;

// A time the host really waits: one beyond the limit (written to the registry by other means)
// is cut to it.
constexpr std::uint32_t BoundedProgramTime(std::uint32_t ms) { return ms < kMaxProgramTimeMs ? ms : kMaxProgramTimeMs; }

}  // namespace process_limits
