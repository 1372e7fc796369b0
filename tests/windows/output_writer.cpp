// Writes numbered lines to its standard output and error, as a service program whose output the
// host keeps. Written with WriteFile, unbuffered, so that what it wrote is what the host got.
//
//   output_writer [--lines N] [--width W] [--pace MS] [--late MS] [--crash] [--done FILE]
//                 [--handles FILE] [--bytes N [--to FILE]]
//
// --lines N    N lines "out I" to standard output and "err I" to standard error, every seventh
//              written in two pieces, then "out tail" and "err tail" without a line end
// --width W    pad each line to W bytes
// --pace MS    wait MS between lines
// --late MS    leave a child behind that writes "late line" to standard output after MS
// --crash      end by an access violation instead of exit code 0
// --done FILE  write "done" to FILE once the --bytes write is over, before the lines
// --handles F  write to F whether the standard handles are pipes
// --bytes N    benchmark: N bytes in 100-byte lines to standard output, or with --to straight
//              into FILE; each line a write of its own, or with --buffered through the C
//              library's stream with an 8 KB buffer, as most programs write
// --timing F   write to F when the --bytes write began and ended, in ms since 1970
// --floor      the --bytes write into a pipe that a thread of this program empties: what pipes
//              cost here, whatever reads them
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

void Put(HANDLE to, const std::string& text)
{
    DWORD written = 0;
    WriteFile(to, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void WriteFileText(const std::string& path, const std::string& text)
{
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    Put(file, text);
    CloseHandle(file);
}

std::string Numbered(const char* stream, long i, long width)
{
    std::string line = std::string(stream) + " " + std::to_string(i);
    if (static_cast<long>(line.size()) + 1 < width) line.append(width - line.size() - 1, '.');
    return line + "\n";
}

void LeaveLateChild(long ms)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = "\"" + std::string(self) + "\" --say-late " + std::to_string(ms);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    long lines = 0, width = 0, pace = 0, late = -1, sayLate = -1;
    long long bytes = -1;
    bool crash = false, buffered = false, floor = false;
    std::string done, handles, to, timing;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool more = i + 1 < argc;
        if (arg == "--lines" && more) lines = std::atol(argv[++i]);
        else if (arg == "--width" && more) width = std::atol(argv[++i]);
        else if (arg == "--pace" && more) pace = std::atol(argv[++i]);
        else if (arg == "--late" && more) late = std::atol(argv[++i]);
        else if (arg == "--say-late" && more) sayLate = std::atol(argv[++i]);
        else if (arg == "--crash") crash = true;
        else if (arg == "--buffered") buffered = true;
        else if (arg == "--floor") floor = true;
        else if (arg == "--done" && more) done = argv[++i];
        else if (arg == "--handles" && more) handles = argv[++i];
        else if (arg == "--bytes" && more) bytes = std::atoll(argv[++i]);
        else if (arg == "--to" && more) to = argv[++i];
        else if (arg == "--timing" && more) timing = argv[++i];
    }
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (sayLate >= 0) {
        Sleep(static_cast<DWORD>(sayLate));
        Put(out, "late line\n");
        return 0;
    }
    if (!handles.empty()) {
        const auto kind = [](HANDLE h) { return GetFileType(h) == FILE_TYPE_PIPE ? "pipe" : "other"; };
        WriteFileText(handles, std::string("out=") + kind(out) + " err=" + kind(err) + "\n");
    }
    const auto unixMs = [] {
        FILETIME now{};
        GetSystemTimePreciseAsFileTime(&now);
        const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
        return ticks / 10000 - 11644473600000ull;
    };
    const unsigned long long began = unixMs();
    if (bytes >= 0 && floor) {
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, nullptr, 1024 * 1024)) return 1;
        std::thread drain([readEnd] {
            std::vector<char> sink(64 * 1024);
            DWORD got = 0;
            while (ReadFile(readEnd, sink.data(), static_cast<DWORD>(sink.size()), &got, nullptr) && got) {
            }
        });
        // Buffered: 81 lines per write, about what an 8 KB stream buffer hands on.
        std::string piece;
        for (int i = 0; i < (buffered ? 81 : 1); ++i) piece += std::string(99, 'x') + "\n";
        for (long long written = 0; written < bytes; written += static_cast<long long>(piece.size())) Put(writeEnd, piece);
        CloseHandle(writeEnd);
        drain.join();
        CloseHandle(readEnd);
    } else if (bytes >= 0 && buffered) {
        std::FILE* target = to.empty() ? stdout : std::fopen(to.c_str(), "ab");
        if (!target) return 1;
        static char buffer[8192];
        std::setvbuf(target, buffer, _IOFBF, sizeof buffer);
        std::string line(99, 'x');
        line += '\n';
        for (long long written = 0; written < bytes; written += 100) std::fwrite(line.data(), 1, line.size(), target);
        std::fflush(target);
        if (target != stdout) std::fclose(target);
    } else if (bytes >= 0) {
        HANDLE target = out;
        if (!to.empty())
            target = CreateFileA(to.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
        std::string line(99, 'x');
        line += '\n';
        for (long long written = 0; written < bytes; written += 100) Put(target, line);
        if (!to.empty()) CloseHandle(target);
    }
    if (!timing.empty())
        WriteFileText(timing, "began=" + std::to_string(began) + " ended=" + std::to_string(unixMs()) + "\n");
    if (!done.empty()) WriteFileText(done, "done\n");
    for (long i = 1; i <= lines; ++i) {
        for (const auto& [stream, name] : {std::pair<HANDLE, const char*>{out, "out"}, {err, "err"}}) {
            const std::string line = Numbered(name, i, width);
            if (i % 7 == 0) {
                Put(stream, line.substr(0, line.size() / 2));
                Put(stream, line.substr(line.size() / 2));
            } else {
                Put(stream, line);
            }
        }
        if (pace) Sleep(static_cast<DWORD>(pace));
    }
    if (lines) {
        Put(out, "out tail");
        Put(err, "err tail");
    }
    if (late >= 0) LeaveLateChild(late);
    if (crash) {
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
        *static_cast<volatile int*>(nullptr) = 1;
    }
    return 0;
}
