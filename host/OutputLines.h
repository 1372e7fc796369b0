#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What the host does with a program's output before it reaches a file, and how log files are
// named when they are rotated. Portable: no system calls.
namespace output {

// A moment in local time, as the system clock gives it.
struct LocalTime {
    unsigned year, month, day, hour, minute, second, milliseconds;
};

// "2026-12-09 21:30:05.123 ": what goes before each line when lines are stamped.
std::string Stamp(const LocalTime& t);

// Cuts a stream of output into whole lines. Complete lines go out at once; an unfinished last
// line is held until it ends, is flushed (a program that writes a prompt and waits), or grows
// past the hold limit, so that memory stays bounded however long a line is. A line flushed in
// parts is stamped once, before its first part.
class LineCutter {
public:
    static constexpr std::size_t kHoldLimit = 64 * 1024;

    explicit LineCutter(bool stamped) : stamped_(stamped) {}

    // Appends to `out` the lines `data` completes; keeps what follows the last line end.
    void Feed(const char* data, std::size_t size, const std::string& stamp, std::string& out);
    // Appends the unfinished line held, if any.
    void Flush(const std::string& stamp, std::string& out);
    // The stream ended: the unfinished line is written and ended, so that the next program's
    // output starts on a line of its own.
    void Finish(const std::string& stamp, std::string& out);
    bool Holding() const { return !held_.empty(); }

private:
    void Emit(const char* data, std::size_t size, const std::string& stamp, std::string& out);

    bool stamped_;
    bool lineStart_ = true;
    std::string held_;
};

// The last lines of a stream, for the event log when a program fails: at most kLines lines and
// kBytes bytes, the newest kept. Memory stays bounded however much passes through.
class OutputTail {
public:
    static constexpr std::size_t kLines = 20;
    static constexpr std::size_t kBytes = 4096;

    void Add(const char* data, std::size_t size);
    void Clear() { text_.clear(); }
    // The lines kept, without the last line end; a single line longer than kBytes is cut to its end.
    std::string Text() const;

private:
    std::string text_;
};

// The name a log file gets when it is rotated: the time of the rotation goes between its name
// and its extension, "out.log" becoming "out.20261209-213005-123.log", so that the rotated
// files of one log sort by age and stay apart from other logs in the same folder.
std::string RotatedName(const std::string& path, const LocalTime& t);

// The file name part of a path.
std::string FileNameOf(const std::string& path);

// Whether `fileName` (no folder) is a rotated file of the log at `path`.
bool IsRotatedOf(const std::string& path, const std::string& fileName);

// Of the rotated files of a log (file names, any order), those to delete so that the newest
// `keep` remain; oldest first.
std::vector<std::string> BeyondKept(std::vector<std::string> rotated, std::size_t keep);

// The byte count of the longest start of `data` that ends with a line end and is at most
// `room` bytes long; 0 when no line ends within it.
std::size_t WholeLinesWithin(const char* data, std::size_t size, std::size_t room);

// The byte count of the first line of `data` with its line end, or all of it without one.
std::size_t FirstLine(const char* data, std::size_t size);

}  // namespace output
