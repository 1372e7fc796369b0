#include "HostEvents_win.h"

#include <algorithm>
#include <vector>

#include "UniqueResource.h"

namespace {
// The host's texts use %1 to %4; an insert a text names but the caller did not give reads as an
// empty text, never past the array.
constexpr std::size_t kInsertSlots = 9;

// The event's text from this program's message table with its insertion strings, without the
// line end the table gives it; empty when the table has no such text.
std::string HostMessageText(DWORD messageId, std::initializer_list<std::string> strings)
{
    std::vector<DWORD_PTR> arguments;
    for (const std::string& s : strings) arguments.push_back(reinterpret_cast<DWORD_PTR>(s.c_str()));
    arguments.resize(std::max(arguments.size(), kInsertSlots), reinterpret_cast<DWORD_PTR>(""));
    UniqueLocalMemory text;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        GetModuleHandleA(nullptr), messageId, 0, reinterpret_cast<LPSTR>(text.put()), 0,
        reinterpret_cast<va_list*>(arguments.data()));
    if (length == 0 || !text) return {};
    std::string result(static_cast<const char*>(text.get()), length);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
    return result;
}

}  // namespace

void HostEvents::Report(WORD type, DWORD messageId, std::initializer_list<std::string> strings) const
{
    events_.Report(type, messageId, strings);
    if (observer_) observer_(messageId, std::vector<std::string>(strings));
    if (!log_.Writes()) return;
    const std::string text = HostMessageText(messageId, strings);
    if (!text.empty()) {
        log_.Line("%s", text.c_str());
        return;
    }
    // A text missing from the table still leaves its event's facts in the log.
    std::string facts;
    for (const std::string& s : strings) facts += (facts.empty() ? "" : "; ") + s;
    log_.Line("Event %lu: %s", messageId & 0xFFFF, facts.c_str());
}
