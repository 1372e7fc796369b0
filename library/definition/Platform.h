#pragma once

#include <string>

#include "QuillonExport.h"

// What the portable core needs from the operating system, with one implementation for Windows
// and one for POSIX systems (the native test and fuzzing builds). The programs use the two that
// Quillon.dll exports.
namespace platform {

// Major version of the running Windows (on POSIX: 6, as for any supported Windows).
unsigned WindowsMajorVersion();
// Makes WindowsMajorVersion() answer `major` instead, for tests; 0 goes back to the real value.
void OverrideWindowsMajorVersion(unsigned major);

enum class FileKind { Missing, Regular, Directory, Other };

struct FileStatus {
    FileKind kind = FileKind::Missing;  // Missing when the query failed
    bool executable = false;            // Windows: exe, com, bat or cmd ending; POSIX: execute bit
};

// Status of a path; on failure kind is Missing and the last system error tells why.
QUILLON_API FileStatus QueryFileStatus(const std::string& path);

// The folder of the module holding this code (Quillon.dll on Windows, the program natively),
// without a trailing separator; empty when the system cannot tell.
std::string ModuleDirectory();

// Whether the 8-bit system calls take UTF-8 (Windows: the process's ANSI code page; POSIX: yes).
bool AnsiCodePageIsUtf8();

// The calling thread's last system error code.
unsigned long LastErrorCode();

// The system's text for an error code without the line end it comes with; empty when the system
// has no text for the code or the text is longer than a bounded buffer takes.
QUILLON_API std::string SystemErrorText(unsigned long code);

// Moves a file over another, replacing it in one step.
bool MoveFileOver(const std::string& from, const std::string& to);

// Writes `content` to `path` so that a failure never destroys what was there: the bytes go to a
// new file beside it, which replaces the old one only once it is complete and closed. On failure
// the old file is untouched, the new one is gone, and `error` (when given) holds the reason.
bool ReplaceFileContent(const std::string& path, const std::string& content, std::string* error);

}  // namespace platform
