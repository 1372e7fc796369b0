#pragma once

#include <array>
#include <map>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Quillon.h"
#include "Settings.h"

// What each editor page holds, and how it maps to and from the definition record. The pages
// only move these values between their controls and here; the mapping rules live here.
namespace editor {

// Removes blanks, tabs and line breaks at both ends.
std::string Trimmed(const std::string& text);
// A time field left empty (or blank) gets the time a new definition has.
bool NeedsDefaultTime(const std::string& text);
// The folder of a chosen file: the path cut at its last backslash, without that backslash.
std::string FolderPart(const std::string& path);

// A check box state from a boolean field, and back.
int CheckFromFlag(std::uint32_t flag);

// The fields of a page that show settings of the table, by control: what an edit field holds as
// typed (a number too: a size may reach 4294967295, beyond the standard data exchange, and a text
// that is no number is refused by the validation with its setting's message), the state of a
// check box, the position in a list (-1: a value beyond the list, kept as it was).
struct TableFields {
    explicit TableFields(settings::Page tab = settings::Page::None) : page(tab) {}
    settings::Page page;
    std::map<int, std::string> text;
    std::map<int, int> state;
};
// The page's fields as the record's values show them: a number blank where the setting shows its
// default so.
TableFields FieldsFromRecord(settings::Page page, const ServiceDefinition& record);
// The record takes the fields' values; a number that does not convert leaves its value as it was.
void FieldsToRecord(const TableFields& fields, ServiceDefinition& record);

struct ProgramValues {
    std::string name, displayName, description;
    int consoleApp = 0;
    std::string workingDir, executable, parameters;
    int startupTime = 0;
    TableFields fields{settings::Page::Program};
};
ProgramValues ProgramFromRecord(const ServiceDefinition& record);
void ProgramToRecord(const ProgramValues& values, ServiceDefinition& record);

struct InvocationValues {
    std::string workingDir, executable, parameters;
    int time = 0;
};
struct PrePostValues {
    InvocationValues pre, post;
};
PrePostValues PrePostFromRecord(const ServiceDefinition& record);
void PrePostToRecord(const PrePostValues& values, ServiceDefinition& record);

constexpr int kCpuBoxes = 8;
struct OptionsValues {
    int interactWithDesktop = 0;
    int showWindow = -1, jobType = -1;
    std::string loadOrderGroup;
    int startUpMode = -1, uponExit = -1;
    int monitorInterval = 0;
    int priority = -1;
    std::array<int, kCpuBoxes> cpu{};
    int debugEnabled = 0;
    std::string debugLogFile;
};
OptionsValues OptionsFromRecord(const ServiceDefinition& record);
void OptionsToRecord(const OptionsValues& values, ServiceDefinition& record);
// The interval means something only when the program's exit leads to an action.
bool MonitoringApplies(int uponExitIndex);

struct DependencyValues {
    std::vector<std::string> services, groups;
};
DependencyValues DependenciesFromRecord(const ServiceDefinition& record);
void DependenciesToRecord(const DependencyValues& values, ServiceDefinition& record);

// The Output page: only settings of the table.
struct OutputValues {
    TableFields fields{settings::Page::Output};
};
OutputValues OutputFromRecord(const ServiceDefinition& record);
// A number that does not convert leaves its field as it was.
void OutputToRecord(const OutputValues& values, ServiceDefinition& record);
// What a number field's text holds.
enum class CountText { Number, NotANumber, TooLarge };
// Decimal digits with optional blanks around them, at most `max`; a blank text is `whenBlank`.
// `value` is set only for a number.
CountText ParseCount(const std::string& text, std::uint32_t max, std::uint32_t whenBlank, std::uint32_t& value);

// The setting of the table a page's field shows (ids repeat across pages); throws
// std::out_of_range for a field that shows none.
const settings::Setting& FieldSetting(settings::Page page, int control);
// The same, or null for a field that shows none.
const settings::Setting* FindFieldSetting(settings::Page page, int control);
// A setting's number as its field shows it: empty for a default the field leaves blank.
std::string NumberText(const settings::Setting& row, const ServiceDefinition& record);
// A number field's text as the setting takes it: blank is its default; TooLarge also for a number
// below its range. `value` is set only for a number within the range or the default (a limit's
// 0, "none", lies below the range a file may state).
CountText ParseSetting(const settings::Setting& row, const std::string& text, std::uint32_t& value);

// What the program's exit leads to, by position: UponExit and every exit action.
constexpr std::array<const char*, 4> kExitActionNames = {"No Action", "Restart the Program", "Terminate Velmora",
                                                         "Shutdown Velmora"};
// The action's name, or an empty text for a value beyond the list.
std::string ExitActionName(std::uint32_t action);

// The Supervision page.
using ExitActions = std::vector<ServiceDefinition::ExitCodeAction>;
struct SupervisionValues {
    TableFields fields{settings::Page::Supervision};
    ExitActions exitActions;
};
SupervisionValues SupervisionFromRecord(const ServiceDefinition& record);
// A number that does not convert leaves its field as it was.
void SupervisionToRecord(const SupervisionValues& values, ServiceDefinition& record);

// An exit code as typed: decimal, or hexadecimal after "0x", with blanks around it.
// `code` is set only for a number.
CountText ParseExitCode(const std::string& text, std::uint32_t& code);
// An exit code as the list shows it: decimal for small codes, hexadecimal for the large ones,
// which are status values that are looked up by their hexadecimal form.
std::string ExitCodeText(std::uint32_t code);
constexpr std::size_t kNoExitAction = static_cast<std::size_t>(-1);
// The entry that already decides for `entry`'s code (or for every other code), leaving out the
// one at `replacing`; kNoExitAction when there is none.
std::size_t FindExitAction(const ExitActions& actions, const ServiceDefinition::ExitCodeAction& entry,
                           std::size_t replacing = kNoExitAction);

// The Log On / Recovery page (the pre-shutdown timeout's default is off).
// The ways to log on, by list position: a service_account::Kind up to User.
constexpr std::array<const char*, 6> kAccountKindNames = {
    "Local System account", "Local Service account", "Network Service account",
    "Virtual account of this service", "Managed service account", "This account"};
// What the service database does after a failure, by position: an SC_ACTION_TYPE number.
constexpr std::array<const char*, 4> kRecoveryActionNames = {"Take No Action", "Restart the Service",
                                                             "Restart the Computer", "Run a Program"};
constexpr std::size_t kRecoverySteps = ServiceDefinition::kRecoverySteps;
struct LogOnValues {
    int accountKind = 0;
    std::string accountName;    // as typed, for the two kinds that are typed
    std::string loadedAccount;  // the record's text, written back while it still names the chosen kind
    TableFields fields{settings::Page::LogOn};
};
LogOnValues LogOnFromRecord(const ServiceDefinition& record);
// The virtual account takes the record's name: the Program page's values go in first. A number
// that does not convert leaves its field as it was.
void LogOnToRecord(const LogOnValues& values, ServiceDefinition& record);
// A managed service account and a user account are typed; the other kinds have fixed names.
bool AccountIsTyped(int kind);
// The Account text the values stand for, for a service of this name (empty: LocalSystem).
std::string AccountText(const LogOnValues& values, const std::string& serviceName);

// The Notify page: the hooks and webhooks in the order written, and the time a hook may take.
using Notifications = std::vector<ServiceDefinition::Notification>;
struct NotifyValues {
    TableFields fields{settings::Page::Notify};
    Notifications notifications;
};
NotifyValues NotifyFromRecord(const ServiceDefinition& record);
// A number that does not convert leaves its field as it was.
void NotifyToRecord(const NotifyValues& values, ServiceDefinition& record);
// A header as the list shows it: its name, its value masked ("X-Token:" and three dots), so that
// a token never shows on screen; empty for no header.
std::string MaskedHeader(const std::string& header);
// The On text for the events ticked in `mask` (bits of notification::Event): `kept` when it
// names exactly those events, else their names in event order, separated by commas.
std::string EventsText(std::uint32_t mask, const std::string& kept);

using Variables = std::vector<EnvironmentVariable>;
constexpr std::size_t kNoVariable = static_cast<std::size_t>(-1);
// The first variable with exactly this name (byte for byte, with case), or kNoVariable.
std::size_t FindVariable(const Variables& variables, const std::string& name);
// Gives the first variable of that name the value, or appends a new one; returns its position.
std::size_t SetVariable(Variables& variables, const std::string& name, const std::string& value);
// Gives every variable of that name the value; returns their positions.
std::vector<std::size_t> SetEveryVariable(Variables& variables, const std::string& name, const std::string& value);

}  // namespace editor
