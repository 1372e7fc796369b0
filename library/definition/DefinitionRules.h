#pragma once

#include <cstddef>
#include <string>

#include "HealthCheck.h"
#include "Quillon.h"
#include "RestartSchedule.h"
#include "ServiceAccount.h"

// The rules a record must keep that join several settings, each a predicate over the record.
// The install checks and the editor's validation both ask them, each in its own order and with
// its own words for a rule that fails.
namespace definition_rules {

// Why the account names nothing this service can log on as; empty when it does.
inline std::string AccountProblem(const ServiceDefinition& d)
{
    return service_account::Classify(d.Account, d.Name).problem;
}

// Windows lets only LocalSystem services interact with the desktop.
inline bool InteractNeedsLocalSystem(const ServiceDefinition& d)
{
    return d.InteractWithDesktop != 0 &&
           service_account::Classify(d.Account, d.Name).kind != service_account::Kind::LocalSystem;
}

// Delayed start applies to automatic start-up only.
inline bool DelayNeedsAutomaticStart(const ServiceDefinition& d) { return d.DelayedStart != 0 && d.StartUpMode != 1; }

// The first recovery step whose action is beyond the system's four, or kRecoverySteps.
inline std::size_t InvalidRecoveryStep(const ServiceDefinition& d)
{
    std::size_t step = 0;
    while (step < ServiceDefinition::kRecoverySteps && d.RecoverySteps[step].Action <= ServiceDefinition::kRecoveryRunProgram)
        ++step;
    return step;
}

// A recovery action runs a program, but none is named (blanks name none).
inline bool RecoveryRunsNoProgram(const ServiceDefinition& d)
{
    bool runsProgram = false;
    for (const ServiceDefinition::RecoveryStep& step : d.RecoverySteps)
        runsProgram = runsProgram || step.Action == ServiceDefinition::kRecoveryRunProgram;
    return runsProgram && d.RecoveryProgram.find_first_not_of(" \t\r\n") == std::string::npos;
}

// The failures on which the recovery restarts the computer, as a notice names them ("its second
// failure", "its first and second failures", "every failure"); empty when none does.
inline std::string ComputerRestartFailures(const ServiceDefinition& d)
{
    constexpr std::uint32_t kRestartComputer = 2;  // SC_ACTION_REBOOT
    unsigned steps = 0;
    for (std::size_t i = 0; i < ServiceDefinition::kRecoverySteps; ++i)
        if (d.RecoverySteps[i].Action == kRestartComputer) steps |= 1u << i;
    static const char* const kFailures[8] = {"",
                                             "its first failure",
                                             "its second failure",
                                             "its first and second failures",
                                             "its third and later failures",
                                             "its first, third and later failures",
                                             "its second and later failures",
                                             "every failure"};
    return kFailures[steps];
}

// Why the health settings cannot work, and the setting to mend; an empty text when they can.
struct HealthIssue {
    enum class Field { ReadyCheck, LiveCheck, LiveTimeout } field = Field::ReadyCheck;
    std::string text;
};
inline HealthIssue HealthProblem(const ServiceDefinition& d)
{
    using health_check::Scheme;
    using Field = HealthIssue::Field;
    const struct {
        const std::string& text;
        const char* name;
        Field field;
    } checks[] = {{d.ReadyCheck, "ReadyCheck", Field::ReadyCheck}, {d.LiveCheck, "LiveCheck", Field::LiveCheck}};
    for (const auto& c : checks) {
        if (c.text.empty()) continue;
        const health_check::Check check = health_check::Parse(c.text);
        if (!check.problem.empty()) return {c.field, std::string(c.name) + " \"" + c.text + "\" is no check: " + check.problem};
        if (check.scheme == Scheme::Line && c.field == Field::LiveCheck)
            return {c.field, "LiveCheck \"" + c.text + "\" is a line: check, which only a ReadyCheck can be"};
    }
    if (d.LiveTimeout >= d.LiveInterval)
        return {Field::LiveTimeout, "LiveTimeout (" + std::to_string(d.LiveTimeout) +
                                        " ms) must be below LiveInterval (" + std::to_string(d.LiveInterval) + " ms)"};
    return {};
}

// Why the limits or the restart schedule cannot work, and the setting to mend; an empty text
// when they can.
struct LimitsIssue {
    enum class Field { RestartAt, JobMemoryLimit } field = Field::RestartAt;
    std::string text;
};
inline LimitsIssue LimitsProblem(const ServiceDefinition& d)
{
    using Field = LimitsIssue::Field;
    if (const restart_schedule::Times times = restart_schedule::Parse(d.RestartAt); !times.problem.empty())
        return {Field::RestartAt, "RestartAt " + times.problem};
    if (d.JobMemoryLimit != 0 && d.JobType == 0)
        return {Field::JobMemoryLimit, "JobMemoryLimit caps the memory of the service's job, but JobType is 0 (no "
                                       "job); set JobType to 1 or 2, or leave JobMemoryLimit out"};
    return {};
}

}  // namespace definition_rules
