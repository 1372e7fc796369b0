#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace app {

// Where the program learns which Windows it runs on. The system's calls by default; tests
// give their own answers to reach every branch.
struct VersionSource {
    // GetVersionExA on a structure whose dwOSVersionInfoSize the caller has set.
    std::function<BOOL(OSVERSIONINFOA*)> getVersionEx;
    std::function<DWORD()> getVersion;
};

VersionSource SystemVersionSource();

// The platform line of the support report for what `source` answers.
std::string DescribeOs(const VersionSource& source);
// DescribeOs of the running system, worked out once.
const std::string& OsDescription();

}  // namespace app
