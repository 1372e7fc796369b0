#include "RegistryStore.h"

#include <windows.h>

#include "DefinitionBlocks.h"
#include "Failure.h"
#include "UniqueResource.h"

namespace registry_store {

const char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services\\";
const char kEventSourceKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";

namespace {

UniqueHkey CreateKey(const std::string& path)
{
    UniqueHkey key;
    const LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) failure::ThrowCode("Attempt to create registry key failed", status);
    return key;
}

// Registry calls return their error instead of setting the thread's last error.
void SetValue(HKEY key, const char* name, DWORD type, const void* data, std::size_t size)
{
    static const BYTE empty = 0;
    const LONG status = RegSetValueExA(key, name, 0, type, data ? static_cast<const BYTE*>(data) : &empty,
                                       static_cast<DWORD>(size));
    if (status != ERROR_SUCCESS) {
        const std::string message = std::string("Cannot set registry value ") + name;
        failure::ThrowCode(failure::Hold(failure::Slot::RegistryValue, message), status);
    }
}

// Text is stored without its terminator; an empty text as a value of length 0. The system
// counts a terminator in when the byte just past the given length is zero, so the bytes are
// handed over with a non-zero byte after them.
void SetText(HKEY key, const char* name, const std::string& text)
{
    std::string unterminated = text;
    unterminated.push_back('.');
    SetValue(key, name, REG_SZ, unterminated.data(), text.size());
}

void SetNumber(HKEY key, const char* name, std::uint32_t number)
{
    const DWORD value = number;
    SetValue(key, name, REG_DWORD, &value, sizeof value);
}

void SetBlock(HKEY key, const char* name, const std::vector<char>& block)
{
    SetValue(key, name, REG_MULTI_SZ, block.data(), block.size());
}

void SetInvocation(HKEY key, const ServiceDefinition::Invocation& program, const char* exe, const char* dir,
                   const char* params, const char* delay)
{
    SetText(key, exe, program.Executable);
    SetText(key, dir, program.WorkingDir);
    SetText(key, params, program.Parameters);
    SetNumber(key, delay, program.Delay);
}

}  // namespace

void WriteParameters(const std::string& serviceName, const ServiceDefinition& d)
{
    const UniqueHkey key = CreateKey(kServicesKey + serviceName + "\\Parameters");
    const HKEY k = key.get();
    SetInvocation(k, d.PreService, "PreServiceExe", "PreServiceWorkDir", "PreServiceParams", "PreServiceDelay");
    SetInvocation(k, d.Service, "ServiceExe", "ServiceWorkingDir", "ServiceParams", "ServiceDelay");
    SetInvocation(k, d.PostService, "PostServiceExe", "PostServiceWorkDir", "PostServiceParams", "PostServiceDelay");
    SetText(k, "DisplayName", d.DisplayName);
    SetText(k, "Description", d.Description);
    SetNumber(k, "ConsoleApp", d.ConsoleApp);
    SetNumber(k, "InteractWithDesktop", d.InteractWithDesktop);
    SetNumber(k, "StartUpMode", d.StartUpMode);
    SetNumber(k, "ShowWindow", d.ShowWindow);
    SetNumber(k, "JobType", d.JobType);
    SetText(k, "LoadOrderGroup", d.LoadOrderGroup);
    SetNumber(k, "SMFEnabled", d.SMFEnabled);
    SetNumber(k, "SMFFrequency", d.SMFFrequency);
    SetNumber(k, "UponExit", d.UponExit);
    SetNumber(k, "AffinityMask", d.AffinityMask);
    SetNumber(k, "Priority", d.Priority);
    SetBlock(k, "Dependencies", d.RawDependencies);

    std::vector<char> environment;
    try {
        environment = blocks::Environment(d.Environment);
    } catch (const std::bad_alloc&) {
        failure::ThrowLastError("Not enough memory for env data string");
    }
    // Stored at the size of what was built from the list, so a record whose EnvironmentSize
    // disagrees with its list can never cut a terminator off or add stray bytes.
    SetBlock(k, "Environment", environment);

    SetNumber(k, "DebugEnabled", d.DebugEnabled);
    SetText(k, "DebugLogFile", d.DebugLogFile);
}

void RegisterEventSource(const std::string& serviceName, const std::string& hostProgramPath)
{
    const UniqueHkey key = CreateKey(kEventSourceKey + serviceName);
    SetText(key.get(), "EventMessageFile", hostProgramPath);
    SetNumber(key.get(), "TypesSupported", EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE);
}

void RemoveEventSource(const std::string& serviceName)
{
    const LONG status = RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kEventSourceKey + serviceName).c_str());
    if (status != ERROR_SUCCESS) failure::ThrowCode("Attempt to delete registry key failed", status);
}

}  // namespace registry_store
