#include "EventReporter_win.h"

#include <vector>

EventReporter::EventReporter(const std::string& serviceName)
    : source_(RegisterEventSourceA(nullptr, serviceName.c_str()))
{
}

void EventReporter::Report(WORD type, DWORD messageId, std::initializer_list<std::string> strings) const
{
    if (!source_) return;
    std::vector<const char*> texts;
    for (const std::string& s : strings) texts.push_back(s.c_str());
    ReportEventA(source_.get(), type, 0, messageId, nullptr, static_cast<WORD>(texts.size()), 0, texts.data(), nullptr);
}
