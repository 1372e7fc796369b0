#include "Platform.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
std::atomic<unsigned> overrideMajor{0};
constexpr std::size_t kMaxModulePath = 1 << 16;
}  // namespace

unsigned WindowsMajorVersion()
{
    const unsigned forced = overrideMajor.load();
    return forced ? forced : 6;
}

void OverrideWindowsMajorVersion(unsigned major) { overrideMajor.store(major); }

FileStatus QueryFileStatus(const std::string& path)
{
    FileStatus status;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return status;
    if (S_ISDIR(info.st_mode)) {
        status.kind = FileKind::Directory;
    } else if (S_ISREG(info.st_mode)) {
        status.kind = FileKind::Regular;
        status.executable = access(path.c_str(), X_OK) == 0;
    } else {
        status.kind = FileKind::Other;
    }
    return status;
}

// Natively the portable core is linked into the program itself, so its module is the program.
std::string ModuleDirectory()
{
    std::vector<char> path(1024);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < path.size()) {
            const std::string file(path.data(), static_cast<std::size_t>(length));
            const std::string::size_type slash = file.rfind('/');
            return slash == std::string::npos ? std::string() : file.substr(0, slash);
        }
        if (path.size() >= kMaxModulePath) return {};
        path.resize(path.size() * 2);
    }
}

bool AnsiCodePageIsUtf8() { return true; }

unsigned long LastErrorCode() { return static_cast<unsigned long>(errno); }

std::string SystemErrorText(unsigned long code) { return std::strerror(static_cast<int>(code)); }

bool MoveFileOver(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

}  // namespace platform
