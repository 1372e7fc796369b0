#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Paths through the 8-bit calls. With UTF-8 as the ANSI code page a character takes up to three
// bytes (four for a pair of UTF-16 units), so a buffer of MAX_PATH bytes cuts a path of ninety
// Chinese characters; these calls grow their buffer until the path fits.
namespace path_text {

// Bytes for a path of MAX_PATH characters in UTF-8, its terminating zero included.
constexpr DWORD kMaxPathBytes = 3 * MAX_PATH;
// The longest path the system handles, with its terminating zero, in UTF-8 bytes.
constexpr DWORD kLongestPathBytes = 3 * 32768;

// The full path of a module (nullptr: the program); empty when the system cannot tell.
inline std::string ModuleFileName(HMODULE module)
{
    std::vector<char> path(kMaxPathBytes);
    for (;;) {
        const DWORD length = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return std::string(path.data(), length);
        if (path.size() >= kLongestPathBytes) return {};
        path.resize(path.size() * 2);
    }
}

// The folder of a module without its trailing separator; empty when the system cannot tell.
inline std::string ModuleFolder(HMODULE module)
{
    const std::string file = ModuleFileName(module);
    const std::string::size_type slash = file.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

// The process's current directory; empty when the system cannot tell.
inline std::string CurrentDirectory()
{
    std::vector<char> path(kMaxPathBytes);
    for (;;) {
        const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(path.size()), path.data());
        if (length == 0 || length > kLongestPathBytes) return {};
        if (length < path.size()) return std::string(path.data(), length);
        path.resize(length);
    }
}

// Text of the 8-bit calls for a wide call; empty when it does not convert.
inline std::wstring Wide(const std::string& text)
{
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], units);
    return wide;
}

}  // namespace path_text
