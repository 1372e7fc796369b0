#include <cstdio>

#include "Platform.h"

namespace platform {

namespace {

// Writes and closes the new file; false with the error code when any step fails.
bool WriteWhole(const std::string& path, const std::string& content, unsigned long& code)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        code = LastErrorCode();
        return false;
    }
    const bool written =
        std::fwrite(content.data(), 1, content.size(), file) == content.size() && std::fflush(file) == 0;
    code = written ? 0 : LastErrorCode();
    const bool closed = std::fclose(file) == 0;
    if (written && !closed) code = LastErrorCode();
    return written && closed;
}

}  // namespace

bool ReplaceFileContent(const std::string& path, const std::string& content, std::string* error)
{
    const std::string fresh = path + ".vlnew";
    unsigned long code = 0;
    bool ok = WriteWhole(fresh, content, code);
    if (ok && !MoveFileOver(fresh, path)) {
        code = LastErrorCode();
        ok = false;
    }
    if (!ok) {
        std::remove(fresh.c_str());
        if (error) *error = code ? SystemErrorText(code) : "The file could not be written.";
    }
    return ok;
}

}  // namespace platform
