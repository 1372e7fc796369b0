#pragma once

#include <string>
#include <vector>

// The record -stopall leaves in the installation folder: the services it stopped, one name a
// line, for -startstopped to start again once the programs are replaced. Portable: no system calls.
namespace stopped_record {

// The record's file name, in the folder of Velmora.exe.
extern const char kFileName[];
// The longest record read; a larger file is no record of ours.
constexpr std::size_t kMaxRecordBytes = 64 * 1024;

struct Parsed {
    std::vector<std::string> names;
    std::string error;  // empty when the text is a record; otherwise what is wrong with it
};

// Lines starting with '#' and blank lines are skipped; every other line is one service name.
Parsed Parse(const std::string& text);

// The text Parse reads back as `names`, a comment line first.
std::string Text(const std::vector<std::string>& names);

// Whether two service names are the same, letter case ignored as the service manager does.
bool SameName(const std::string& a, const std::string& b);

// `names` with those of `more` it lacks (SameName) appended.
std::vector<std::string> Merge(std::vector<std::string> names, const std::vector<std::string>& more);

}  // namespace stopped_record
