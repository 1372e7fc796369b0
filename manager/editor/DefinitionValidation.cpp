#include "DefinitionValidation.h"

#include <cstdlib>
#include <cstring>
#include <optional>

#include "DefinitionRules.h"
#include "EditorIds.h"
#include "MessageIds.h"
#include "Notification.h"
#include "Platform.h"
#include "ProcessLimits.h"
#include "ServiceAccount.h"
#include "Variables.h"

namespace editor {

const RecoveryControls kRecoveryControls[kRecoverySteps] = {{IDC_RECOVERY_FIRST, IDC_RECOVERY_FIRST_DELAY},
                                                           {IDC_RECOVERY_SECOND, IDC_RECOVERY_SECOND_DELAY},
                                                           {IDC_RECOVERY_LATER, IDC_RECOVERY_LATER_DELAY}};

namespace {

// Message ids of one program block's checks: program missing, unreadable, not a regular file,
// not executable; folder missing, unreadable, not a directory; time too long.
struct BlockMessages {
    unsigned exeEmpty, exeUnreadable, exeNotRegular, exeNotExecutable;
    unsigned dirEmpty, dirUnreadable, dirNotDirectory;
    unsigned timeTooLong;
    Page page;
    int exeControl, dirControl, timeControl;
};

const BlockMessages kService{MSG_SERVICE_EXE_MISSING, MSG_SERVICE_EXE_INVALID, MSG_SERVICE_EXE_NOT_REGULAR,
                             MSG_SERVICE_EXE_NOT_EXECUTABLE,
                             MSG_SERVICE_DIR_MISSING, MSG_SERVICE_DIR_INVALID, MSG_SERVICE_DIR_NOT_DIRECTORY,
                             MSG_SERVICE_TIME_TOO_LONG, Page::Program, IDC_EXECUTABLE, IDC_WORKING_DIR,
                             IDC_STARTUP_TIME};
const BlockMessages kPre{0, MSG_PRE_EXE_INVALID, MSG_PRE_EXE_NOT_REGULAR, MSG_PRE_EXE_NOT_EXECUTABLE,
                         MSG_PRE_DIR_MISSING, MSG_PRE_DIR_INVALID, MSG_PRE_DIR_NOT_DIRECTORY,
                         MSG_PRE_TIME_TOO_LONG, Page::PrePost, IDC_PRE_EXECUTABLE, IDC_PRE_WORKING_DIR, IDC_PRE_TIME};
const BlockMessages kPost{0, MSG_POST_EXE_INVALID, MSG_POST_EXE_NOT_REGULAR, MSG_POST_EXE_NOT_EXECUTABLE,
                          MSG_POST_DIR_MISSING, MSG_POST_DIR_INVALID, MSG_POST_DIR_NOT_DIRECTORY,
                          MSG_POST_TIME_TOO_LONG, Page::PrePost, IDC_POST_EXECUTABLE, IDC_POST_WORKING_DIR,
                          IDC_POST_TIME};
// The stop program runs for at most the stop timeout: it has no time of its own.
const BlockMessages kStop{MSG_STOP_EXE_MISSING, MSG_STOP_EXE_INVALID, MSG_STOP_EXE_NOT_REGULAR,
                          MSG_STOP_EXE_NOT_EXECUTABLE, MSG_STOP_DIR_MISSING, MSG_STOP_DIR_INVALID,
                          MSG_STOP_DIR_NOT_DIRECTORY, 0, Page::Supervision, IDC_STOP_EXECUTABLE,
                          IDC_STOP_WORKING_DIR, 0};

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The paths as the install checks and the host use them: expanded when the definition asks for it.
std::string AsUsed(const std::string& text, const variables::Lookup* expand)
{
    return expand ? variables::Expand(text, *expand).text : text;
}

ValidationFailure CheckBlock(const ServiceDefinition::Invocation& block, const BlockMessages& m,
                             const variables::Lookup* expand)
{
    if (block.Executable.empty()) return {m.exeEmpty, m.page, m.exeControl};
    const platform::FileStatus program = platform::QueryFileStatus(AsUsed(block.Executable, expand));
    if (program.kind == platform::FileKind::Missing) return {m.exeUnreadable, m.page, m.exeControl};
    if (program.kind != platform::FileKind::Regular) return {m.exeNotRegular, m.page, m.exeControl};
    if (!program.executable) return {m.exeNotExecutable, m.page, m.exeControl};

    if (block.WorkingDir.empty()) return {m.dirEmpty, m.page, m.dirControl};
    const platform::FileStatus folder = platform::QueryFileStatus(AsUsed(block.WorkingDir, expand));
    if (folder.kind == platform::FileKind::Missing) return {m.dirUnreadable, m.page, m.dirControl};
    if (folder.kind != platform::FileKind::Directory) return {m.dirNotDirectory, m.page, m.dirControl};
    if (m.timeTooLong != 0 && block.Delay > process_limits::kMaxProgramTimeMs)
        return {m.timeTooLong, m.page, m.timeControl};
    return {};
}

// The rules of the service database's own settings, as the install checks make them.
ValidationFailure ValidateAccountAndRecovery(const ServiceDefinition& d)
{
    const std::string problem = definition_rules::AccountProblem(d);
    if (!problem.empty()) return {MSG_ACCOUNT_INVALID, Page::LogOn, IDC_ACCOUNT_NAME, problem};
    if (definition_rules::InteractNeedsLocalSystem(d))
        return {MSG_INTERACT_NEEDS_LOCAL_SYSTEM, Page::Settings, IDC_INTERACT_DESKTOP};
    if (definition_rules::DelayNeedsAutomaticStart(d))
        return {MSG_DELAYED_START_NOT_AUTOMATIC, Page::LogOn, IDC_DELAYED_START};
    const std::size_t step = definition_rules::InvalidRecoveryStep(d);
    if (step < kRecoverySteps) return {MSG_RECOVERY_ACTION_INVALID, Page::LogOn, kRecoveryControls[step].action};
    if (definition_rules::RecoveryRunsNoProgram(d))
        return {MSG_RECOVERY_PROGRAM_MISSING, Page::LogOn, IDC_RECOVERY_PROGRAM};
    return {};
}

// The health settings' rule, as the install checks make it, on the field it names.
ValidationFailure CheckHealth(const ServiceDefinition& d)
{
    using Field = definition_rules::HealthIssue::Field;
    const definition_rules::HealthIssue issue = definition_rules::HealthProblem(d);
    if (issue.text.empty()) return {};
    const int control = issue.field == Field::ReadyCheck  ? IDC_READY_CHECK
                        : issue.field == Field::LiveCheck ? IDC_LIVE_CHECK
                                                          : IDC_LIVE_TIMEOUT;
    return {MSG_HEALTH_CHECK_INVALID, Page::Health, control, issue.text};
}

// A number field's text against its setting's range, with the setting's message.
ValidationFailure CheckNumber(Page page, int control, const std::string& text)
{
    const settings::Setting& row = FieldSetting(page, control);
    std::uint32_t number = 0;
    switch (ParseSetting(row, text, number)) {
    case CountText::Number: return {};
    case CountText::TooLarge: return {row.editor.tooLarge ? row.editor.tooLarge : row.editor.message, page, control};
    case CountText::NotANumber: break;
    }
    return {row.editor.message, page, control};
}

}  // namespace

ValidationFailure Validate(const ServiceDefinition& d)
{
    if (d.Name.empty()) return {MSG_NAME_MISSING, Page::Program, IDC_SHORT_NAME};
    if (d.DisplayName.empty()) return {MSG_DISPLAY_NAME_MISSING, Page::Program, IDC_DISPLAY_NAME};
    if (!IsLetter(d.Name[0])) return {MSG_NAME_NOT_ALPHABETIC_START, Page::Program, IDC_SHORT_NAME};
    for (char c : d.Name) {
        if (!IsLetter(c) && !IsDigit(c)) return {MSG_NAME_NOT_ONE_WORD, Page::Program, IDC_SHORT_NAME};
    }
    // The service's environment as the host builds it: the definition's variables, then the
    // system's.
    const variables::Lookup lookup = [&d](const std::string& name) -> std::optional<std::string> {
        for (const EnvironmentVariable& variable : d.Environment)
            if (variables::SameName(variable.name, name)) return variable.value;
        if (const char* value = std::getenv(name.c_str())) return std::string(value);
        return std::nullopt;
    };
    const variables::Lookup* expand = d.ExpandVariables != 0 ? &lookup : nullptr;
    ValidationFailure failure = CheckBlock(d.Service, kService, expand);
    // A pre- or post-service block without a program is not looked at at all; the stop program's
    // folder without a program is the supervision rules' to report.
    if (failure.messageId == 0 && !d.PreService.Executable.empty()) failure = CheckBlock(d.PreService, kPre, expand);
    if (failure.messageId == 0 && !d.PostService.Executable.empty())
        failure = CheckBlock(d.PostService, kPost, expand);
    if (failure.messageId == 0 && !d.StopService.Executable.empty())
        failure = CheckBlock(d.StopService, kStop, expand);
    if (failure.messageId != 0) return failure;
    if (d.SMFEnabled != 0 && d.SMFFrequency < 50)
        return {MSG_MONITOR_FREQUENCY_NEGATIVE, Page::Settings, IDC_MONITOR_INTERVAL};
    failure = ValidateAccountAndRecovery(d);
    if (failure.messageId == 0) failure = CheckHealth(d);
    if (failure.messageId == 0) failure = ValidateLimits(d);
    return failure.messageId != 0 ? failure : ValidateNotifications(d);
}

ValidationFailure ValidateFields(const TableFields& fields)
{
    for (const settings::Setting& row : settings::kTable) {
        if (row.editor.page != fields.page || row.editor.message == 0) continue;
        const auto found = fields.text.find(row.editor.id);
        if (found == fields.text.end()) continue;
        const std::string& text = found->second;
        ValidationFailure failure;
        if (!settings::HoldsText(row)) {
            failure = CheckNumber(fields.page, row.editor.id, text);
        } else if (row.minOccurs > 0) {
            // Half a program block would be lost on writing, or make a file that does not load again.
            bool othersGiven = false;
            for (const settings::Setting& other : settings::kTable) {
                if (&other == &row || other.minOccurs == 0 || std::strcmp(other.container, row.container) != 0)
                    continue;
                const auto given = fields.text.find(other.editor.id);
                othersGiven = othersGiven || (given != fields.text.end() && !Trimmed(given->second).empty());
            }
            if (othersGiven && Trimmed(text).empty()) failure = {row.editor.message, fields.page, row.editor.id};
        } else if (row.kind == settings::Kind::Text && !text.empty() && Trimmed(text).empty()) {
            // Empty is no setting; blanks alone would name a file no one can find. (A list's
            // blank entries are left out.)
            failure = {row.editor.message, fields.page, row.editor.id};
        }
        if (failure.messageId != 0) return failure;
    }
    return {};
}

ValidationFailure ValidateLogOn(const LogOnValues& v)
{
    // A blank name would be stored as no account at all, which is LocalSystem.
    if (AccountIsTyped(v.accountKind)) {
        const std::string name = Trimmed(v.accountName);
        if (name.empty()) return {MSG_ACCOUNT_NAME_MISSING, Page::LogOn, IDC_ACCOUNT_NAME};
        if (v.accountKind == static_cast<int>(service_account::Kind::Managed) && name.back() != '$')
            return {MSG_MANAGED_ACCOUNT_NO_DOLLAR, Page::LogOn, IDC_ACCOUNT_NAME};
    }
    return ValidateFields(v.fields);
}

ValidationFailure ValidateHealth(const TableFields& fields)
{
    const ValidationFailure failure = ValidateFields(fields);
    if (failure.messageId != 0) return failure;
    // Every value the rule reads is one of the page's fields.
    ServiceDefinition d;
    FieldsToRecord(fields, d);
    return CheckHealth(d);
}

// As the install checks make the rule, on the field it names.
ValidationFailure ValidateLimits(const ServiceDefinition& d)
{
    const definition_rules::LimitsIssue issue = definition_rules::LimitsProblem(d);
    if (issue.text.empty()) return {};
    if (issue.field == definition_rules::LimitsIssue::Field::RestartAt)
        return {MSG_RESTART_AT_INVALID, Page::Supervision, IDC_RESTART_AT, issue.text};
    return {MSG_LIMITS_INVALID, Page::Limits, IDC_JOB_MEMORY_LIMIT, issue.text};
}

ValidationFailure ValidateNotifications(const ServiceDefinition& d)
{
    for (const ServiceDefinition::Notification& n : d.Notifications) {
        const std::string problem = notification::Problem(n);
        if (!problem.empty()) return {MSG_NOTIFY_INVALID, Page::Notify, IDC_NOTIFY_LIST, problem};
    }
    return {};
}

ValidationFailure CheckNotification(const ServiceDefinition::Notification& n)
{
    const std::string problem = notification::Problem(n);
    if (problem.empty()) return {};
    // The rule names no field: the events come first, and what fails without the header is the
    // target's.
    int control = IDC_NOTIFY_EVENTS;
    if (notification::Parse(n.on).problem.empty()) {
        ServiceDefinition::Notification withoutHeader = n;
        withoutHeader.header.clear();
        control = notification::Problem(withoutHeader).empty() ? IDC_NOTIFY_HEADER : IDC_NOTIFY_TARGET;
    }
    return {MSG_NOTIFY_INVALID, Page::None, control, problem};
}

ValidationFailure CheckExitAction(const std::string& codeText, bool otherCodes, const ExitActions& actions,
                                  std::size_t replacing, ServiceDefinition::ExitCodeAction& entry)
{
    entry.anyCode = otherCodes;
    if (!otherCodes) {
        switch (ParseExitCode(codeText, entry.code)) {
        case CountText::NotANumber: return {MSG_EXIT_CODE_NOT_NUMBER, Page::None, IDC_EXIT_CODE};
        case CountText::TooLarge: return {MSG_EXIT_CODE_TOO_LARGE, Page::None, IDC_EXIT_CODE};
        case CountText::Number: break;
        }
    } else {
        entry.code = 0;
    }
    if (FindExitAction(actions, entry, replacing) == kNoExitAction) return {};
    if (otherCodes) return {MSG_EXIT_OTHER_CODES_TWICE, Page::None, IDC_EXIT_OTHER_CODES};
    return {MSG_EXIT_CODE_TWICE, Page::None, IDC_EXIT_CODE};
}

}  // namespace editor
