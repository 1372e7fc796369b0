#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "DebugLog_win.h"
#include "EventReporter_win.h"

// One report of a host event: the event-log entry and the debug-log line, both worded by the
// event's text in this program's message table, so administrators read the same words in both.
class HostEvents {
public:
    HostEvents(const EventReporter& events, DebugLog& log) : events_(events), log_(log) {}

    void Report(WORD type, DWORD messageId, std::initializer_list<std::string> strings) const;
    // Told of every event reported from now on, on the reporting thread; set before any thread
    // reports.
    using Observer = std::function<void(DWORD messageId, const std::vector<std::string>& strings)>;
    void Observe(Observer observer) { observer_ = std::move(observer); }

private:
    const EventReporter& events_;
    DebugLog& log_;
    Observer observer_;
};
