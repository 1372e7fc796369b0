#pragma once

#include <cstdint>
#include <string>

#include "HealthCheck.h"
#include "Quillon.h"

// The events a service's hooks and webhooks can be told of, and the rules a Hook or Webhook
// element keeps. Read in one place, so that the install checks, the editor and the host agree.
namespace notification {

enum class Event {
    Start,         // the program was started
    Ready,         // the service reports running
    Exit,          // the program ended
    Restart,       // a restart is about to be made
    RestartLimit,  // the restart limit was reached
    HealthFailed,  // the liveness checks failed as often as LiveFailures says
    HealthPassed,  // they pass again
    LimitReached,  // a resource limit was crossed
    Stop,          // the service is stopping
    Stopped,       // the service has stopped
    Rotate,        // an output file was rotated
    OutputLost,    // output could not be written
    Count
};

inline const char* Name(Event e)
{
    static const char* const names[] = {"Start",        "Ready",        "Exit",         "Restart",
                                        "RestartLimit", "HealthFailed", "HealthPassed", "LimitReached",
                                        "Stop",         "Stopped",      "Rotate",       "OutputLost"};
    return names[static_cast<int>(e)];
}

constexpr std::uint32_t Bit(Event e) { return 1u << static_cast<int>(e); }

inline std::string ToLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

inline std::string List()
{
    std::string list;
    for (int i = 0; i < static_cast<int>(Event::Count); ++i) list += (i ? ", " : "") + std::string(Name(static_cast<Event>(i)));
    return list;
}

struct Events {
    std::uint32_t mask = 0;
    std::string problem;  // why the list names no events; empty when it does
};

// "Restart, RestartLimit": names in any letter case, separated by commas, blanks ignored.
inline Events Parse(const std::string& on)
{
    Events events;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = on.find(',', start);
        std::string item = on.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t first = item.find_first_not_of(" \t");
        item = first == std::string::npos ? std::string() : item.substr(first, item.find_last_not_of(" \t") - first + 1);
        bool known = false;
        for (int i = 0; i < static_cast<int>(Event::Count) && !item.empty(); ++i) {
            if (ToLower(item) == ToLower(Name(static_cast<Event>(i)))) {
                events.mask |= 1u << i;
                known = true;
            }
        }
        if (!known) {
            events.problem = item.empty() ? std::string("On names an empty event")
                                          : "On names \"" + item + "\", which is no event (" + List() + ")";
            events.mask = 0;
            return events;
        }
        if (comma == std::string::npos) return events;
        start = comma + 1;
    }
}

// Why a Hook or Webhook element cannot work; empty when it can.
inline std::string Problem(const ServiceDefinition::Notification& n)
{
    const char* element = n.webhook ? "Webhook" : "Hook";
    const Events events = Parse(n.on);
    if (!events.problem.empty()) return std::string(element) + " \"" + n.target + "\": " + events.problem;
    if (!n.webhook) {
        if (n.target.find_first_not_of(" \t\r\n") == std::string::npos) return "A Hook names no program";
        if (!n.header.empty()) return "A Hook takes no Header";
        return std::string();
    }
    const health_check::Check url = health_check::Parse(n.target);
    if (url.scheme != health_check::Scheme::Http && url.scheme != health_check::Scheme::Https)
        return "Webhook \"" + n.target + "\" is no URL: it does not begin with http:// or https://";
    if (!url.problem.empty()) return "Webhook \"" + n.target + "\" is no URL: " + url.problem;
    if (n.header.empty()) return std::string();
    for (char c : n.header)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
            return "The Header of Webhook \"" + n.target + "\" holds a line break or another control character";
    const std::size_t colon = n.header.find(':');
    if (colon == std::string::npos || n.header.find_first_not_of(" \t") >= colon)
        return "The Header of Webhook \"" + n.target + "\" is not \"Name: value\"";
    return std::string();
}

}  // namespace notification
