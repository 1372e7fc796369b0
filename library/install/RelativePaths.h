#pragma once

#include <functional>
#include <string>

// The host runs its programs from the folder of Velmora.exe, so a definition's relative paths
// point there when the service runs; the install checks them against the same folder.
namespace relative_paths {

// Whether the system completes `path` from a current folder: neither a drive and its root
// ("C:\"), nor a share ("\\server\share"), nor (on POSIX) a path from "/".
bool IsRelative(const std::string& path);

// `path` as a process whose current folder is `folder` takes it; unchanged when it is not relative
// or `folder` is empty. A path from the root of the current drive ("\data") gets the folder's drive.
std::string Resolved(const std::string& path, const std::string& folder);

// The folder relative paths are resolved against, and who is told where each one points.
struct Base {
    std::string folder;
    std::function<void(const std::string&)> note;

    // `path` resolved against the folder; a relative one is told to `note` with `what` it is.
    std::string Resolve(const std::string& path, const std::string& what) const;
};

}  // namespace relative_paths
