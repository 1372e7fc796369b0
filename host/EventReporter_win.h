#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "UniqueResource.h"

// Reports to the event log through the service's own event source, whose message file is this
// program. Without a source (console mode, or registration failed) reports are dropped.
class EventReporter {
public:
    EventReporter() = default;
    explicit EventReporter(const std::string& serviceName);

    void Report(WORD type, DWORD messageId, std::initializer_list<std::string> strings) const;

private:
    UniqueEventSource source_;
};
