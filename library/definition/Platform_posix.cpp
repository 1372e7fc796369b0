#include "Platform.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
std::atomic<unsigned> overrideMajor{0};
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

unsigned long LastErrorCode() { return static_cast<unsigned long>(errno); }

std::size_t FormatSystemError(unsigned long code, char* buffer, std::size_t size)
{
    if (!buffer || size == 0) return 0;
    // Ends like the Windows texts do, so callers see the same shape on both builds.
    const int written = std::snprintf(buffer, size, "%s\r\n", std::strerror(static_cast<int>(code)));
    if (written < 0) {
        buffer[0] = '\0';
        return 0;
    }
    return static_cast<std::size_t>(written) < size ? static_cast<std::size_t>(written) : size - 1;
}

bool MoveFileOver(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

}  // namespace platform
