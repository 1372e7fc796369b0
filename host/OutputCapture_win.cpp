#include "OutputCapture_win.h"

#include <atomic>
#include <cstdio>

namespace host {

namespace {

constexpr DWORD kPipeBuffer = 64 * 1024;
// How long an unfinished line waits for its end before it is written as it is.
constexpr DWORD kFlushMs = 1000;
// How often a file that cannot be written is tried again, and a log that could not be renamed
// (another program holds it open without sharing its deletion; it grows past its size meanwhile).
constexpr ULONGLONG kRetryMs = 1000;
constexpr ULONGLONG kRotationRetryMs = 250;
// A read that found the pipe nearly empty is followed by a short pause, so that a program
// writing many small lines is read in large pieces rather than one system call per line: the
// pipe holds what it writes meanwhile.
constexpr DWORD kGatherMs = 5;
constexpr DWORD kGatherBelow = 4096;
// What the pipe holds while the reader pauses or writes.
constexpr DWORD kPipeHolds = 1024 * 1024;

output::LocalTime Now()
{
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

unsigned DayOf(const SYSTEMTIME& t) { return t.wYear * 10000u + t.wMonth * 100u + t.wDay; }

unsigned Today()
{
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return DayOf(t);
}

// The local day a file was last written on; today for a file that cannot tell.
unsigned LastWriteDay(HANDLE file)
{
    FILETIME written{}, local{};
    SYSTEMTIME t{};
    if (!GetFileTime(file, nullptr, nullptr, &written) || !FileTimeToLocalFileTime(&written, &local) ||
        !FileTimeToSystemTime(&local, &t))
        return Today();
    return DayOf(t);
}

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.size() - output::FileNameOf(path).size());
}

bool SamePath(const std::string& a, const std::string& b)
{
    char fullA[MAX_PATH * 4] = {}, fullB[MAX_PATH * 4] = {};
    const DWORD lengthA = GetFullPathNameA(a.c_str(), sizeof fullA, fullA, nullptr);
    const DWORD lengthB = GetFullPathNameA(b.c_str(), sizeof fullB, fullB, nullptr);
    if (lengthA == 0 || lengthA >= sizeof fullA || lengthB == 0 || lengthB >= sizeof fullB)
        return lstrcmpiA(a.c_str(), b.c_str()) == 0;
    return lstrcmpiA(fullA, fullB) == 0;
}

std::atomic<unsigned> pipeCount{0};

}  // namespace

void DeleteBeyondKept(const std::string& path, std::uint32_t keep)
{
    const std::string folder = FolderOf(path);
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    std::vector<std::string> rotated;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && output::IsRotatedOf(path, found.cFileName))
            rotated.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    for (const std::string& name : output::BeyondKept(std::move(rotated), keep)) DeleteFileA((folder + name).c_str());
}

bool MakeFolderFor(const std::string& path, DWORD* error)
{
    std::string folder = FolderOf(path);
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    if (folder.empty() || folder.back() == ':') return true;
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
        if (error) *error = ERROR_DIRECTORY;
        return false;
    }
    if (!MakeFolderFor(folder, error)) return false;
    if (CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
    if (error) *error = GetLastError();
    return false;
}

bool RotateLogFile(const std::string& path, std::uint32_t keep, DWORD* error)
{
    // Two rotations within a millisecond would give the same name: the later one moves on by a
    // millisecond, so names stay unique and in order.
    output::LocalTime t = Now();
    std::string rotated = output::RotatedName(path, t);
    for (int i = 0; i < 1000 && GetFileAttributesA(rotated.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) {
        if (++t.milliseconds == 1000) {
            t.milliseconds = 0;
            ++t.second;
        }
        rotated = output::RotatedName(path, t);
    }
    if (!MoveFileExA(path.c_str(), rotated.c_str(), 0)) {
        if (error) *error = GetLastError();
        return false;
    }
    DeleteBeyondKept(path, keep);
    return true;
}

LogFile::LogFile(std::string path, const RotationRule& rule, LossReport report, RotationReport rotated)
    : path_(std::move(path)), rule_(rule), report_(std::move(report)), rotated_(std::move(rotated))
{
}

LogFile::~LogFile()
{
    if (dropped_ && report_) report_(path_, dropped_, lastError_, false);
}

bool LogFile::Open()
{
    if (file_) return true;
    const ULONGLONG now = GetTickCount64();
    if (now < nextOpen_) return false;
    file_.reset(CreateFileA(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) {
        lastError_ = GetLastError();
        nextOpen_ = now + kRetryMs;
        return false;
    }
    LARGE_INTEGER size{};
    size_ = GetFileSizeEx(file_.get(), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
    day_ = size_ ? LastWriteDay(file_.get()) : Today();
    return true;
}

void LogFile::Rotate()
{
    const ULONGLONG now = GetTickCount64();
    if (now < nextRotation_) return;
    file_.reset();
    DWORD error = 0;
    // A log another program holds without sharing its deletion cannot be renamed: it goes on
    // growing, and the rotation is tried again later rather than on every line.
    if (!RotateLogFile(path_, rule_.keep, &error))
        nextRotation_ = now + kRotationRetryMs;
    else if (rotated_)
        rotated_(path_);
    Open();
}

void LogFile::Drop(std::size_t size, DWORD error)
{
    dropped_ += size;
    lastError_ = error;
}

void LogFile::WriteRaw(const char* data, std::size_t size)
{
    if (!size) return;
    if (!Open()) {
        Drop(size, lastError_);
        return;
    }
    DWORD written = 0;
    if (!WriteFile(file_.get(), data, static_cast<DWORD>(size), &written, nullptr) || written != size) {
        Drop(size - written, GetLastError());
        size_ += written;
        file_.reset();
        nextOpen_ = GetTickCount64() + kRetryMs;
        return;
    }
    size_ += written;
    if (dropped_) {
        if (report_) report_(path_, dropped_, lastError_, true);
        dropped_ = 0;
    }
}

void LogFile::Write(const char* data, std::size_t size)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (rule_.daily && Open()) {
        const unsigned today = Today();
        if (size_ && day_ != today) Rotate();
        day_ = today;
    }
    while (size) {
        std::size_t take = size;
        if (rule_.size && Open() && size_ + size > rule_.size) {
            const std::size_t room = size_ < rule_.size ? static_cast<std::size_t>(rule_.size - size_) : 0;
            take = output::WholeLinesWithin(data, size, room);
            if (take == 0) {
                if (size_ && GetTickCount64() >= nextRotation_) {
                    Rotate();
                    continue;
                }
                // An empty file takes a line longer than the limit whole: lines are never cut.
                take = size_ ? size : output::FirstLine(data, size);
            }
        }
        // One write call carries at most a few megabytes; output arrives in pipe-sized pieces.
        take = std::min<std::size_t>(take, 1u << 30);
        WriteRaw(data, take);
        data += take;
        size -= take;
    }
}

struct OutputCapture::Reader {
    std::shared_ptr<LogFile> file;
    UniqueHandle pipe;
    UniqueHandle done;  // the thread's end
    std::thread thread;
    bool stamped = false;
    HANDLE quit = nullptr;
    LineWatch watch;  // no text: none
    std::shared_ptr<TailBox> tail;  // the stream whose last lines are kept, if this is it

    ~Reader()
    {
        if (thread.joinable()) thread.join();
    }

    bool Finished() const { return WaitForSingleObject(done.get(), 0) == WAIT_OBJECT_0; }

    void Run()
    {
        output::LineCutter cutter(stamped);
        std::vector<char> buffer(kPipeBuffer);
        std::string lines;
        UniqueHandle readDone(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        const auto write = [&] {
            if (!watch.text.empty() && lines.find(watch.text) != std::string::npos) {
                SetEvent(watch.found);
                watch.text.clear();  // found once is enough
            }
            if (!lines.empty() && file) file->Write(lines.data(), lines.size());
            if (!lines.empty() && tail) {
                const std::lock_guard<std::mutex> hold(tail->mutex);
                tail->tail.Add(lines.data(), lines.size());
            }
            lines.clear();
        };
        for (bool open = static_cast<bool>(readDone); open;) {
            OVERLAPPED overlapped{};
            overlapped.hEvent = readDone.get();
            DWORD got = 0;
            if (!ReadFile(pipe.get(), buffer.data(), kPipeBuffer, nullptr, &overlapped) &&
                GetLastError() != ERROR_IO_PENDING)
                break;
            for (bool waiting = true; waiting;) {
                const HANDLE handles[] = {readDone.get(), quit};
                switch (WaitForMultipleObjects(2, handles, FALSE, cutter.Holding() ? kFlushMs : INFINITE)) {
                case WAIT_OBJECT_0:
                    waiting = false;
                    break;
                case WAIT_TIMEOUT:
                    // A line without its end for a second: written as it is, its end follows.
                    cutter.Flush(output::Stamp(Now()), lines);
                    write();
                    break;
                default:
                    CancelIo(pipe.get());
                    open = false;
                    waiting = false;
                }
            }
            if (!GetOverlappedResult(pipe.get(), &overlapped, &got, TRUE)) break;
            if (got) {
                cutter.Feed(buffer.data(), got, output::Stamp(Now()), lines);
                write();
            }
            if (open && got < kGatherBelow) Sleep(kGatherMs);
        }
        cutter.Finish(output::Stamp(Now()), lines);
        write();
        SetEvent(done.get());
    }
};

OutputCapture::OutputCapture(const std::string& outputPath, const std::string& errorPath, const RotationRule& rule,
                             bool stamped, LossReport report, RotationReport rotated)
    : stamped_(stamped), quit_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    if (!outputPath.empty()) output_ = std::make_shared<LogFile>(outputPath, rule, report, rotated);
    if (!errorPath.empty()) {
        if (output_ && SamePath(outputPath, errorPath))
            error_ = output_;
        else
            error_ = std::make_shared<LogFile>(errorPath, rule, report, rotated);
    }
}

OutputCapture::~OutputCapture() { Finish(0); }

bool OutputCapture::StartReader(const std::shared_ptr<LogFile>& file, UniqueHandle& writeEnd, DWORD* error,
                                const LineWatch* watch, TailKept lastLines)
{
    char name[96];
    std::snprintf(name, sizeof name, "\\\\.\\pipe\\velmora-output-%lu-%u", GetCurrentProcessId(), ++pipeCount);
    const HANDLE readEnd = CreateNamedPipeA(name, PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                            PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, kPipeHolds, 0, nullptr);
    if (readEnd == INVALID_HANDLE_VALUE) {
        if (error) *error = GetLastError();
        return false;
    }
    auto reader = std::make_unique<Reader>();
    reader->pipe.reset(readEnd);
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const HANDLE writing = CreateFileA(name, GENERIC_WRITE, 0, &inherited, OPEN_EXISTING, 0, nullptr);
    reader->done.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (writing == INVALID_HANDLE_VALUE || !reader->done || !quit_) {
        if (error) *error = GetLastError();
        if (writing != INVALID_HANDLE_VALUE) CloseHandle(writing);
        return false;
    }
    writeEnd.reset(writing);
    reader->file = file;
    if (lastLines == TailKept::Yes && file && file == (error_ ? error_ : output_)) reader->tail = tail_;
    if (watch) reader->watch = *watch;
    reader->stamped = stamped_;
    reader->quit = quit_.get();
    Reader* running = reader.get();
    reader->thread = std::thread([running] { running->Run(); });
    readers_.push_back(std::move(reader));
    return true;
}

void OutputCapture::Reap()
{
    for (auto it = readers_.begin(); it != readers_.end();) {
        if ((*it)->Finished())
            it = readers_.erase(it);
        else
            ++it;
    }
}

bool OutputCapture::PrepareProgram(ProgramHandles& handles, DWORD* error, const LineWatch* watch, TailKept lastLines)
{
    Reap();
    if (lastLines == TailKept::Yes) {
        const std::lock_guard<std::mutex> hold(tail_->mutex);
        tail_->tail.Clear();
    }
    handles = ProgramHandles();
    if ((output_ || watch) && !StartReader(output_, handles.output, error, watch, lastLines)) return false;
    if (output_) handles.outputFile = output_->Path();
    if (error_) handles.errorFile = error_->Path();
    if ((error_ && error_ == output_) || (watch && !error_)) {
        handles.merged = true;  // one pipe keeps both streams in the order written
        return true;
    }
    if (error_ && !StartReader(error_, handles.error, error, nullptr, lastLines)) {
        handles = ProgramHandles();
        return false;
    }
    return true;
}

OutputCapture::Tail OutputCapture::LastLines(DWORD ms)
{
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (const auto& reader : readers_) {
        if (reader->tail != tail_) continue;
        const ULONGLONG now = GetTickCount64();
        WaitForSingleObject(reader->done.get(), now >= deadline ? 0 : static_cast<DWORD>(deadline - now));
    }
    const std::lock_guard<std::mutex> hold(tail_->mutex);
    return {tail_->tail.Text(), error_ ? "error output" : "standard output"};
}

void OutputCapture::Finish(DWORD ms)
{
    const ULONGLONG deadline = GetTickCount64() + ms;
    for (const auto& reader : readers_) {
        const ULONGLONG now = GetTickCount64();
        WaitForSingleObject(reader->done.get(), now >= deadline ? 0 : static_cast<DWORD>(deadline - now));
    }
    if (quit_) SetEvent(quit_.get());
    readers_.clear();  // each joined: what it held is written
    if (quit_) ResetEvent(quit_.get());
}

}  // namespace host
