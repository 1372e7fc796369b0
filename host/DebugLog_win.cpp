#include "DebugLog_win.h"

#include <windows.h>

#include "PathText.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "OutputCapture_win.h"
#include "UniqueResource.h"

namespace {

// The log's path for the wide call. A path of MAX_PATH characters or more is opened in its
// extended form (\\?\), which every Windows takes whatever its long-path setting: the 8-bit
// calls refuse such a path wherever the system does not lift the limit for the program.
std::wstring OpenablePath(const std::string& path)
{
    const std::wstring wide = path_text::Wide(path);
    if (wide.empty()) return {};
    if (wide.size() < MAX_PATH || wide.compare(0, 4, L"\\\\?\\") == 0) return wide;
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return wide;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), needed, &full[0], nullptr);
    if (length == 0 || length >= needed) return wide;
    full.resize(length);
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

}  // namespace

DebugLog::DebugLog(bool toFile, std::string path, bool toConsole, std::uint32_t rotateSize, std::uint32_t keep)
    : toFile_(toFile && !path.empty()), path_(OpenablePath(path)), rotationPath_(std::move(path)),
      toConsole_(toConsole), rotateSize_(rotateSize), keep_(keep)
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
        return UniqueFileHandle(CreateFileW(path_.c_str(), FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    UniqueFileHandle file = open();
    if (!file) return;
    LARGE_INTEGER size{};
    if (rotateSize_ && GetFileSizeEx(file.get(), &size) && size.QuadPart > 0 &&
        static_cast<std::uint64_t>(size.QuadPart) + static_cast<std::uint64_t>(used) > rotateSize_) {
        file.reset();
        host::RotateLogFile(rotationPath_, keep_, nullptr);
        file = open();
        if (!file) return;
    }
    DWORD written = 0;
    WriteFile(file.get(), line, static_cast<DWORD>(used), &written, nullptr);
}
