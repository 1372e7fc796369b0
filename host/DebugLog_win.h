#pragma once

#include <mutex>
#include <string>

// The service's debug log: time-stamped lines appended to the definition's log file when
// debugging is on, and echoed to the console in console mode. A log that cannot be written is
// skipped silently: it never stops the service. Its path may be longer than MAX_PATH.
class DebugLog {
public:
    DebugLog(bool toFile, std::string path, bool toConsole);
    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;

    void Line(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
    bool toFile_;
    std::wstring path_;  // for the wide call, long paths in their extended form
    bool toConsole_;
    std::mutex mutex_;
};
