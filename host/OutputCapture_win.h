#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "OutputLines.h"
#include "UniqueResource.h"

// The programs' standard output and error, kept in files: pipes the host drains without pause,
// whole lines appended to files that rotate by size or by day.
namespace host {

struct RotationRule {
    std::uint32_t size = 0;  // bytes; 0: never by size
    bool daily = false;
    std::uint32_t keep = 10;  // rotated files kept
};

// Creates the folders a file's path needs. False, with the system's error, when it cannot.
bool MakeFolderFor(const std::string& path, DWORD* error);

// Deletes the oldest rotated files of `path` beyond the newest `keep` (output::RotatedName).
void DeleteBeyondKept(const std::string& path, std::uint32_t keep);

// Renames the log at `path` to its rotated name and deletes the oldest rotated files beyond
// `keep`. False, with the system's error, when the log could not be renamed.
bool RotateLogFile(const std::string& path, std::uint32_t keep, DWORD* error);

// Told of output that could not be written: how many bytes were dropped, the system's reason,
// and whether writing works again (else the log is being closed).
using LossReport = std::function<void(const std::string& path, std::uint64_t dropped, DWORD error, bool resumed)>;
// Told of a log that was rotated: its path.
using RotationReport = std::function<void(const std::string& path)>;

// One log file, shared by every stream that writes to it. Writes are whole lines, appended;
// a write that fails is dropped and counted, never retried in a loop, so the writer is never
// held up: the file is opened again at most once a second until it works.
class LogFile {
public:
    LogFile(std::string path, const RotationRule& rule, LossReport report, RotationReport rotated = nullptr);
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    void Write(const char* data, std::size_t size);
    const std::string& Path() const { return path_; }

private:
    bool Open();
    void Rotate();
    void WriteRaw(const char* data, std::size_t size);
    void Drop(std::size_t size, DWORD error);

    const std::string path_;
    const RotationRule rule_;
    const LossReport report_;
    const RotationReport rotated_;
    std::mutex mutex_;
    UniqueFileHandle file_;
    std::uint64_t size_ = 0;
    unsigned day_ = 0;  // year, month and day of the file's last write, as one number
    std::uint64_t dropped_ = 0;
    DWORD lastError_ = 0;
    ULONGLONG nextOpen_ = 0;
    ULONGLONG nextRotation_ = 0;
};

// Standard handles for one program: the write ends of its pipes, inheritable, to be closed by
// the host as soon as the program has them.
struct ProgramHandles {
    UniqueHandle output;
    UniqueHandle error;
    bool merged = false;  // the error stream shares the output pipe
    std::string outputFile, errorFile;  // where each kept stream is written
    HANDLE Output() const { return output.get(); }
    HANDLE Error() const { return merged ? output.get() : error.get(); }
    bool Any() const { return output || error; }
};

// A text looked for in a program's standard output: `found` is set once a line holds it.
struct LineWatch {
    std::string text;
    HANDLE found = nullptr;
};

// The output capture of one service. Each program started gets its own pipes; a reader thread
// per pipe drains it until every process holding its write end (grandchildren too) has closed
// it, so output is never lost to a program's end.
class OutputCapture {
public:
    OutputCapture(const std::string& outputPath, const std::string& errorPath, const RotationRule& rule,
                  bool stamped, LossReport report, RotationReport rotated = nullptr);
    ~OutputCapture();
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    bool Active() const { return output_ || error_; }
    // Pipes for a program about to start; empty handles for a stream that is not kept. False,
    // with the system's error, when the pipes cannot be made (the program then runs without).
    // With `watch`, its standard output is read for the text even when it is not kept, and
    // its errors then go with it. With `lastLines` Yes, the program's last lines replace those
    // of the program before (the service program's runs; not the stop or other programs).
    enum class TailKept { Yes, No };
    bool PrepareProgram(ProgramHandles& handles, DWORD* error, const LineWatch* watch = nullptr,
                        TailKept lastLines = TailKept::No);
    // Waits at most `ms` for the readers to reach the end of their pipes, then stops them, each
    // writing what it holds first.
    void Finish(DWORD ms);

    // The last lines of the program started last, from its error output when that is kept,
    // else from its standard output; waits at most `ms` for its readers to reach the end.
    struct Tail {
        std::string text;
        const char* stream;  // "error output", "standard output"
    };
    Tail LastLines(DWORD ms);

private:
    struct Reader;
    struct TailBox {
        std::mutex mutex;
        output::OutputTail tail;
    };
    bool StartReader(const std::shared_ptr<LogFile>& file, UniqueHandle& writeEnd, DWORD* error,
                     const LineWatch* watch, TailKept lastLines);
    void Reap();

    std::shared_ptr<LogFile> output_, error_;
    std::shared_ptr<TailBox> tail_ = std::make_shared<TailBox>();
    bool stamped_;
    UniqueHandle quit_;
    std::vector<std::unique_ptr<Reader>> readers_;
};

}  // namespace host
