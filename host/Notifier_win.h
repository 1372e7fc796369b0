#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "DebugLog_win.h"
#include "HostEvents_win.h"
#include "Notification.h"
#include "ProgramRunner_win.h"
#include "Quillon.h"
#include "UniqueResource.h"

namespace host {

// What an event tells its hooks and webhooks.
struct NotifyEvent {
    explicit NotifyEvent(notification::Event what = notification::Event::Start) : event(what) {}
    notification::Event event;
    DWORD processId = 0;
    std::uint32_t exitCode = 0;
    std::string exitText;
    std::uint64_t restarts = 0;  // within the restart period
    std::uint64_t runMs = 0;     // how long the program ran
    std::string detail;          // what the event adds: why a restart, the check's error, the limit...
    std::string time;            // set when told: ISO 8601, local, with its offset
};

// The service's hooks (programs) and webhooks (POSTs of JSON), told of its events on a thread
// of their own, so that nothing holds up supervision: events wait in a queue of at most
// kQueueLimit (beyond it the oldest are dropped, counted and reported once), one hook runs at a
// time within HookTimeout, and a webhook is tried again after 1, 5 and 25 s on a connection
// failure or a 5xx answer. A webhook's Header is never written to a log.
class Notifier {
public:
    static constexpr std::size_t kQueueLimit = 100;

    Notifier(const ServiceDefinition& definition, const LaunchSettings& launch, DebugLog& log, const HostEvents& events);
    ~Notifier();
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    // Queues the event for the hooks and webhooks that listen for it; returns at once.
    void Tell(NotifyEvent event);
    // Delivers what is queued within `ms` at most (the stop's last events), then stops.
    void Finish(DWORD ms);
    bool Listening() const { return listening_ != 0; }

private:
    struct Target {
        ServiceDefinition::Notification n;
        std::uint32_t mask;
    };
    void Loop();
    void ReportDropped();
    void Deliver(const NotifyEvent& e);
    void RunHook(const Target& t, const NotifyEvent& e);
    void PostWebhook(const Target& t, const NotifyEvent& e);

    const ServiceDefinition& d_;
    LaunchSettings launch_;
    DebugLog& log_;
    const HostEvents& events_;
    const std::string computer_;
    std::vector<Target> targets_;
    std::uint32_t listening_ = 0;  // the events any target listens for
    UniqueHandle quit_{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<NotifyEvent> queue_;
    bool busy_ = false;
    bool finishing_ = false;
    std::uint64_t dropped_ = 0;  // since the last report
    std::thread thread_;  // last: it uses everything above
};

// The local time now as ISO 8601 with its offset: "2026-12-11T21:30:05+01:00".
std::string LocalTimeText();

}  // namespace host
