// Feeds arbitrary bytes to the reading of a service's registry parameters: the whole input as
// each kind of value, and the input cut into values of a Parameters key (a name byte and a
// two-byte length before each value's data), read the way the editor and the host read them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "FuzzTargets.h"
#include "RegistryData.h"

namespace {

using namespace registry_data;

// Every name a reader asks for, in the order the readers take them, older names included.
const std::vector<std::string>& Names()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const Parameter* row : ReadOrder()) {
            all.push_back(row->name);
            if (row->rule == ReadRule::OlderName) all.push_back(row->other);
        }
        return all;
    }();
    return names;
}

void Check(bool condition)
{
    if (!condition) std::abort();
}

void CheckLists(const std::string& whole)
{
    // An exact copy on the heap, so that a read past the end is caught.
    const std::vector<char> data(whole.begin(), whole.end());
    std::vector<std::string> groups, services;
    SplitDependencies(data.data(), data.size(), groups, services);
    std::size_t bytes = 0;
    for (const auto* list : {&services, &groups}) {
        for (const std::string& entry : *list) {
            Check(!entry.empty() && entry.find('\0') == std::string::npos);
            bytes += entry.size() + 1;
        }
    }
    Check(bytes <= data.size() + 1);
    for (const EnvironmentVariable& variable : EnvironmentEntries(data.data(), data.size())) {
        Check(!variable.name.empty() && !variable.value.empty());
        Check(variable.name.find('=') == std::string::npos);
        Check((variable.name + variable.value).find('\0') == std::string::npos);
    }
    const std::string text = Text(data.data(), data.size());
    Check(text.size() <= data.size() && text.find('\0') == std::string::npos);
    if (Number(data.data(), data.size())) Check(data.size() == kNumberSize);
}

}  // namespace

int fuzz_targets::RegistryData(const std::uint8_t* data, std::size_t size)
{
    const std::string whole(reinterpret_cast<const char*>(data), size);
    CheckLists(whole);

    std::map<std::string, StoredValue> values;
    const std::vector<std::string>& names = Names();
    for (std::size_t at = 0; at + 3 <= size;) {
        const std::size_t name = data[at] % names.size();
        // The byte's high part picks the registry type; 0 gives the type a writer would use.
        const std::uint32_t type = static_cast<std::uint32_t>(data[at] / names.size()) % 8;
        const std::size_t length = data[at + 1] | (std::size_t(data[at + 2]) << 8);
        at += 3;
        const std::size_t taken = length < size - at ? length : size - at;
        values[names[name]] = StoredValue{whole.substr(at, taken), type};
        at += taken;
    }
    const ValueSource source = [&](const char* name, std::size_t limit) -> RawValue {
        const auto found = values.find(name);
        if (found == values.end() || found->second.data.size() > limit) return std::nullopt;
        StoredValue value = found->second;
        if (value.registryType == 0) {
            for (const Parameter& p : kParameters) {
                if (found->first == p.name) value.registryType = p.type == ValueType::Text ? kRegText
                                                               : p.type == ValueType::Number ? kRegNumber
                                                                                             : kRegMultiText;
            }
        }
        return value;
    };
    for (const ReadLimits& limits : {kEditorRead, kHostRead, ReadLimits{16, 16, true}}) {
        ServiceDefinition record;
        for (const std::string& name : LoadParameters(source, "Fuzzed", record, limits)) {
            Check(limits.checkTypes && values.count(name) == 1);
        }
        Check(record.Name == "Fuzzed");
        Check(record.SMFFrequency == 0 || record.SMFFrequency >= kMinimumFrequency);
        Check(record.DisplayName.size() <= limits.text && record.Description.size() <= limits.text);
        const auto found = values.find("Dependencies");
        if (found != values.end() && found->second.data.size() <= limits.list &&
            (!limits.checkTypes || TypeFits(ValueType::Dependencies, found->second.registryType)))
            Check(std::string(record.RawDependencies.begin(), record.RawDependencies.end()) == found->second.data);
    }
    return 0;
}

#ifndef VELMORA_FUZZ_REPLAY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz_targets::RegistryData(data, size);
}
#endif
