#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// A minidump of a program about to be ended for hanging, for its developers to read.
namespace host {

struct DumpResult {
    std::string path;   // the file written; empty when none was
    std::string error;  // why none was
};

// Writes "<folder>\<service>.<time>.dmp" of the running `process` (its threads, stacks and
// modules, or with `full` its whole memory), then deletes the oldest dumps of the service beyond
// `keep`. The system's dump library is loaded only now, so a host that never dumps never loads it.
DumpResult WriteProgramDump(HANDLE process, DWORD processId, const std::string& folder, const std::string& service,
                            bool full, std::uint32_t keep);

}  // namespace host
