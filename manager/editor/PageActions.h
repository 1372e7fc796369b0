#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "DataExchange.h"
#include "DefinitionValidation.h"
#include "Dialog.h"
#include "PageValues.h"
#include "Settings.h"

// Actions several editor pages and dialogs share: tidying a text field, the time default,
// choosing a folder, a program or a log file for a field, and placing a dialog.
namespace editor {

// Shows a failed rule's message, with its insert when it has one; false when nothing failed.
bool ShowFailure(const ValidationFailure& failure);
// The same in a dialog, whose control the rule names then gets the focus.
bool RefuseInDialog(ui::Dialog& dialog, const ValidationFailure& failure);
// Removes blanks and line breaks around the field's text.
void TrimField(ui::Dialog& page, int field);
// An empty time field gets the default time; then the page takes its values from the controls,
// so a bad number is reported at once.
void DefaultTime(ui::Dialog& page, int field);
// Tidies a field the focus has left: a number field of the settings table on `tab` left blank
// shows the setting's default (unless the field shows the default as blank); any other field is
// trimmed.
void LeaveField(ui::Dialog& page, settings::Page tab, int field);
// Lists the actions on a program's exit in a drop-down list; its position is the action.
void FillExitActions(ui::Dialog& dialog, int combo);
// Moves a page's fields of the settings table between their controls and `fields`.
void ExchangeFields(ui::DataExchange& exchange, TableFields& fields);
void BrowseFolder(ui::Dialog& page, int folderField);
// Puts the chosen program into the executable field and, when there is a working directory
// field and it is empty, the program's folder into it.
void BrowseExecutable(ui::Dialog& page, int executableField, int folderField = 0);
// The Save dialog for a file that is to be written (it need not exist yet), else the Open one.
void BrowseLogFile(ui::Dialog& page, int logField, bool toWrite = false);
// Places a small dialog over the middle of the window that asked for it.
void CentreOverOwner(ui::Dialog& dialog);

}  // namespace editor
