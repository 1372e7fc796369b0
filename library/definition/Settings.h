#pragma once

#include <cstddef>
#include <cstdint>

#include "Quillon.h"

// The settings a definition gained after its first format, each described once: its element and
// container, its kind and range, its default, where the record keeps it, its registry value and
// its field in the editor. The reader's schema, the conversion into the record, the definition
// writer, the registry rows and the editor's number fields walk this table. A setting that is
// missing from a file, from a service's registry values or from a new definition has its default;
// each is written and stored only when it differs from it.
namespace settings {

// A field of the record: a member of it, of one of its program blocks, or of a recovery step.
template <typename T>
class RecordField {
public:
    using Program = ServiceDefinition::Invocation;
    using Step = ServiceDefinition::RecoveryStep;
    constexpr RecordField() = default;
    constexpr RecordField(T ServiceDefinition::*member) : member_(member) {}
    constexpr RecordField(Program ServiceDefinition::*program, T Program::*member)
        : program_(program), inProgram_(member)
    {
    }
    constexpr RecordField(std::size_t step, T Step::*member) : step_(step), inStep_(member) {}
    T& Of(ServiceDefinition& d) const
    {
        return inStep_ ? d.RecoverySteps[step_].*inStep_ : program_ ? d.*program_.*inProgram_ : d.*member_;
    }
    const T& Of(const ServiceDefinition& d) const
    {
        return inStep_ ? d.RecoverySteps[step_].*inStep_ : program_ ? d.*program_.*inProgram_ : d.*member_;
    }

private:
    T ServiceDefinition::*member_ = nullptr;
    Program ServiceDefinition::*program_ = nullptr;
    T Program::*inProgram_ = nullptr;
    std::size_t step_ = 0;
    T Step::*inStep_ = nullptr;
};

enum class Kind {
    Text,       // the element's text as written; blank is refused
    Boolean,    // true/on/yes/1 or false/off/no/0, kept as 1 or 0
    Number,     // any unsigned 32-bit number
    Bounded,    // a number from `min` to `max`
    List,       // ExitAction elements: an action from `min` to `max`, attribute Code (none: every other code)
    Repeated,   // any number of elements, each a text without commas; kept joined by commas
    Target,     // Hook and Webhook elements: a text with the attributes On (and Header), any number
    Attribute,  // a number from `min` to `max` in an attribute of the element named by `container`
};

// The editor's pages, in the order of their tabs.
enum class Page { None, Program, Settings, Dependencies, Environment, PrePost, Output, Supervision, LogOn, Health, Limits, Notify };

enum class Control { None, Edit, Check, Combo };

// Where the editor shows a setting, and the message for a value it cannot store: for a number
// that does not convert or is out of range (`tooLarge`, when not 0, for one beyond `max`); for a
// text its container needs, one left blank while another the container needs is given; for any
// other text, one that is blank but not empty. (The rules of the record have their own messages.)
// A page that shows a setting through controls of its own names it with Control::None.
struct EditorField {
    Page page = Page::None;
    Control control = Control::None;
    int id = 0;
    unsigned message = 0;
    unsigned tooLarge = 0;
    bool blankWhenDefault = false;  // the default is shown as an empty field
};

// The unit a setting's number is kept in, for the settings whose number may also be written with
// a unit: a duration with ms, s, min or h, a size with KB, MB or GB (1024-based).
enum class Unit { None, Milliseconds, Seconds, Bytes, Megabytes };

// A word a setting's number may also be written as, in any letter case. A list of them ends with
// a null text.
struct Word {
    const char* text;
    std::uint32_t value;
};

struct Setting {
    const char* element;
    const char* container;
    Kind kind;
    std::uint32_t min;
    std::uint32_t max;
    std::uint32_t defaultValue;
    RecordField<std::uint32_t> number;
    RecordField<std::string> text;
    const char* registryName;  // nullptr: stored with another setting, or not at all
    unsigned minOccurs;        // 1: the container needs it
    EditorField editor;
    const Word* words = nullptr;  // the words for its numbers, or none
    Unit unit = Unit::None;       // the unit of its number, when one may be written
};

// The containers the table's settings fill on their own, in the order the file holds them, each
// written when the setting it names is set (nullptr: when any of its settings is).
struct Container {
    const char* name;
    const char* writtenWith;
};
extern const Container kContainers[7];

// Every setting, in the order of the registry values; within a container, the order of the file.
class Table {
public:
    const Setting* begin() const;
    const Setting* end() const;
    std::size_t size() const { return static_cast<std::size_t>(end() - begin()); }
    std::size_t IndexOf(const Setting& row) const { return static_cast<std::size_t>(&row - begin()); }
};
constexpr Table kTable{};

// The row of an element in its container (an attribute: in the element it belongs to); throws
// std::out_of_range for a name the table lacks, which is a fault of the caller.
const Setting& Row(const char* container, const char* element);

// Whether a Target row holds the record's webhooks (else its hooks).
inline bool HoldsWebhooks(const Setting& row) { return row.kind == Kind::Target && row.max == 1; }

// Whether the record keeps the setting as text (RecordField `text`) rather than as a number.
inline bool HoldsText(const Setting& row) { return row.kind == Kind::Text || row.kind == Kind::Repeated; }

// Whether the record's value differs from the setting's default (a text: is not empty).
bool IsSet(const Setting& row, const ServiceDefinition& definition);
// Whether the element of `row` has to be written: its value or one of its attributes is set.
bool ElementIsSet(const Setting& row, const ServiceDefinition& definition);
// Whether anything of the container is to be written.
bool ContainerIsSet(const Container& container, const ServiceDefinition& definition);

}  // namespace settings
