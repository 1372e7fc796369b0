#include "Notifier_win.h"

#include <cstdio>
#include <memory>

#include "HealthProbe_win.h"
#include "HostStatus_win.h"
#include "HostMessages.h"
#include "JsonText.h"
#include "SupervisionPolicy.h"

namespace host {

namespace {

constexpr DWORD kConnectMs = 5000;   // a webhook's connection
constexpr DWORD kAnswerMs = 10000;   // and its answer
constexpr DWORD kRetryMs[] = {1000, 5000, 25000};

std::string ComputerName()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

}  // namespace

std::string LocalTimeText()
{
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return LocalIsoTime(t);
}

Notifier::Notifier(const ServiceDefinition& definition, const LaunchSettings& launch, DebugLog& log,
                   const HostEvents& events)
    : d_(definition), launch_(launch), log_(log), events_(events), computer_(ComputerName())
{
    // Settings that reached the host another way than the install are checked again here.
    for (const ServiceDefinition::Notification& n : d_.Notifications) {
        const std::string problem = notification::Problem(n);
        if (!problem.empty()) {
            events_.Report(EVENTLOG_WARNING_TYPE, MSG_NOTIFICATION_UNUSABLE, {d_.Name, problem});
            continue;
        }
        targets_.push_back({n, notification::Parse(n.on).mask});
        listening_ |= targets_.back().mask;
    }
    launch_.consoleApp = 0;
    if (listening_) thread_ = std::thread([this] { Loop(); });
}

Notifier::~Notifier()
{
    SetEvent(quit_.get());
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        finishing_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void Notifier::Tell(NotifyEvent event)
{
    if (!(listening_ & notification::Bit(event.event))) return;
    event.time = LocalTimeText();
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        if (finishing_) return;
        if (queue_.size() >= kQueueLimit) {
            queue_.pop_front();
            ++dropped_;
        }
        queue_.push_back(std::move(event));
    }
    wake_.notify_one();
}

void Notifier::Finish(DWORD ms)
{
    if (!thread_.joinable()) return;
    const ULONGLONG deadline = GetTickCount64() + ms;
    {
        std::unique_lock<std::mutex> hold(mutex_);
        finishing_ = true;
        wake_.notify_all();
        while ((!queue_.empty() || busy_) && GetTickCount64() < deadline)
            wake_.wait_for(hold, std::chrono::milliseconds(50));
        if (!queue_.empty() || busy_)
            log_.Line("%lu events were not delivered within %lu ms of the stop",
                      static_cast<unsigned long>(queue_.size() + (busy_ ? 1 : 0)), ms);
    }
    SetEvent(quit_.get());  // whatever is still under way is abandoned
    thread_.join();
    ReportDropped();
}

void Notifier::Loop()
{
    for (;;) {
        NotifyEvent e;
        {
            std::unique_lock<std::mutex> hold(mutex_);
            wake_.wait(hold, [this] { return !queue_.empty() || finishing_; });
            if (queue_.empty() || WaitForSingleObject(quit_.get(), 0) == WAIT_OBJECT_0) {
                busy_ = false;
                wake_.notify_all();
                return;
            }
            e = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
        }
        Deliver(e);
        bool drained = false;
        {
            const std::lock_guard<std::mutex> hold(mutex_);
            busy_ = false;
            drained = queue_.empty();
        }
        if (drained) ReportDropped();
        wake_.notify_all();
    }
}

// Once the queue has run dry (or at the stop), how many events it dropped since the last report.
void Notifier::ReportDropped()
{
    std::uint64_t dropped = 0;
    {
        const std::lock_guard<std::mutex> hold(mutex_);
        std::swap(dropped, dropped_);
    }
    if (dropped) events_.Report(EVENTLOG_WARNING_TYPE, MSG_NOTIFY_EVENTS_DROPPED, {d_.Name, std::to_string(dropped)});
}

void Notifier::Deliver(const NotifyEvent& e)
{
    for (const Target& t : targets_) {
        if (!(t.mask & notification::Bit(e.event))) continue;
        if (WaitForSingleObject(quit_.get(), 0) == WAIT_OBJECT_0) return;
        if (t.n.webhook)
            PostWebhook(t, e);
        else
            RunHook(t, e);
    }
}

void Notifier::RunHook(const Target& t, const NotifyEvent& e)
{
    LaunchSettings launch = launch_;
    const std::pair<const char*, std::string> variables[] = {
        {"VELMORA_SERVICE", d_.Name},
        {"VELMORA_EVENT", notification::Name(e.event)},
        {"VELMORA_TIME", e.time},
        {"VELMORA_COMPUTER", computer_},
        {"VELMORA_PID", std::to_string(e.processId)},
        {"VELMORA_EXIT_CODE", std::to_string(e.exitCode)},
        {"VELMORA_EXIT_TEXT", e.exitText},
        {"VELMORA_RESTARTS", std::to_string(e.restarts)},
        {"VELMORA_RUN_MS", std::to_string(e.runMs)},
        {"VELMORA_DETAIL", e.detail},
    };
    for (const auto& [name, value] : variables) launch.environment.emplace_back(name, value);
    health_check::Check program;
    program.scheme = health_check::Scheme::Program;
    program.command = t.n.target;
    const Probe hook(program, false, launch, d_.Service.WorkingDir);
    std::string output;
    const ProbeResult result = hook.Run(d_.HookTimeout, quit_.get(), &output);
    log_.Line("The hook for %s (%s) ended: %s", notification::Name(e.event), t.n.target.c_str(),
              result.passed ? "exit code 0" : result.detail.c_str());
    if (!output.empty()) log_.Line("The hook wrote: %s", output.c_str());
}

void Notifier::PostWebhook(const Target& t, const NotifyEvent& e)
{
    json::Object body;
    body.Text("service", d_.Name)
        .Text("event", notification::Name(e.event))
        .Text("time", e.time)
        .Text("computer", computer_)
        .Number("pid", e.processId)
        .Number("exitCode", e.exitCode)
        .Text("exitText", e.exitText)
        .Number("restarts", e.restarts)
        .Number("runMs", e.runMs)
        .Text("detail", e.detail);
    const health_check::Check url = health_check::Parse(t.n.target);
    HttpRequest request;
    request.target = &url;
    request.verb = "POST";
    request.headers = "Content-Type: application/json\r\n" + (t.n.header.empty() ? std::string() : t.n.header + "\r\n");
    request.body = body.Str();
    request.connectMs = kConnectMs;
    std::string last;
    const std::size_t tries = 1 + sizeof kRetryMs / sizeof kRetryMs[0];
    for (std::size_t attempt = 0; attempt < tries; ++attempt) {
        if (attempt > 0 && WaitForSingleObject(quit_.get(), kRetryMs[attempt - 1]) == WAIT_OBJECT_0) return;
        const HttpAnswer answer = SendHttp(request, kConnectMs + kAnswerMs, quit_.get());
        if (answer.status >= 200 && answer.status < 500) {
            log_.Line("The webhook %s took %s: HTTP %lu", t.n.target.c_str(), notification::Name(e.event), answer.status);
            if (answer.status >= 400)
                events_.Report(EVENTLOG_WARNING_TYPE, MSG_WEBHOOK_DROPPED,
                               {d_.Name, t.n.target, notification::Name(e.event), std::to_string(attempt + 1),
                                "HTTP " + std::to_string(answer.status) + ", which is not tried again"});
            return;
        }
        last = answer.status ? "HTTP " + std::to_string(answer.status) : answer.error;
        log_.Line("The webhook %s did not take %s (try %lu of %lu): %s", t.n.target.c_str(),
                  notification::Name(e.event), static_cast<unsigned long>(attempt + 1),
                  static_cast<unsigned long>(tries), last.c_str());
        if (WaitForSingleObject(quit_.get(), 0) == WAIT_OBJECT_0) return;
    }
    events_.Report(EVENTLOG_WARNING_TYPE, MSG_WEBHOOK_DROPPED,
                   {d_.Name, t.n.target, notification::Name(e.event), std::to_string(tries), last});
}

}  // namespace host
