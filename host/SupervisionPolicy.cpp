#include "SupervisionPolicy.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace host {

namespace {

std::string UpperName(const std::string& entry)
{
    // Entries such as "=C:=C:\dir" keep a leading "=" as part of the name.
    const std::string::size_type equals = entry.find('=', 1);
    std::string name = entry.substr(0, equals);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

}  // namespace

std::string ExitCodeText(std::uint32_t code)
{
    if (code < 0x80000000u) return std::to_string(code);
    char text[16] = {};
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
    return text;
}

std::string ExitText(std::uint32_t code)
{
    static const struct {
        std::uint32_t code;
        const char* meaning;
    } known[] = {{0x80000003u, "breakpoint"},
                 {0xC0000005u, "access violation"},
                 {0xC000001Du, "illegal instruction"},
                 {0xC0000094u, "integer division by zero"},
                 {0xC00000FDu, "stack overflow"},
                 {0xC000013Au, "ended by Ctrl+C"},
                 {0xC0000374u, "heap corruption"},
                 {0xC0000409u, "stack buffer overrun"}};
    for (const auto& k : known)
        if (k.code == code) return ExitCodeText(code) + " (" + k.meaning + ")";
    return ExitCodeText(code);
}

std::string RunTimeText(std::uint64_t ms)
{
    const std::uint64_t s = ms / 1000, m = s / 60, h = m / 60, d = h / 24;
    const auto two = [](std::uint64_t big, const char* bigUnit, std::uint64_t small, const char* smallUnit) {
        std::string text = std::to_string(big) + " " + bigUnit;
        if (small) text += " " + std::to_string(small) + " " + smallUnit;
        return text;
    };
    if (d) return two(d, "d", h % 24, "h");
    if (h) return two(h, "h", m % 60, "min");
    if (m) return two(m, "min", 0, "");
    return std::to_string(s) + " s";
}

ExitAction ActionOnExit(std::uint32_t smfEnabled, std::uint32_t uponExit)
{
    if (!smfEnabled) return ExitAction::None;
    switch (uponExit) {
    case 1: return ExitAction::Restart;
    case 2: return ExitAction::Fail;
    case 3: return ExitAction::Stop;
    default: return ExitAction::None;
    }
}

ExitAction ActionOnExit(std::uint32_t smfEnabled, std::uint32_t uponExit,
                        const std::vector<ServiceDefinition::ExitCodeAction>& actions, std::uint32_t exitCode)
{
    const ServiceDefinition::ExitCodeAction* other = nullptr;
    for (const auto& a : actions) {
        if (!a.anyCode && a.code == exitCode) return ActionOnExit(smfEnabled, a.action);
        if (a.anyCode && !other) other = &a;
    }
    return ActionOnExit(smfEnabled, other ? other->action : uponExit);
}

std::vector<std::string> ExpandPaths(ServiceDefinition& d, const variables::Lookup& environment)
{
    const variables::Lookup lookup = [&](const std::string& name) -> std::optional<std::string> {
        for (const EnvironmentVariable& v : d.Environment)
            if (variables::SameName(v.name, name)) return v.value;
        return environment(name);
    };
    std::vector<std::string> undefined;
    const auto expand = [&](std::string& text) {
        variables::Expanded out = variables::Expand(text, lookup);
        text = std::move(out.text);
        for (const std::string& name : out.undefined)
            if (std::find(undefined.begin(), undefined.end(), name) == undefined.end()) undefined.push_back(name);
    };
    for (ServiceDefinition::Invocation* program : {&d.PreService, &d.Service, &d.PostService, &d.StopService}) {
        expand(program->Executable);
        expand(program->WorkingDir);
        expand(program->Parameters);
    }
    for (std::string* path : {&d.DebugLogFile, &d.OutputFile, &d.ErrorFile}) expand(*path);
    return undefined;
}

bool RestartLimit::Allow(std::uint64_t nowMs)
{
    Recent(nowMs);
    if (limit_ != 0 && recent_.size() >= limit_) return false;
    // Without a limit only the count is kept, and only so far.
    if (limit_ == 0 && recent_.size() >= kCounted) recent_.erase(recent_.begin());
    recent_.push_back(nowMs);
    return true;
}

std::size_t RestartLimit::Recent(std::uint64_t nowMs)
{
    recent_.erase(std::remove_if(recent_.begin(), recent_.end(),
                                 [&](std::uint64_t at) { return nowMs - at >= periodMs_; }),
                  recent_.end());
    return recent_.size();
}

std::uint32_t RestartLimit::InPeriod(std::uint64_t nowMs) const
{
    return static_cast<std::uint32_t>(
        std::count_if(recent_.begin(), recent_.end(), [&](std::uint64_t at) { return nowMs - at < periodMs_; }));
}

JobType JobTypeOf(std::uint32_t jobType)
{
    switch (jobType) {
    case 1: return JobType::Global;
    case 2: return JobType::Local;
    default: return JobType::None;
    }
}

std::uint32_t RestartBackoff::NextDelay(std::uint32_t intervalMs, std::uint64_t runMs)
{
    quickExits_ = runMs >= kStableRunMs ? 1 : quickExits_ + 1;
    if (quickExits_ <= kFreeRestarts) return intervalMs;
    const std::uint64_t cap = std::max<std::uint64_t>(intervalMs, std::min<std::uint64_t>(kMaxDelayMs, 8ull * intervalMs));
    const unsigned doublings = std::min(quickExits_ - kFreeRestarts, 32u);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(cap, std::uint64_t(intervalMs) << doublings));
}

RestartReports::Report RestartReports::Restart(unsigned quickExits, std::uint64_t nowMs)
{
    if (!summarising_) {
        if (quickExits <= kReportedOneByOne) {
            lastReportMs_ = nowMs;
            return {Kind::Each, 1};
        }
        summarising_ = true;
    }
    ++unreported_;
    if (nowMs - lastReportMs_ < kSummaryIntervalMs) return {Kind::Quiet, unreported_};
    const Report summary{Kind::Summary, unreported_};
    unreported_ = 0;
    lastReportMs_ = nowMs;
    return summary;
}

RestartReports::Report RestartReports::Stable()
{
    if (!summarising_) return {Kind::Quiet, 0};
    const Report recovered{Kind::Recovered, unreported_};
    summarising_ = false;
    unreported_ = 0;
    return recovered;
}

std::vector<char> MergedEnvironment(const std::vector<std::string>& inherited,
                                    const std::vector<EnvironmentVariable>& variables)
{
    // Later entries replace earlier ones of the same name: the definition's come last.
    std::vector<std::string> entries;
    const auto add = [&entries](const std::string& entry) {
        const std::string name = UpperName(entry);
        const auto same = std::find_if(entries.begin(), entries.end(),
                                       [&](const std::string& e) { return UpperName(e) == name; });
        if (same == entries.end())
            entries.push_back(entry);
        else
            *same = entry;
    };
    for (const std::string& entry : inherited)
        if (!entry.empty()) add(entry);
    for (const EnvironmentVariable& v : variables) add(v.name + "=" + v.value);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const std::string& a, const std::string& b) { return UpperName(a) < UpperName(b); });

    std::vector<char> block;
    for (const std::string& entry : entries) {
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back('\0');
    }
    if (block.empty()) block.push_back('\0');
    block.push_back('\0');
    return block;
}

bool LimitWatch::Sample(std::uint64_t value, std::uint64_t nowMs)
{
    if (limit_ == 0 || value <= limit_) {
        Reset();
        return false;
    }
    if (!above_) above_ = true, sinceMs_ = nowMs;
    if (acted_ || nowMs - sinceMs_ < periodMs_) return false;
    acted_ = true;
    return true;
}

std::uint32_t CpuPercent(std::uint64_t cpu100ns, std::uint64_t wallMs, std::uint32_t processors)
{
    if (wallMs == 0 || processors == 0) return 0;
    const std::uint64_t percent = cpu100ns / 100 / (wallMs * processors);  // 100 ns to ms is /10000, then *100
    return percent > 100 ? 100 : static_cast<std::uint32_t>(percent);
}

}  // namespace host
