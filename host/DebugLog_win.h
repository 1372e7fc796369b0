#pragma once

#include <cstdint>
#include <mutex>
#include <string>

// The service's debug log: time-stamped lines appended to the definition's log file when
// debugging is on, and echoed to the console in console mode. A log that cannot be written is
// skipped silently: it never stops the service. Its path may be longer than MAX_PATH. With a
// rotation size, a log about to grow past it is renamed first, as the output files are, and only
// `keep` rotated logs are kept.
class DebugLog {
public:
    DebugLog(bool toFile, std::string path, bool toConsole, std::uint32_t rotateSize = 0, std::uint32_t keep = 0);
    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;

    void Line(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // False when lines go nowhere (debugging off, not in console mode).
    bool Writes() const { return toFile_ || toConsole_; }

private:
    bool toFile_;
    std::wstring path_;  // for the wide call, long paths in their extended form
    std::string rotationPath_;
    bool toConsole_;
    std::uint32_t rotateSize_;
    std::uint32_t keep_;
    std::mutex mutex_;
};
