#include "UpgradeCommands_win.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Platform.h"
#include "ServiceCommands_win.h"
#include "StoppedRecord.h"
#include "Supervisor_win.h"

namespace host {

namespace {

using namespace command_exit;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

std::string RecordPath() { return HostDirectory() + "\\" + stopped_record::kFileName; }

enum class RecordState { Missing, Read, Unreadable };

// The record's names; Unreadable after saying why on standard error.
RecordState ReadRecord(std::vector<std::string>& names)
{
    const std::string path = RecordPath();
    const UniqueFile file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_FILE_NOT_FOUND)
            return RecordState::Missing;
        std::fprintf(stderr, "Error: Cannot read %s: %s\n", path.c_str(), platform::SystemErrorText(GetLastError()).c_str());
        return RecordState::Unreadable;
    }
    std::string text(stopped_record::kMaxRecordBytes + 1, '\0');
    text.resize(std::fread(&text[0], 1, text.size(), file.get()));
    const stopped_record::Parsed parsed = stopped_record::Parse(text);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "Error: %s is no record of stopped services: %s. Nothing was changed.\n", path.c_str(),
                     parsed.error.c_str());
        return RecordState::Unreadable;
    }
    names = parsed.names;
    return RecordState::Read;
}

// The record replaced as a whole, or removed when `names` is empty and `keepEmpty` is not set.
bool WriteRecord(const std::vector<std::string>& names, bool keepEmpty)
{
    const std::string path = RecordPath();
    if (names.empty() && !keepEmpty) {
        if (DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) return true;
        std::fprintf(stderr, "Error: Cannot remove %s: %s\n", path.c_str(), platform::SystemErrorText(GetLastError()).c_str());
        return false;
    }
    const std::string fresh = path + ".new";
    const std::string text = stopped_record::Text(names);
    bool written = false;
    {
        const UniqueFile file(std::fopen(fresh.c_str(), "wb"));
        written = file && std::fwrite(text.data(), 1, text.size(), file.get()) == text.size() && std::fflush(file.get()) == 0;
    }
    if (written && MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    DeleteFileA(fresh.c_str());
    std::fprintf(stderr, "Error: Cannot write %s: %s\n", path.c_str(), platform::SystemErrorText(error).c_str());
    return false;
}

// How long an upgrade's record lets a removal of the installation through.
constexpr std::uint64_t kUpgradeRecordMs = 60 * 60 * 1000;

// The time since the record was written; the most there is when it cannot be told.
std::uint64_t RecordAgeMs()
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(RecordPath().c_str(), GetFileExInfoStandard, &data)) return UINT64_MAX;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const auto value = [](const FILETIME& t) { return (std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    const std::uint64_t written = value(data.ftLastWriteTime), at = value(now);
    return at > written ? (at - written) / 10000 : 0;
}

bool IsListed(const std::vector<HostedService>& services, const std::string& name)
{
    for (const HostedService& s : services)
        if (stopped_record::SameName(s.name, name)) return true;
    return false;
}

}  // namespace

int StopAllServices()
{
    if (!MayChangeServices(stderr)) return kNeedsAdministrator;
    std::vector<std::string> recorded;
    if (ReadRecord(recorded) == RecordState::Unreadable) return kFailed;
    std::vector<HostedService> services;
    int exitCode = kDone;
    if (!ServicesOfThisInstallation(services, exitCode)) return exitCode;
    std::vector<std::string> running;
    for (const HostedService& service : services)
        if (service.state != SERVICE_STOPPED) running.push_back(service.name);
    // Recorded before any is stopped, so that nothing stops without a way to start it again.
    if (!WriteRecord(stopped_record::Merge(recorded, running), true)) return kFailed;
    int result = kDone;
    for (const std::string& name : running) {
        const int code = StopAndWait(name);
        if (code != kDone) result = code;
    }
    if (running.empty())
        std::printf("No service of this installation was running.\n");
    else if (result != kDone)
        std::fprintf(stderr, "Error: Not every running service of this installation stopped; \"Velmora "
                             "-startstopped\" starts those recorded in %s again.\n", RecordPath().c_str());
    else
        std::printf("Stopped %zu service(s) of this installation; \"Velmora -startstopped\" starts them again.\n",
                    running.size());
    return result;
}

int StartStoppedServices()
{
    if (!MayChangeServices(stderr)) return kNeedsAdministrator;
    std::vector<std::string> recorded;
    switch (ReadRecord(recorded)) {
    case RecordState::Missing: std::printf("No services were recorded as stopped by \"Velmora -stopall\".\n"); return kDone;
    case RecordState::Unreadable: return kFailed;
    case RecordState::Read: break;
    }
    std::vector<HostedService> services;
    int exitCode = kDone;
    if (!ServicesOfThisInstallation(services, exitCode)) return exitCode;
    std::vector<std::string> failed;
    for (const std::string& name : recorded) {
        if (!IsListed(services, name)) {
            std::printf("The service '%s' is no longer a service of this installation; it was not started.\n", name.c_str());
            continue;
        }
        if (StartAndWait(name) != kDone) failed.push_back(name);
        std::fflush(stdout);
    }
    if (!WriteRecord(failed, false)) return kFailed;
    if (!failed.empty()) {
        std::fprintf(stderr, "Error: %zu service(s) did not start; %s still names them.\n", failed.size(), RecordPath().c_str());
        return kFailed;
    }
    return kDone;
}

int CheckUninstall(bool messageBox)
{
    std::vector<HostedService> services;
    int exitCode = kDone;
    if (!ServicesOfThisInstallation(services, exitCode)) return exitCode;
    if (services.empty()) {
        std::printf("No service of this installation is installed; it can be removed.\n");
        return kDone;
    }
    std::vector<std::string> recorded;
    const RecordState record = ReadRecord(recorded);
    // An upgrade removes the old version within minutes of stopping its services; a record left
    // by a -stopall long ago is no upgrade, and must not let the installation go.
    const bool fresh = record == RecordState::Read && RecordAgeMs() < kUpgradeRecordMs;
    if (fresh) {
        std::printf("An upgrade of this installation has stopped its services (%s); they stay installed.\n",
                    RecordPath().c_str());
        return kDone;
    }
    std::string text = "These services are run by this installation and still installed:\n";
    for (const HostedService& service : services) text += "  " + service.name + "\n";
    text += "Remove them first (\"Velmora -u NAME\" or the service manager); without this installation they cannot "
            "start.\n";
    if (record == RecordState::Read)
        text += "The record of services stopped by \"Velmora -stopall\" (" + RecordPath() +
                ") is more than an hour old, so no upgrade is taken to be under way.\n";
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    if (messageBox)
        MessageBoxA(nullptr, ("Velmora cannot be removed now.\n\n" + text).c_str(), "Velmora",
                    MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
    return kInstallationInUse;
}

}  // namespace host
