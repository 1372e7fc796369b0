#include "Platform.h"

#include <atomic>
#include <vector>

#include <windows.h>

namespace platform {

namespace {
std::atomic<unsigned> overrideMajor{0};
// Any address inside this module names the module to the system.
const char kModuleAnchor = 0;

bool HasProgramEnding(const std::string& path)
{
    const std::string::size_type dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ending = path.substr(dot + 1);
    for (char& c : ending) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return ending == "exe" || ending == "com" || ending == "bat" || ending == "cmd";
}
}  // namespace

unsigned WindowsMajorVersion()
{
    if (unsigned forced = overrideMajor.load()) return forced;
    return static_cast<unsigned>(LOBYTE(LOWORD(GetVersion())));
}

void OverrideWindowsMajorVersion(unsigned major) { overrideMajor.store(major); }

FileStatus QueryFileStatus(const std::string& path)
{
    FileStatus status;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return status;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        status.kind = FileKind::Directory;
    } else if (attributes & FILE_ATTRIBUTE_DEVICE) {
        status.kind = FileKind::Other;
    } else {
        status.kind = FileKind::Regular;
        status.executable = HasProgramEnding(path);
    }
    return status;
}

std::string ModuleDirectory()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            &kModuleAnchor, &module))
        return {};
    // The longest path the system handles, with its terminating zero.
    constexpr DWORD kMaxModulePath = 32768;
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            const std::string file(path.data(), length);
            const std::string::size_type slash = file.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : file.substr(0, slash);
        }
        if (path.size() >= kMaxModulePath) return {};
        path.resize(path.size() * 2);
    }
}

bool AnsiCodePageIsUtf8() { return GetACP() == CP_UTF8; }

unsigned long LastErrorCode() { return GetLastError(); }

std::string SystemErrorText(unsigned long code)
{
    constexpr DWORD kTextSize = 2048;
    char text[kTextSize];
    // FormatMessage refuses a text that does not fit: it returns 0.
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                                        kTextSize, nullptr);
    std::string result(text, length < kTextSize ? length : 0);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
    return result;
}

bool MoveFileOver(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace platform
