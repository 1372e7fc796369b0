#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>

#include "DefinitionWriter.h"
#include "EveryField.h"
#include "LoaderExpectations.h"
#include "RegistryData.h"

namespace {

using namespace registry_data;
using namespace std::string_literals;
using Strings = std::vector<std::string>;

std::string Dword(std::uint32_t n)
{
    return std::string{char(n & 0xFF), char(n >> 8 & 0xFF), char(n >> 16 & 0xFF), char(n >> 24)};
}

// The registry type the writer gives a value of this name.
std::uint32_t WrittenType(const std::string& name)
{
    for (const Parameter& p : kParameters) {
        if (name == p.name || (p.other && name == p.other && p.rule == ReadRule::OlderName)) {
            return p.type == ValueType::Text ? kRegText : p.type == ValueType::Number ? kRegNumber : kRegMultiText;
        }
    }
    return 0;
}

// A Parameters key made of the given values, each of the type the writer gives it unless a
// test says otherwise; a value larger than the reader's limit cannot be read, as with the
// registry.
struct FakeKey {
    std::map<std::string, std::string> values;
    std::map<std::string, std::uint32_t> types;
    mutable Strings reads;
    mutable Strings wrongType;

    ServiceDefinition Load(const ReadLimits& limits, const std::string& name = "Relay") const
    {
        ServiceDefinition d = definition_writer::NewDefinition();
        wrongType = LoadParameters(
            [this](const char* value, std::size_t limit) -> RawValue {
                reads.push_back(value);
                const auto found = values.find(value);
                if (found == values.end() || found->second.size() > limit) return std::nullopt;
                const auto type = types.find(value);
                return StoredValue{found->second, type == types.end() ? WrittenType(value) : type->second};
            },
            name, d, limits);
        return d;
    }
};

// Both readers: the host's and the editor's, which differ only in how much they accept.
const ReadLimits kReaders[] = {kHostRead, kEditorRead};

TEST(RegistryData, TextEndsAtTheFirstZeroOrTheEndOfTheData)
{
    const struct {
        std::string stored, text;
    } cases[] = {
        {"", ""}, {"abc", "abc"}, {"abc\0"s, "abc"}, {"ab\0cd\0"s, "ab"}, {"ab\0cd"s, "ab"}, {"\0"s, ""},
    };
    for (const auto& c : cases) {
        const std::vector<char> exact(c.stored.begin(), c.stored.end());  // ASan sees a read past it
        EXPECT_EQ(Text(exact.data(), exact.size()), c.text) << c.stored.size();
    }
}

TEST(RegistryData, NumberIsExactlyFourLittleEndianBytes)
{
    const struct {
        std::string stored;
        std::optional<std::uint32_t> number;
    } cases[] = {
        {Dword(0x12345678), 0x12345678u}, {Dword(0x01020304), 0x01020304u}, {"\xff\xff\xff\xff"s, 0xFFFFFFFFu},
        {"", std::nullopt},               {"\1"s, std::nullopt},            {"\1\0"s, std::nullopt},
        {"\1\0\0"s, std::nullopt},        {Dword(7) + "\0"s, std::nullopt}, {Dword(1) + Dword(0), std::nullopt},
    };
    for (const auto& c : cases) {
        const std::vector<char> exact(c.stored.begin(), c.stored.end());
        EXPECT_EQ(Number(exact.data(), exact.size()), c.number) << c.stored.size();
    }
}

TEST(RegistryData, DependenciesSplitIntoGroupsAndServicesWithinTheData)
{
    const struct {
        std::string stored;
        Strings groups, services;
    } cases[] = {
        {"Tcpip\0+NetworkProvider\0Dnscache\0\0"s, {"NetworkProvider"}, {"Tcpip", "Dnscache"}},
        {"A\0\0B\0\0"s, {}, {"A"}},
        {"+G\0Last"s, {"G"}, {"Last"}},                   // no terminator after the last entry
        {"Tcpip\0Dnscache"s, {}, {"Tcpip", "Dnscache"}},  // no terminators at all
        {"", {}, {}},
        {"\0"s, {}, {}},
        {"\0Tcpip\0\0"s, {}, {}},  // an empty string ends the walk
        {"+\0S\0\0"s, {}, {"S"}},  // a lone "+" names no group
        {"+\0+G\0"s, {"G"}, {}},
    };
    for (const auto& c : cases) {
        const std::vector<char> exact(c.stored.begin(), c.stored.end());
        Strings groups, services;
        SplitDependencies(exact.data(), exact.size(), groups, services);
        EXPECT_EQ(groups, c.groups) << c.stored;
        EXPECT_EQ(services, c.services) << c.stored;
    }
}

TEST(RegistryData, EnvironmentKeepsOnlyNamedEntriesWithValues)
{
    const struct {
        std::string stored;
        Strings entries;  // name=value
    } cases[] = {
        {"PATH=D:\\tools;D:\\bin\0OPTS=-Dx=1\0\0=X\0EMPTY=\0NOEQUALS\0TAIL=t"s,
         {"PATH=D:\\tools;D:\\bin", "OPTS=-Dx=1", "TAIL=t"}},  // the last entry lost its terminator
        {"PATH=D:\\tools;D:\\bin\0OPTS=-Dx=1\0=X\0EMPTY=\0NOEQUALS\0\0\0TAIL=1"s,
         {"PATH=D:\\tools;D:\\bin", "OPTS=-Dx=1", "TAIL=1"}},  // entries after empty ones still count
        {"", {}},
        {"\0\0"s, {}},
    };
    for (const auto& c : cases) {
        const std::vector<char> exact(c.stored.begin(), c.stored.end());
        Strings entries;
        for (const auto& v : EnvironmentEntries(exact.data(), exact.size())) entries.push_back(v.name + "=" + v.value);
        EXPECT_EQ(entries, c.entries) << c.stored;
    }
}

TEST(RegistryData, AKeyWithOnlyTheProgramLoadsTheMissingValueDefaults)
{
    for (const ReadLimits& limits : kReaders) {
        FakeKey key;
        key.values = {{"ServiceExe", "C:\\p.exe"}, {"ServiceWorkingDir", "C:\\w\0"s}};
        const ServiceDefinition d = key.Load(limits);
        EXPECT_EQ(d.Name, "Relay");
        EXPECT_EQ(d.Service.Executable, "C:\\p.exe");
        EXPECT_EQ(d.Service.WorkingDir, "C:\\w");
        ExpectOnlyTheProgramWasStored(d);
        EXPECT_TRUE(d.Environment.empty());
        // The interval is not even looked at without the switch; the older exit value is.
        EXPECT_EQ(std::count(key.reads.begin(), key.reads.end(), "SMFFrequency"), 0);
        EXPECT_EQ(std::count(key.reads.begin(), key.reads.end(), "AutoRestart"), 1);
        EXPECT_EQ(key.reads.front(), "DebugEnabled");
    }
}

TEST(RegistryData, MonitoringExitActionAndDisplayNameRules)
{
    const struct {
        std::map<std::string, std::string> values;
        std::uint32_t smfEnabled, smfFrequency, uponExit;
        std::string displayName;
    } cases[] = {
        {{{"SMFEnabled", Dword(0)}, {"SMFFrequency", Dword(20)}}, 0, 50, 0, ""},
        {{{"SMFEnabled", Dword(1)}}, 1, 50, 0, ""},
        {{{"SMFEnabled", Dword(1)}, {"SMFFrequency", Dword(49)}}, 1, 50, 0, ""},
        {{{"SMFEnabled", Dword(1)}, {"SMFFrequency", Dword(50)}}, 1, 50, 0, ""},
        {{{"SMFEnabled", Dword(1)}, {"SMFFrequency", Dword(7000)}}, 1, 7000, 0, ""},
        {{{"SMFEnabled", Dword(1)}, {"SMFFrequency", Dword(0x80000000)}}, 1, 0x80000000, 0, ""},
        {{{"SMFFrequency", Dword(7000)}}, 0, 0, 0, ""},
        {{{"AutoRestart", Dword(1)}}, 0, 0, 1, ""},
        {{{"AutoRestart", Dword(1)}, {"UponExit", Dword(3)}}, 0, 0, 3, ""},
        {{{"UponExit", "\x02"}, {"AutoRestart", Dword(1)}}, 0, 0, 1, ""},  // a short UponExit is unreadable
        {{{"UponExit", "\3\0"s}, {"AutoRestart", Dword(1)}}, 0, 0, 1, ""},
        {{{"DisplayName", "Velmora Service: Mail Relay"}}, 0, 0, 0, "Mail Relay"},
        {{{"DisplayName", "Velmora Service: Mail Relay\0"s}}, 0, 0, 0, "Mail Relay"},
        {{{"DisplayName", "velmora service: Mail Relay"}}, 0, 0, 0, "velmora service: Mail Relay"},
        {{{"DisplayName", "Velmora Service:"}}, 0, 0, 0, "Velmora Service:"},
        {{{"DisplayName", "Velmora Service: "}}, 0, 0, 0, ""},
    };
    for (const ReadLimits& limits : kReaders) {
        for (const auto& c : cases) {
            FakeKey key;
            key.values = c.values;
            const ServiceDefinition d = key.Load(limits);
            EXPECT_EQ(d.SMFEnabled, c.smfEnabled);
            EXPECT_EQ(d.SMFFrequency, c.smfFrequency);
            EXPECT_EQ(d.UponExit, c.uponExit);
            EXPECT_EQ(d.DisplayName, c.displayName);
        }
    }
}

TEST(RegistryData, TextsListsAndBlocksWithinEachReadersLimits)
{
    const std::string dependencies = "Tcpip\0+NetworkProvider\0Dnscache\0\0"s;
    const std::string environment = "PATH=D:\\tools;D:\\bin\0OPTS=-Dx=1\0=X\0EMPTY=\0NOEQUALS\0\0"s;
    FakeKey key;
    key.values = {
        {"Description", "no terminator"},
        {"ServiceParams", ""},
        {"LoadOrderGroup", std::string(kEditorRead.text, 'g')},
        {"DebugLogFile", std::string(9000, 'x')},
        {"Dependencies", dependencies},
        {"Environment", environment},
        {"Priority", Dword(4)},
        {"JobType", std::string(8, '\0')},  // eight bytes are no number
    };
    for (const ReadLimits& limits : kReaders) {
        const ServiceDefinition d = key.Load(limits);
        EXPECT_EQ(d.Description, "no terminator");
        EXPECT_EQ(d.Service.Parameters, "");
        EXPECT_EQ(d.LoadOrderGroup.size(), kEditorRead.text);
        // Too long for the editor's buffer: missing there, read whole by the host.
        EXPECT_EQ(d.DebugLogFile.size(), limits.text < 9000 ? 0u : 9000u);
        EXPECT_EQ(d.ServiceDependencies, (Strings{"Tcpip", "Dnscache"}));
        EXPECT_EQ(d.GroupDependencies, Strings{"NetworkProvider"});
        EXPECT_EQ(std::string(d.RawDependencies.begin(), d.RawDependencies.end()), dependencies);
        ASSERT_EQ(d.Environment.size(), 2u);
        EXPECT_EQ(d.Environment[1].value, "-Dx=1");
        EXPECT_EQ(d.EnvironmentSize, environment.size());
        EXPECT_EQ(d.Priority, 4u);
        EXPECT_EQ(d.JobType, 1u);
    }
}

// Every row of the table: what the writer encodes, the readers load back into the same field.
TEST(RegistryData, EveryValueWrittenReadsBackIntoItsField)
{
    const ServiceDefinition written = EveryFieldSet();
    FakeKey key;
    for (const Parameter& p : kParameters) EXPECT_TRUE(key.values.emplace(p.name, Encode(p, written)).second) << p.name;
    EXPECT_EQ(key.values.size(), 80u);
    EXPECT_EQ(key.values["ExitActions"], "0=3\0" "3221225477=2\0*=1\0\0"s);
    EXPECT_EQ(key.values["Priority"], Dword(5));
    EXPECT_EQ(key.values["OutputRotateSize"], Dword(3000000000u));
    EXPECT_EQ(key.values["Environment"], "A=1\0PATH=C:\\x;C:\\y\0\0"s);

    for (const ReadLimits& limits : kReaders) {
        ServiceDefinition read = key.Load(limits, "Svc");
        read.Name.clear();
        EXPECT_EQ(definition_writer::DefinitionText(read), definition_writer::DefinitionText(written));
        EXPECT_EQ(read.RawDependencies, written.RawDependencies);
        EXPECT_EQ(read.EnvironmentSize, written.EnvironmentSize);
        // Every value is read once, except the older exit value that only stands in.
        Strings sorted = key.reads;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
        EXPECT_EQ(sorted.size(), 80u);
        EXPECT_EQ(read.ExitActions, written.ExitActions);
        key.reads.clear();
    }
}

TEST(RegistryData, ExitActionEntriesSkipWhatTheyCannotTrust)
{
    using A = ServiceDefinition::ExitCodeAction;
    const struct {
        std::string stored;
        std::vector<A> actions;
    } cases[] = {
        {"0=3\0*=1\0\0"s, {{false, 0, 3}, {true, 0, 1}}},
        {"4294967295=2"s, {{false, 4294967295u, 2}}},
        {"4294967296=2\0-1=2\0x=1\0=1\0""5=\0""5=4\0""5\0 5=1\0""05=1\0"s, {{false, 5, 1}}},
        {"7=1\0""7=2\0*=0\0*=3\0"s, {{false, 7, 1}, {true, 0, 0}}},
        {"1=1\0\0""2=2\0"s, {{false, 1, 1}}},
        {""s, {}},
    };
    for (const auto& c : cases) {
        const std::vector<char> exact(c.stored.begin(), c.stored.end());
        EXPECT_EQ(ExitActionEntries(exact.data(), exact.size()), c.actions) << c.stored;
    }
}

// Settings added later are stored only when set: a record without them keeps its 29 values,
// and each one set on its own adds exactly its value.
TEST(RegistryData, LaterSettingsAreStoredOnlyWhenSet)
{
    const auto stored = [](const ServiceDefinition& d) {
        Strings names;
        for (const Parameter& p : kParameters)
            if (IsStored(p, d)) names.push_back(p.name);
        return names;
    };
    const ServiceDefinition plain = definition_writer::NewDefinition();
    EXPECT_EQ(stored(plain).size(), 29u);
    const ServiceDefinition every = EveryFieldSet();
    for (const Parameter& p : kParameters) {
        if (!p.onlyWhenSet) continue;
        ServiceDefinition one = plain;
        if (p.type == ValueType::Text)
            p.text.Of(one) = p.text.Of(every);
        else if (p.type == ValueType::Number)
            p.number.Of(one) = p.number.Of(every);
        else if (p.type == ValueType::ExitActions)
            one.ExitActions = every.ExitActions;
        else
            for (const auto& n : every.Notifications)
                if (n.webhook == (p.type == ValueType::Webhooks)) one.Notifications.push_back(n);
        const Strings names = stored(one);
        EXPECT_EQ(names.size(), 30u) << p.name;
        EXPECT_NE(std::find(names.begin(), names.end(), p.name), names.end());
    }
}

// The host sets a value of the wrong registry type aside and names it; the editor reads bytes.
TEST(RegistryData, AValueOfTheWrongTypeIsMissingForTheHostAndNamed)
{
    const struct {
        const char* name;
        std::string stored;
        std::uint32_t type;
        std::function<std::uint32_t(const ServiceDefinition&)> field;
        std::uint32_t host, editor;
    } cases[] = {
        {"ServiceDelay", "zzz\0"s, kRegText, [](const ServiceDefinition& d) { return d.Service.Delay; }, 0, 0x007A7A7A},
        {"JobType", "abc\0"s, kRegText, [](const ServiceDefinition& d) { return d.JobType; }, 1, 0x00636261},
        {"SMFEnabled", "on\0\0"s, kRegExpandText, [](const ServiceDefinition& d) { return d.SMFEnabled; }, 0, 0x6E6F},
        {"Priority", Dword(4), 3 /* binary */, [](const ServiceDefinition& d) { return d.Priority; }, 0, 4},
        {"UponExit", Dword(2), kRegMultiText, [](const ServiceDefinition& d) { return d.UponExit; }, 0, 2},
        {"Priority", Dword(4), kRegNumber, [](const ServiceDefinition& d) { return d.Priority; }, 4, 4},
    };
    for (const auto& c : cases) {
        FakeKey key;
        key.values = {{"ServiceExe", "C:\\p.exe"}, {c.name, c.stored}};
        key.types = {{c.name, c.type}};
        const bool wrong = c.host != c.editor || c.type != WrittenType(c.name);
        EXPECT_EQ(c.field(key.Load(kHostRead)), c.host) << c.name;
        EXPECT_EQ(key.wrongType, wrong ? Strings{c.name} : Strings{}) << c.name;
        EXPECT_EQ(c.field(key.Load(kEditorRead)), c.editor) << c.name;
        EXPECT_TRUE(key.wrongType.empty());
    }

    FakeKey texts;  // text, lists and the older exit value are checked alike; expandable text is text
    texts.values = {{"ServiceExe", Dword(7)}, {"Environment", "A=1\0\0"s}, {"AutoRestart", "1"},
                    {"Description", "expand"}};
    texts.types = {{"ServiceExe", kRegNumber}, {"Environment", kRegText}, {"AutoRestart", kRegText},
                   {"Description", kRegExpandText}};
    const ServiceDefinition d = texts.Load(kHostRead);
    EXPECT_EQ(texts.wrongType, (Strings{"ServiceExe", "AutoRestart", "Environment"}));
    EXPECT_EQ(d.Service.Executable, "");
    EXPECT_TRUE(d.Environment.empty());
    EXPECT_EQ(d.Description, "expand");
}

}  // namespace
