#include "RelativePaths.h"

namespace relative_paths {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool HasDrive(const std::string& path) { return path.size() >= 2 && IsLetter(path[0]) && path[1] == ':'; }

}  // namespace

bool IsRelative(const std::string& path)
{
    if (path.empty() || HasDrive(path)) return false;
    // "\data" is taken from the current drive, though not from the current folder.
    return !IsSeparator(path[0]) || (path.size() >= 2 && !IsSeparator(path[1]) && path[0] == '\\');
}

std::string Resolved(const std::string& path, const std::string& folder)
{
    if (folder.empty() || !IsRelative(path)) return path;
    if (path[0] == '\\') return HasDrive(folder) ? folder.substr(0, 2) + path : path;
    const char separator = folder.find('\\') != std::string::npos ? '\\' : '/';
    const bool ends = IsSeparator(folder.back());
    std::string rest = path;
    if (rest.size() >= 2 && rest[0] == '.' && IsSeparator(rest[1])) rest.erase(0, 2);
    return folder + (ends ? "" : std::string(1, separator)) + rest;
}

std::string Base::Resolve(const std::string& path, const std::string& what) const
{
    const std::string full = Resolved(path, folder);
    if (full != path && note)
        note(what + " \"" + path + "\" is a relative path: the service takes it from the folder of Velmora.exe, as " +
             full);
    return full;
}

}  // namespace relative_paths
