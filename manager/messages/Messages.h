#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "MessageIds.h"  // the MSG_ ids of MessageTable.mc
#include "StringIds.h"

namespace messages {

enum Severity { kInformation = 0, kError = 2 };

// The message-table text for `messageId` with the inserts (%1 is the first; without inserts the
// %n marks stay as they stand); empty when the id is missing or the text could not be formatted.
std::string FormatMessageText(DWORD messageId, std::initializer_list<const char*> inserts = {});

// A box with only OK, the message's text, and the icon of the severity; returns the box's result.
int ShowMessage(int severity, DWORD messageId, std::initializer_list<const char*> inserts = {});
// An OK/Cancel question; true when the user chose OK.
bool AskOkCancel(DWORD messageId, std::initializer_list<const char*> inserts = {});
// A Yes/No question with the warning icon; true when the user chose Yes.
bool AskYesNo(DWORD messageId, std::initializer_list<const char*> inserts = {});

// The system's wording for an error code with its line end; "N/A" for 0, empty when the system
// has no text for the code.
std::string SystemErrorText(DWORD errorCode);

// A text of the string table; empty when missing.
std::string StringResource(UINT id);

}  // namespace messages
