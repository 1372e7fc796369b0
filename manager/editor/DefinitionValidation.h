#pragma once

#include <string>
#include <utility>

#include "PageValues.h"
#include "Quillon.h"

namespace editor {

using Page = settings::Page;

struct ValidationFailure {
    ValidationFailure() = default;
    ValidationFailure(unsigned id, Page where, int focus, std::string insert = {})
        : messageId(id), page(where), control(focus), detail(std::move(insert))
    {
    }

    unsigned messageId = 0;  // 0: the record is valid
    Page page = Page::None;
    int control = 0;         // the control that gets the focus
    std::string detail;      // the message's insert, when it has one
};

// The controls of each recovery step, in the record's order.
struct RecoveryControls {
    int action, delay;
};
extern const RecoveryControls kRecoveryControls[kRecoverySteps];

// The checks the editor makes before Install, in their order: the first failing rule wins.
ValidationFailure Validate(const ServiceDefinition& definition);
// The rules of a page's fields of the settings table, on their texts and in the table's order: a
// number that does not convert never reaches the record, and half a stop program or a blank file
// name would be lost, so these are checked before anything is written.
ValidationFailure ValidateFields(const TableFields& fields);
// The Log On / Recovery page's rules: the account typed, then its fields.
ValidationFailure ValidateLogOn(const LogOnValues& values);
// The Health page's rules: its fields, then whether the checks can work (a file whose checks
// cannot work does not load again).
ValidationFailure ValidateHealth(const TableFields& fields);
// The rules joining the limits and the restart schedule to other settings (the job's memory cap
// needs a job), on the field to mend: a file that breaks them does not load again.
ValidationFailure ValidateLimits(const ServiceDefinition& definition);
// The hooks and webhooks as the install checks take them: the first that cannot work, on the
// page's list.
ValidationFailure ValidateNotifications(const ServiceDefinition& definition);
// The notification dialog's rule for one entry, on the field to mend: the events' first box, the
// command line or URL, or the header.
ValidationFailure CheckNotification(const ServiceDefinition::Notification& entry);
// The exit action dialog's rules for an entry typed as `codeText` (unless it is for every other
// code) that is to join `actions` in place of the one at `replacing` (kNoExitAction: added).
// When it passes, `entry` holds the code and the flag.
ValidationFailure CheckExitAction(const std::string& codeText, bool otherCodes, const ExitActions& actions,
                                  std::size_t replacing, ServiceDefinition::ExitCodeAction& entry);

}  // namespace editor
