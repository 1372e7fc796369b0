#pragma once

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "PathText.h"
#include "UniqueResource.h"

// Small helpers for tests that drive Windows itself.
namespace wintest {

// The folder of the running test program (the build's bin folder, beside Velmora.exe).
inline std::string ProgramFolder()
{
    return path_text::ModuleFolder(nullptr);
}

struct CommandResult {
    int exitCode = -1;
    std::string output;
    std::string errors;  // standard error, when the command was run to keep it apart
};

// Runs a command line through the command interpreter and captures its standard output. Under
// load Wine's interpreter now and then fails to launch a program it finds perfectly well (exit
// code 9009, "Can't recognize"); nothing ran then, so the command is tried again.
inline CommandResult Run(const std::string& command)
{
    constexpr int kCannotLaunch = 9009;
    CommandResult result;
    for (int attempt = 1; attempt <= 3; ++attempt) {
        result = CommandResult();
        // A pipe that could not be opened ran nothing, so the command is tried again, as it is
        // when the command interpreter could not launch it.
        FILE* pipe = _popen(command.c_str(), "rb");
        if (!pipe) {
            std::fprintf(stderr, "[the pipe to the command could not be opened (%s), attempt %d] %s\n",
                         std::strerror(errno), attempt, command.c_str());
            Sleep(250);
            continue;
        }
        char buffer[512];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
        result.exitCode = _pclose(pipe);
        if (result.exitCode == -1)
            std::fprintf(stderr, "[the command's end could not be waited for (%s)] %s\n", std::strerror(errno),
                         command.c_str());
        if (result.exitCode != kCannotLaunch) break;
        std::fprintf(stderr, "[the command interpreter could not launch it, attempt %d] %s\n", attempt,
                     command.c_str());
    }
    return result;
}

// Runs Velmora.exe the way the manager does: through the command interpreter, from the
// folder that holds it.
inline CommandResult RunHost(const std::string& arguments)
{
    const std::string previous = path_text::CurrentDirectory();
    SetCurrentDirectoryA(ProgramFolder().c_str());
    CommandResult result = Run("Velmora.exe " + arguments);
    SetCurrentDirectoryA(previous.c_str());
    return result;
}

// RunHost with standard error kept apart from standard output.
inline CommandResult RunHostApart(const std::string& arguments)
{
    char folder[MAX_PATH] = {}, file[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    if (!GetTempFileNameA(folder, "vle", 0, file)) return CommandResult();
    CommandResult result = RunHost(arguments + " 2>\"" + file + "\"");
    if (FILE* errors = std::fopen(file, "rb")) {
        char buffer[512];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, errors)) > 0) result.errors.append(buffer, n);
        std::fclose(errors);
    }
    DeleteFileA(file);
    return result;
}

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

inline DWORD ServiceState(const char* name)
{
    UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle service(OpenServiceA(scm.get(), name, SERVICE_QUERY_STATUS));
    SERVICE_STATUS status{};
    if (!service || !QueryServiceStatus(service.get(), &status)) return 0;
    return status.dwCurrentState;
}

// Waits up to `ms` for a service to reach `state`.
inline bool WaitForState(const char* name, DWORD state, DWORD ms = 10000)
{
    for (DWORD waited = 0; waited <= ms; waited += 50) {
        if (ServiceState(name) == state) return true;
        Sleep(50);
    }
    return false;
}

inline bool ServiceExists(const char* name)
{
    UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle service(OpenServiceA(scm.get(), name, SERVICE_QUERY_STATUS));
    return static_cast<bool>(service);
}

// Starts or stops a service through the service control manager itself, not through a command
// interpreter that could fail to launch under load; returns the error, or NO_ERROR.
// A start that failed while the service stayed stopped is tried twice more, for the same reason
// as in Run: the manager's own launch of the host can fail under load.
inline DWORD StartNamedService(const char* name)
{
    UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle service(OpenServiceA(scm.get(), name, SERVICE_START | SERVICE_QUERY_STATUS));
    if (!service) return GetLastError();
    DWORD error = NO_ERROR;
    for (int attempt = 1; attempt <= 3; ++attempt) {
        if (StartServiceA(service.get(), 0, nullptr)) return NO_ERROR;
        error = GetLastError();
        SERVICE_STATUS status{};
        if (!QueryServiceStatus(service.get(), &status) || status.dwCurrentState != SERVICE_STOPPED) break;
        std::fprintf(stderr, "[starting %s failed with %lu, attempt %d]\n", name, error, attempt);
        Sleep(1000);
    }
    return error;
}

inline DWORD StopNamedService(const char* name)
{
    UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueScHandle service(OpenServiceA(scm.get(), name, SERVICE_STOP));
    SERVICE_STATUS status{};
    if (!service || !ControlService(service.get(), SERVICE_CONTROL_STOP, &status)) return GetLastError();
    return NO_ERROR;
}

// Stops (if running) and deletes a service, ignoring every failure: test clean-up.
inline void RemoveServiceQuietly(const char* name)
{
    UniqueScHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    UniqueScHandle service(OpenServiceA(scm.get(), name, SERVICE_ALL_ACCESS));
    if (!service) return;
    if (StopNamedService(name) == NO_ERROR) WaitForState(name, SERVICE_STOPPED, 5000);
    DeleteService(service.get());
    service.reset();
    for (int i = 0; i < 100 && ServiceExists(name); ++i) Sleep(50);
}

}  // namespace wintest
