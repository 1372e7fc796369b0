#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Quillon.h"
#include "Settings.h"

// A service's run-time parameters as values of its Parameters key: one table describes every
// value, and the writer, the host's reader, the editor's loader and the fuzzer walk it. Stored
// bytes are untrusted, so every parse is bounded by the size given and tolerates a missing or
// misplaced terminator.
namespace registry_data {

// Under HKEY_LOCAL_MACHINE; a service's own key is this followed by its name.
constexpr char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services\\";
// What the service database entry puts before the definition's display name.
constexpr char kDisplayNamePrefix[] = "Velmora Service: ";
// The monitoring interval is never read back below this floor.
constexpr std::uint32_t kMinimumFrequency = 50;

// "SYSTEM\CurrentControlSet\Services\<name>\Parameters".
inline std::string ParametersKeyPath(const std::string& serviceName)
{
    return kServicesKey + serviceName + "\\Parameters";
}

enum class ValueType {
    Text,          // REG_SZ, stored without terminator
    Number,        // REG_DWORD, four little-endian bytes
    Dependencies,  // REG_MULTI_SZ, the dependency block as the record holds it
    Environment,   // REG_MULTI_SZ, "name=value" entries built from the list
    ExitActions,   // REG_MULTI_SZ, "code=action" entries, "*=action" for every other code
    Hooks,         // REG_MULTI_SZ, "on<TAB>command line" entries
    Webhooks,      // REG_MULTI_SZ, "on<TAB>header<TAB>url" entries
};

// What a read does beyond parsing the value's type.
enum class ReadRule {
    Plain,
    WithoutDisplayPrefix,  // the service database's prefix is dropped (exact case)
    AfterSwitch,           // read only when the value named `other` could be read; raised to the floor
    OlderName,             // when missing, the value named `other` (an older installation's name) is read
};

template <typename T>
using RecordField = settings::RecordField<T>;

struct Parameter {
    const char* name;
    ValueType type;
    RecordField<std::string> text;      // Text values
    RecordField<std::uint32_t> number;  // Number values
    std::uint32_t whenMissing;          // Number values that cannot be read
    int readPosition;                   // the readers take the values in this order
    ReadRule rule = ReadRule::Plain;
    const char* other = nullptr;
    // Settings added later are stored only when set (a text not empty, a number other than its
    // missing value), so that a definition without them keeps exactly its earlier values.
    bool onlyWhenSet = false;
};

// Every value, in the order the writer sets them.
extern const std::vector<Parameter> kParameters;
// The same rows in the order the readers take them.
const std::vector<const Parameter*>& ReadOrder();

// How much of a value a reader accepts: a larger value counts as missing. Numbers are four bytes.
// A reader that checks types takes a value of another registry type than its row's as missing
// and names it, rather than reading text bytes as a number.
struct ReadLimits {
    std::size_t text;
    std::size_t list;
    bool checkTypes;
};
// The host reads anything a real parameter could hold, of the right type only.
constexpr ReadLimits kHostRead{1u << 20, 1u << 20, true};
// The editor reads texts into a buffer of 8192 bytes, and lists whole, whatever their type.
constexpr ReadLimits kEditorRead{8192, static_cast<std::size_t>(-1), false};
constexpr std::size_t kNumberSize = 4;

// The registry's type numbers, as stored with each value.
enum RegistryType : std::uint32_t {
    kRegText = 1,          // REG_SZ
    kRegExpandText = 2,    // REG_EXPAND_SZ
    kRegNumber = 4,        // REG_DWORD
    kRegMultiText = 7,     // REG_MULTI_SZ
};
// Whether a stored value of `registryType` is of the kind the row describes.
bool TypeFits(ValueType type, std::uint32_t registryType);

// The bytes of one stored value with its registry type.
struct StoredValue {
    std::string data;
    std::uint32_t registryType = 0;
};
// A value, or nothing when it cannot be read.
using RawValue = std::optional<StoredValue>;
// Fetches a value of the Parameters key by name, when it holds at most `limit` bytes.
using ValueSource = std::function<RawValue(const char* name, std::size_t limit)>;

// The text up to the first zero byte, or all of the data when it holds none.
std::string Text(const char* data, std::size_t size);
// A number is exactly four little-endian bytes; any other size is no number.
std::optional<std::uint32_t> Number(const char* data, std::size_t size);

// Dependency strings: "+group" entries go to `groups`, the rest to `services`; an empty string
// or the end of the data ends the walk, and a lone "+" is skipped.
void SplitDependencies(const char* data, std::size_t size, std::vector<std::string>& groups,
                       std::vector<std::string>& services);
// "name=value" entries; empty names, empty values and entries without "=" are skipped.
std::vector<EnvironmentVariable> EnvironmentEntries(const char* data, std::size_t size);

// Whether the writer stores this value for the record at all.
bool IsStored(const Parameter& parameter, const ServiceDefinition& definition);

// "code=action" entries in decimal, "*=action" for the other codes. An entry that is not of this
// form, names an action beyond 3, or repeats a code is skipped.
std::vector<ServiceDefinition::ExitCodeAction> ExitActionEntries(const char* data, std::size_t size);
void NotificationEntries(const char* data, std::size_t size, bool webhook,
                         std::vector<ServiceDefinition::Notification>& list);

// The bytes the writer stores for one value of the record. May throw std::bad_alloc.
std::string Encode(const Parameter& parameter, const ServiceDefinition& definition);

// Fills `definition` from the values: a value that cannot be read takes its missing value, and
// the rules of the table apply. `Name` becomes the service's name. Returns the names of the
// values set aside for their type.
std::vector<std::string> LoadParameters(const ValueSource& source, const std::string& serviceName,
                                        ServiceDefinition& definition, const ReadLimits& limits = kHostRead);

}  // namespace registry_data
