// Feeds arbitrary bytes to the conversion of a service's registry parameters, the way the editor
// reads an installed service: the whole input as each kind of value, and the input cut into
// values of a Parameters key (a name byte and a two-byte length before each value's data).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "RegistryLoader.h"

namespace {

using namespace registry_loader;

const char* const kNames[] = {
    "DebugEnabled", "DebugLogFile", "ServiceExe", "ServiceWorkingDir", "ServiceParams", "ServiceDelay",
    "PreServiceExe", "PreServiceWorkDir", "PreServiceParams", "PreServiceDelay", "PostServiceExe",
    "PostServiceWorkDir", "PostServiceParams", "PostServiceDelay", "DisplayName", "Description", "ConsoleApp",
    "InteractWithDesktop", "StartUpMode", "ShowWindow", "JobType", "LoadOrderGroup", "SMFEnabled", "SMFFrequency",
    "UponExit", "AutoRestart", "AffinityMask", "Priority", "Dependencies", "Environment",
};
constexpr std::size_t kNameCount = sizeof kNames / sizeof kNames[0];

class TableSource : public ValueSource {
public:
    std::optional<std::string> Read(const char* name, std::size_t limit) override
    {
        const auto found = values.find(name);
        if (found == values.end() || found->second.size() > limit) return std::nullopt;
        return found->second;
    }
    std::map<std::string, std::string> values;
};

void Check(bool condition)
{
    if (!condition) std::abort();
}

void CheckLists(const std::string& data)
{
    const Dependencies lists = DependenciesFromData(data);
    std::size_t bytes = 0;
    for (const auto* list : {&lists.services, &lists.groups}) {
        for (const std::string& entry : *list) {
            Check(!entry.empty() && entry.find('\0') == std::string::npos);
            bytes += entry.size() + 1;
        }
    }
    Check(bytes <= data.size() + 1);
    for (const EnvironmentVariable& variable : EnvironmentFromData(data)) {
        Check(!variable.name.empty() && !variable.value.empty());
        Check(variable.name.find('=') == std::string::npos);
        Check((variable.name + variable.value).find('\0') == std::string::npos);
    }
    const std::string text = TextFromData(data);
    Check(text.size() <= data.size() && text.find('\0') == std::string::npos);
    if (const auto number = NumberFromData(data)) Check(data.size() == kNumberSize);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact copy on the heap, so that a read past the end is caught.
    const std::string whole(reinterpret_cast<const char*>(data), size);
    CheckLists(whole);

    TableSource source;
    for (std::size_t at = 0; at + 3 <= size;) {
        const std::size_t name = data[at] % kNameCount;
        const std::size_t length = data[at + 1] | (std::size_t(data[at + 2]) << 8);
        at += 3;
        const std::size_t taken = length < size - at ? length : size - at;
        source.values[kNames[name]] = whole.substr(at, taken);
        at += taken;
    }
    ServiceDefinition record;
    LoadDefinition(source, "Fuzzed", record);
    Check(record.Name == "Fuzzed");
    Check(record.SMFFrequency == 0 || record.SMFFrequency >= 50);
    Check(record.DisplayName.size() <= kTextLimit && record.Description.size() <= kTextLimit);
    if (const auto found = source.values.find("Dependencies"); found != source.values.end()) {
        Check(std::string(record.RawDependencies.begin(), record.RawDependencies.end()) == found->second);
    }
    return 0;
}
