#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "DefinitionWriter.h"
#include "LoaderExpectations.h"
#include "RegistryLoader.h"

namespace {

using namespace registry_loader;
using namespace std::string_literals;

// Values by name; a value larger than the reader's limit cannot be read, as with the registry.
class TableSource : public ValueSource {
public:
    explicit TableSource(std::map<std::string, std::string> values) : values_(std::move(values)) {}
    std::optional<std::string> Read(const char* name, std::size_t limit) override
    {
        reads.push_back(name);
        const auto found = values_.find(name);
        if (found == values_.end() || found->second.size() > limit) return std::nullopt;
        return found->second;
    }
    std::vector<std::string> reads;

private:
    std::map<std::string, std::string> values_;
};

std::string Dword(std::uint32_t value)
{
    return std::string{char(value & 0xFF), char((value >> 8) & 0xFF), char((value >> 16) & 0xFF), char(value >> 24)};
}

ServiceDefinition Load(std::map<std::string, std::string> values, std::vector<std::string>* reads = nullptr)
{
    TableSource source(std::move(values));
    ServiceDefinition record = definition_writer::NewDefinition();
    LoadDefinition(source, "Relay", record);
    if (reads) *reads = source.reads;
    return record;
}

TEST(RegistryLoader, DataConversions)
{
    EXPECT_EQ(NumberFromData(Dword(0x12345678)), 0x12345678u);
    EXPECT_EQ(NumberFromData("\xff\xff\xff\xff"s), 0xFFFFFFFFu);
    for (const std::string& bad : {""s, "\1"s, "\1\0\0"s, Dword(1) + Dword(0)}) EXPECT_FALSE(NumberFromData(bad));

    const struct {
        std::string data;
        std::string text;
    } texts[] = {{"", ""}, {"abc\0"s, "abc"}, {"abc"s, "abc"}, {"ab\0cd\0"s, "ab"}, {"ab\0cd"s, "ab"}, {"\0"s, ""}};
    for (const auto& t : texts) EXPECT_EQ(TextFromData(t.data), t.text);

    EXPECT_EQ(WithoutDisplayNamePrefix("Velmora Service: Mail Relay"), "Mail Relay");
    EXPECT_EQ(WithoutDisplayNamePrefix("velmora service: Mail Relay"), "velmora service: Mail Relay");
    EXPECT_EQ(WithoutDisplayNamePrefix("Velmora Service:"), "Velmora Service:");
    EXPECT_EQ(WithoutDisplayNamePrefix("Velmora Service: "), "");
}

TEST(RegistryLoader, DependencyWalk)
{
    const struct {
        std::string data;
        std::vector<std::string> services, groups;
    } cases[] = {
        {"Tcpip\0+NetworkProvider\0Dnscache\0\0"s, {"Tcpip", "Dnscache"}, {"NetworkProvider"}},
        {""s, {}, {}},
        {"\0"s, {}, {}},
        {"\0Tcpip\0\0"s, {}, {}},                        // an empty string ends the walk
        {"Tcpip\0Dnscache"s, {"Tcpip", "Dnscache"}, {}},  // no terminators at all
        {"+\0+G\0"s, {}, {"G"}},
        {"A\0\0B\0\0"s, {"A"}, {}},
    };
    for (const auto& c : cases) {
        const Dependencies lists = DependenciesFromData(c.data);
        EXPECT_EQ(lists.services, c.services) << c.data;
        EXPECT_EQ(lists.groups, c.groups) << c.data;
    }
}

TEST(RegistryLoader, EnvironmentEntries)
{
    const auto variables = EnvironmentFromData("PATH=D:\\tools;D:\\bin\0OPTS=-Dx=1\0=X\0EMPTY=\0NOEQUALS\0\0\0TAIL=1"s);
    ASSERT_EQ(variables.size(), 3u);
    EXPECT_EQ(variables[0].name, "PATH");
    EXPECT_EQ(variables[0].value, "D:\\tools;D:\\bin");
    EXPECT_EQ(variables[1].name, "OPTS");
    EXPECT_EQ(variables[1].value, "-Dx=1");
    EXPECT_EQ(variables[2].name, "TAIL");
    EXPECT_TRUE(EnvironmentFromData("").empty());
    EXPECT_TRUE(EnvironmentFromData("\0\0"s).empty());
}

TEST(RegistryLoader, OnlyTheProgramGivesTheDocumentedMissingValues)
{
    std::vector<std::string> reads;
    const ServiceDefinition d = Load({{"ServiceExe", "C:\\r.exe"}, {"ServiceWorkingDir", "C:\\"}}, &reads);
    EXPECT_EQ(d.Name, "Relay");
    EXPECT_EQ(d.Service.Executable, "C:\\r.exe");
    EXPECT_EQ(d.Service.WorkingDir, "C:\\");
    ExpectOnlyTheProgramWasStored(d);
    // The interval is not even looked at without the switch; the older exit value is.
    EXPECT_EQ(std::count(reads.begin(), reads.end(), "SMFFrequency"), 0);
    EXPECT_EQ(std::count(reads.begin(), reads.end(), "AutoRestart"), 1);
}

TEST(RegistryLoader, MonitoringAndExitActionRules)
{
    const struct {
        std::map<std::string, std::string> values;
        std::uint32_t enabled, frequency, uponExit;
    } cases[] = {
        {{{"SMFEnabled", Dword(0)}, {"SMFFrequency", Dword(20)}}, 0, 50, 0},
        {{{"SMFEnabled", Dword(1)}}, 1, 50, 0},
        {{{"SMFEnabled", Dword(1)}, {"SMFFrequency", Dword(49)}}, 1, 50, 0},
        {{{"SMFEnabled", Dword(1)}, {"SMFFrequency", Dword(50)}}, 1, 50, 0},
        {{{"SMFEnabled", Dword(1)}, {"SMFFrequency", Dword(0x80000000)}}, 1, 0x80000000, 0},
        {{{"SMFFrequency", Dword(9000)}}, 0, 0, 0},
        {{{"AutoRestart", Dword(1)}}, 0, 0, 1},
        {{{"AutoRestart", Dword(1)}, {"UponExit", Dword(3)}}, 0, 0, 3},
        {{{"AutoRestart", Dword(1)}, {"UponExit", "\3\0"s}}, 0, 0, 1},  // an unreadable number is missing
    };
    for (const auto& c : cases) {
        const ServiceDefinition d = Load(c.values);
        EXPECT_EQ(d.SMFEnabled, c.enabled);
        EXPECT_EQ(d.SMFFrequency, c.frequency);
        EXPECT_EQ(d.UponExit, c.uponExit);
    }
}

TEST(RegistryLoader, TextsListsAndBlocks)
{
    const std::string dependencies = "Tcpip\0+NetworkProvider\0Dnscache\0\0"s;
    const std::string environment = "PATH=D:\\tools;D:\\bin\0OPTS=-Dx=1\0=X\0EMPTY=\0NOEQUALS\0\0"s;
    const ServiceDefinition d = Load({
        {"DisplayName", "Velmora Service: Mail Relay\0"s},
        {"Description", "no terminator"},
        {"ServiceParams", ""},
        {"LoadOrderGroup", std::string(kTextLimit, 'g')},
        {"DebugLogFile", std::string(9000, 'x')},
        {"Dependencies", dependencies},
        {"Environment", environment},
        {"Priority", Dword(4)},
        {"JobType", std::string(8, '\0')},
    });
    EXPECT_EQ(d.DisplayName, "Mail Relay");
    EXPECT_EQ(d.Description, "no terminator");
    EXPECT_EQ(d.LoadOrderGroup.size(), kTextLimit);
    EXPECT_EQ(d.DebugLogFile, "");  // too long for the buffer: missing
    EXPECT_EQ(d.ServiceDependencies, (std::vector<std::string>{"Tcpip", "Dnscache"}));
    EXPECT_EQ(d.GroupDependencies, (std::vector<std::string>{"NetworkProvider"}));
    EXPECT_EQ(std::string(d.RawDependencies.begin(), d.RawDependencies.end()), dependencies);
    ASSERT_EQ(d.Environment.size(), 2u);
    EXPECT_EQ(d.Environment[1].value, "-Dx=1");
    EXPECT_EQ(d.EnvironmentSize, environment.size());
    EXPECT_EQ(d.Priority, 4u);
    EXPECT_EQ(d.JobType, 1u);  // eight bytes are no number
}

}  // namespace
