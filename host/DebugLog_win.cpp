#include "DebugLog_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "OutputCapture_win.h"
#include "UniqueResource.h"

DebugLog::DebugLog(bool toFile, std::string path, bool toConsole, std::uint32_t rotateSize, std::uint32_t keep)
    : toFile_(toFile && !path.empty()), path_(std::move(path)), toConsole_(toConsole), rotateSize_(rotateSize),
      keep_(keep)
{
}

void DebugLog::Line(const char* format, ...)
{
    if (!toFile_ && !toConsole_) return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char line[2048];
    int used = std::snprintf(line, sizeof line, "%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu] ", now.wYear, now.wMonth,
                             now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                             GetCurrentProcessId());
    if (used < 0) return;
    va_list args;
    va_start(args, format);
    const int text = std::vsnprintf(line + used, sizeof line - used, format, args);
    va_end(args);
    if (text < 0) return;
    used = std::min<int>(used + text, sizeof line - 3);  // a cut line still ends the line
    line[used++] = '\r';
    line[used++] = '\n';

    const std::lock_guard<std::mutex> hold(mutex_);
    if (toConsole_) {
        std::fwrite(line, 1, used, stdout);
        std::fflush(stdout);
    }
    if (!toFile_) return;
    // Opened per line: a file moved, deleted or locked for a while costs only those lines.
    const auto open = [this] {
        return UniqueFileHandle(CreateFileA(path_.c_str(), FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    UniqueFileHandle file = open();
    if (!file) return;
    LARGE_INTEGER size{};
    if (rotateSize_ && GetFileSizeEx(file.get(), &size) && size.QuadPart > 0 &&
        static_cast<std::uint64_t>(size.QuadPart) + static_cast<std::uint64_t>(used) > rotateSize_) {
        file.reset();
        host::RotateLogFile(path_, keep_, nullptr);
        file = open();
        if (!file) return;
    }
    DWORD written = 0;
    WriteFile(file.get(), line, static_cast<DWORD>(used), &written, nullptr);
}
