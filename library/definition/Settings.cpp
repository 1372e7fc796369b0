#include "Settings.h"

#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

#include "EditorIds.h"
#include "MessageIds.h"
#include "ProcessLimits.h"

namespace settings {

namespace {

using D = ServiceDefinition;
using P = D::Invocation;
using S = D::RecoveryStep;
constexpr std::uint32_t kAny = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint32_t kDay = 86400000;  // ms
constexpr std::uint32_t kMaxMB = 1048576;  // a terabyte

constexpr EditorField Edit(Page page, int id, unsigned message = 0, unsigned tooLarge = 0,
                           bool blankWhenDefault = false)
{
    return {page, Control::Edit, id, message, tooLarge, blankWhenDefault};
}
constexpr EditorField Check(Page page, int id) { return {page, Control::Check, id, 0, 0, false}; }
constexpr EditorField Combo(Page page, int id, unsigned message) { return {page, Control::Combo, id, message, 0, false}; }

constexpr Setting Text(const char* element, const char* container, RecordField<std::string> field,
                       const char* registryName, EditorField editor, unsigned minOccurs = 0)
{
    return {element, container, Kind::Text, 0, 0, 0, {}, field, registryName, minOccurs, editor};
}
constexpr Setting Flag(const char* element, const char* container, RecordField<std::uint32_t> field,
                       const char* registryName, EditorField editor)
{
    return {element, container, Kind::Boolean, 0, 1, 0, field, {}, registryName, 0, editor};
}
constexpr Setting Count(const char* element, const char* container, std::uint32_t defaultValue,
                        RecordField<std::uint32_t> field, const char* registryName, EditorField editor,
                        Unit unit = Unit::None)
{
    return {element, container, Kind::Number, 0, kAny, defaultValue, field, {}, registryName, 0, editor, nullptr, unit};
}
constexpr Setting Within(Kind kind, const char* element, const char* container, std::uint32_t min, std::uint32_t max,
                         std::uint32_t defaultValue, RecordField<std::uint32_t> field, const char* registryName,
                         EditorField editor, Unit unit = Unit::None, const Word* words = nullptr)
{
    return {element, container, kind, min, max, defaultValue, field, {}, registryName, 0, editor, words, unit};
}

// What the program's end, a failed health check or a crossed limit leads to, as UponExit numbers it.
constexpr Word kProgramActions[] = {{"NoAction", 0}, {"RestartProgram", 1}, {"Terminate", 2}, {"Shutdown", 3},
                                    {nullptr, 0}};
// What the service database does on a failure: SC_ACTION_TYPE numbers.
constexpr Word kRecoveryActions[] = {{"None", 0}, {"RestartService", 1}, {"RestartComputer", 2}, {"RunProgram", 3},
                                     {nullptr, 0}};

constexpr Page kOut = Page::Output;
constexpr Page kSup = Page::Supervision;
constexpr Page kLog = Page::LogOn;
constexpr Page kHea = Page::Health;
constexpr Page kLim = Page::Limits;
constexpr Kind kNum = Kind::Bounded;
constexpr Kind kAttr = Kind::Attribute;
constexpr Unit kMs = Unit::Milliseconds;
constexpr Unit kMB = Unit::Megabytes;

constexpr Setting kRows[] = {
    Text("OutputLocation", "Output", &D::OutputFile, "OutputFile", Edit(kOut, IDC_OUTPUT_FILE, MSG_OUTPUT_FILE_BLANK)),
    Text("ErrorLocation", "Output", &D::ErrorFile, "ErrorFile", Edit(kOut, IDC_ERROR_FILE, MSG_ERROR_FILE_BLANK)),
    Count("RotateSize", "Output", 0, &D::RotateSize, "OutputRotateSize",
          Edit(kOut, IDC_ROTATE_SIZE, MSG_ROTATE_SIZE_NOT_NUMBER, MSG_ROTATE_SIZE_TOO_LARGE, true), Unit::Bytes),
    Flag("RotateDaily", "Output", &D::RotateDaily, "OutputRotateDaily", Check(kOut, IDC_ROTATE_DAILY)),
    Within(kNum, "RotateKeep", "Output", 0, 1000, 10, &D::RotateKeep, "OutputRotateKeep",
           Edit(kOut, IDC_ROTATE_KEEP, MSG_ROTATE_KEEP_OUT_OF_RANGE)),
    Flag("TimeStamp", "Output", &D::OutputTimeStamp, "OutputTimeStamp", Check(kOut, IDC_OUTPUT_TIME_STAMP)),
    Text("DumpFolder", "Output", &D::DumpFolder, "DumpFolder", Edit(kOut, IDC_DUMP_FOLDER, MSG_DUMP_FOLDER_BLANK)),
    Within(kNum, "DumpKeep", "Output", 1, 1000, 5, &D::DumpKeep, "DumpKeep",
           Edit(kOut, IDC_DUMP_KEEP, MSG_DUMP_KEEP_OUT_OF_RANGE)),
    Flag("DumpFull", "Output", &D::DumpFull, "DumpFull", Check(kOut, IDC_DUMP_FULL)),
    Within(kNum, "StopTimeout", "Supervision", 0, process_limits::kMaxProgramTimeMs, 5000, &D::StopTimeout,
           "StopTimeout", Edit(kSup, IDC_STOP_TIMEOUT, MSG_STOP_TIMEOUT_OUT_OF_RANGE), kMs),
    Text("StopWorkingDir", "StopService", {&D::StopService, &P::WorkingDir}, "StopServiceWorkDir",
         Edit(kSup, IDC_STOP_WORKING_DIR, MSG_STOP_DIR_MISSING), 1),
    Text("StopExecutable", "StopService", {&D::StopService, &P::Executable}, "StopServiceExe",
         Edit(kSup, IDC_STOP_EXECUTABLE, MSG_STOP_EXE_MISSING), 1),
    Text("StopParameters", "StopService", {&D::StopService, &P::Parameters}, "StopServiceParams",
         Edit(kSup, IDC_STOP_PARAMETERS)),
    {"ExitAction", "Supervision", Kind::List, 0, 3, 0, {}, {}, "ExitActions", 0, {}, kProgramActions},
    Count("RestartLimit", "Supervision", 0, &D::RestartLimit, "RestartLimit",
          Edit(kSup, IDC_RESTART_LIMIT, MSG_RESTART_LIMIT_OUT_OF_RANGE)),
    Within(kNum, "RestartPeriod", "Supervision", 1, kDay, 60000, &D::RestartPeriod, "RestartPeriod",
           Edit(kSup, IDC_RESTART_PERIOD, MSG_RESTART_PERIOD_OUT_OF_RANGE), kMs),
    Flag("ExpandVariables", "Options", &D::ExpandVariables, "ExpandVariables", Check(Page::Program, IDC_EXPAND_VARIABLES)),
    // The page shows the account through a list of kinds and a name of its own.
    Text("Account", "Options", &D::Account, "ServiceAccount", {kLog, Control::None, IDC_ACCOUNT_NAME, 0, 0, false}),
    Flag("DelayedStart", "Options", &D::DelayedStart, "DelayedStart", Check(kLog, IDC_DELAYED_START)),
    Within(kNum, "PreShutdownTimeout", "Supervision", 0, process_limits::kMaxProgramTimeMs, 0, &D::PreShutdownTimeout,
           "PreShutdownTimeout", Edit(kLog, IDC_PRESHUTDOWN_TIMEOUT, MSG_PRESHUTDOWN_OUT_OF_RANGE, 0, true), kMs),
    Within(kNum, "FirstFailure", "Recovery", 0, 3, 0, {0, &S::Action}, "RecoveryFirst",
           Combo(kLog, IDC_RECOVERY_FIRST, MSG_RECOVERY_ACTION_INVALID), Unit::None, kRecoveryActions),
    Within(kAttr, "Delay", "FirstFailure", 0, kDay, 60000, {0, &S::Delay}, "RecoveryFirstDelay",
           Edit(kLog, IDC_RECOVERY_FIRST_DELAY, MSG_RECOVERY_DELAY_OUT_OF_RANGE), kMs),
    Within(kNum, "SecondFailure", "Recovery", 0, 3, 0, {1, &S::Action}, "RecoverySecond",
           Combo(kLog, IDC_RECOVERY_SECOND, MSG_RECOVERY_ACTION_INVALID), Unit::None, kRecoveryActions),
    Within(kAttr, "Delay", "SecondFailure", 0, kDay, 60000, {1, &S::Delay}, "RecoverySecondDelay",
           Edit(kLog, IDC_RECOVERY_SECOND_DELAY, MSG_RECOVERY_DELAY_OUT_OF_RANGE), kMs),
    Within(kNum, "LaterFailures", "Recovery", 0, 3, 0, {2, &S::Action}, "RecoveryLater",
           Combo(kLog, IDC_RECOVERY_LATER, MSG_RECOVERY_ACTION_INVALID), Unit::None, kRecoveryActions),
    Within(kAttr, "Delay", "LaterFailures", 0, kDay, 60000, {2, &S::Delay}, "RecoveryLaterDelay",
           Edit(kLog, IDC_RECOVERY_LATER_DELAY, MSG_RECOVERY_DELAY_OUT_OF_RANGE), kMs),
    Count("ResetPeriod", "Recovery", 86400, &D::RecoveryResetPeriod, "RecoveryResetPeriod",
          Edit(kLog, IDC_RECOVERY_RESET, MSG_RECOVERY_RESET_OUT_OF_RANGE), Unit::Seconds),
    Text("RecoveryProgram", "Recovery", &D::RecoveryProgram, "RecoveryProgram", Edit(kLog, IDC_RECOVERY_PROGRAM)),
    Text("RecoveryParameters", "Recovery", &D::RecoveryParameters, "RecoveryParameters",
         Edit(kLog, IDC_RECOVERY_PARAMETERS)),
    Text("ReadyCheck", "Health", &D::ReadyCheck, "ReadyCheck", Edit(kHea, IDC_READY_CHECK, MSG_HEALTH_CHECK_BLANK)),
    Within(kNum, "ReadyTimeout", "Health", 1, process_limits::kMaxProgramTimeMs, 60000, &D::ReadyTimeout,
           "ReadyTimeout", Edit(kHea, IDC_READY_TIMEOUT, MSG_READY_TIMEOUT_OUT_OF_RANGE), kMs),
    Text("LiveCheck", "Health", &D::LiveCheck, "LiveCheck", Edit(kHea, IDC_LIVE_CHECK, MSG_HEALTH_CHECK_BLANK)),
    Within(kNum, "LiveInterval", "Health", 1000, kDay, 10000, &D::LiveInterval, "LiveInterval",
           Edit(kHea, IDC_LIVE_INTERVAL, MSG_LIVE_INTERVAL_OUT_OF_RANGE), kMs),
    Within(kNum, "LiveTimeout", "Health", 100, process_limits::kMaxProgramTimeMs, 5000, &D::LiveTimeout,
           "LiveTimeout", Edit(kHea, IDC_LIVE_TIMEOUT, MSG_LIVE_TIMEOUT_OUT_OF_RANGE), kMs),
    Within(kNum, "LiveFailures", "Health", 1, 100, 3, &D::LiveFailures, "LiveFailures",
           Edit(kHea, IDC_LIVE_FAILURES, MSG_LIVE_FAILURES_OUT_OF_RANGE)),
    Within(kNum, "LiveGrace", "Health", 0, kDay, 0, &D::LiveGrace, "LiveGrace",
           Edit(kHea, IDC_LIVE_GRACE, MSG_LIVE_GRACE_OUT_OF_RANGE), kMs),
    Within(kNum, "LiveAction", "Health", 0, 3, 1, &D::LiveAction, "LiveAction",
           Combo(kHea, IDC_LIVE_ACTION, MSG_LIVE_ACTION_INVALID), Unit::None, kProgramActions),
    Within(kNum, "HungWindow", "Health", 0, kDay, 0, &D::HungWindow, "HungWindow",
           Edit(kHea, IDC_HUNG_WINDOW, MSG_HUNG_WINDOW_OUT_OF_RANGE), kMs),
    Flag("HealthInsecure", "Health", &D::HealthInsecure, "HealthInsecure", Check(kHea, IDC_HEALTH_INSECURE)),
    Within(kNum, "MemoryLimit", "Limits", 1, kMaxMB, 0, &D::MemoryLimit, "MemoryLimit",
           Edit(kLim, IDC_MEMORY_LIMIT, MSG_MEMORY_LIMIT_OUT_OF_RANGE, 0, true), kMB),
    Within(kNum, "MemoryPeriod", "Limits", 1000, kDay, 60000, &D::MemoryPeriod, "MemoryPeriod",
           Edit(kLim, IDC_MEMORY_PERIOD, MSG_MEMORY_PERIOD_OUT_OF_RANGE), kMs),
    Within(kNum, "CpuLimit", "Limits", 1, 100, 0, &D::CpuLimit, "CpuLimit",
           Edit(kLim, IDC_CPU_LIMIT, MSG_CPU_LIMIT_OUT_OF_RANGE, 0, true)),
    Within(kNum, "CpuPeriod", "Limits", 1000, kDay, 300000, &D::CpuPeriod, "CpuPeriod",
           Edit(kLim, IDC_CPU_PERIOD, MSG_CPU_PERIOD_OUT_OF_RANGE), kMs),
    Within(kNum, "HandleLimit", "Limits", 1, 16777216, 0, &D::HandleLimit, "HandleLimit",
           Edit(kLim, IDC_HANDLE_LIMIT, MSG_HANDLE_LIMIT_OUT_OF_RANGE, 0, true)),
    Within(kNum, "LimitAction", "Limits", 0, 3, 1, &D::LimitAction, "LimitAction",
           Combo(kLim, IDC_LIMIT_ACTION, MSG_LIMIT_ACTION_INVALID), Unit::None, kProgramActions),
    Within(kNum, "JobMemoryLimit", "Limits", 1, kMaxMB, 0, &D::JobMemoryLimit, "JobMemoryLimit",
           Edit(kLim, IDC_JOB_MEMORY_LIMIT, MSG_JOB_MEMORY_LIMIT_OUT_OF_RANGE, 0, true), kMB),
    Within(kNum, "RestartEvery", "Supervision", 60000, kAny, 0, &D::RestartEvery, "RestartEvery",
           Edit(kSup, IDC_RESTART_EVERY, MSG_RESTART_EVERY_OUT_OF_RANGE, 0, true), kMs),
    {"RestartAt", "Supervision", Kind::Repeated, 0, 0, 0, {}, &D::RestartAt, "RestartAt", 0,
     Edit(kSup, IDC_RESTART_AT, MSG_RESTART_AT_INVALID)},
    // The page shows hooks and webhooks in a list of its own; `max` tells webhooks from hooks.
    {"Hook", "Notify", Kind::Target, 0, 0, 0, {}, {}, "Hook", 0, {Page::Notify, Control::None, 0, 0, 0, false}},
    {"Webhook", "Notify", Kind::Target, 0, 1, 0, {}, {}, "Webhook", 0, {Page::Notify, Control::None, 0, 0, 0, false}},
    Within(kNum, "HookTimeout", "Notify", 1000, process_limits::kMaxProgramTimeMs, 30000, &D::HookTimeout, "HookTimeout",
           Edit(Page::Notify, IDC_HOOK_TIMEOUT, MSG_HOOK_TIMEOUT_OUT_OF_RANGE), kMs),
};

bool Same(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

}  // namespace

const Container kContainers[7] = {{"Output", nullptr},
                                  {"Supervision", nullptr},
                                  {"StopService", "StopExecutable"},
                                  {"Recovery", nullptr},
                                  {"Health", nullptr},
                                  {"Limits", nullptr},
                                  {"Notify", nullptr}};

const Setting* Table::begin() const { return kRows; }
const Setting* Table::end() const { return kRows + sizeof kRows / sizeof kRows[0]; }

const Setting& Row(const char* container, const char* element)
{
    for (const Setting& row : kTable)
        if (Same(row.container, container) && Same(row.element, element)) return row;
    throw std::out_of_range(std::string("no setting ") + container + "/" + element);
}

bool IsSet(const Setting& row, const ServiceDefinition& d)
{
    switch (row.kind) {
    case Kind::List: return !d.ExitActions.empty();
    case Kind::Target:
        for (const ServiceDefinition::Notification& n : d.Notifications)
            if (n.webhook == HoldsWebhooks(row)) return true;
        return false;
    default: return HoldsText(row) ? !row.text.Of(d).empty() : row.number.Of(d) != row.defaultValue;
    }
}

bool ElementIsSet(const Setting& row, const ServiceDefinition& d)
{
    if (IsSet(row, d)) return true;
    for (const Setting& attribute : kTable)
        if (attribute.kind == Kind::Attribute && Same(attribute.container, row.element) && IsSet(attribute, d))
            return true;
    return false;
}

bool ContainerIsSet(const Container& container, const ServiceDefinition& d)
{
    for (const Setting& row : kTable) {
        if (!Same(row.container, container.name)) continue;
        if (container.writtenWith ? Same(row.element, container.writtenWith) && IsSet(row, d) : ElementIsSet(row, d))
            return true;
    }
    return false;
}

}  // namespace settings
