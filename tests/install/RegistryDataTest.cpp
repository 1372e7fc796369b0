#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "LoaderExpectations.h"
#include "RegistryData.h"

namespace {

using registry_data::RawValue;

std::string Dword(std::uint32_t n)
{
    const char bytes[4] = {char(n & 0xff), char(n >> 8 & 0xff), char(n >> 16 & 0xff), char(n >> 24 & 0xff)};
    return std::string(bytes, 4);
}

// A Parameters key made of the given values; any other name cannot be read.
struct FakeKey {
    std::map<std::string, std::string> values;
    registry_data::ValueSource Source() const
    {
        return [this](const char* name) -> RawValue {
            const auto found = values.find(name);
            if (found == values.end()) return std::nullopt;
            return std::vector<char>(found->second.begin(), found->second.end());
        };
    }
    ServiceDefinition Load(const std::string& name = "svc") const
    {
        ServiceDefinition d;
        registry_data::LoadParameters(Source(), name, d);
        return d;
    }
};

// Each case hands the parser a buffer of exactly the stored size, so ASan catches any read past it.
std::string TextOf(const std::string& bytes)
{
    std::vector<char> exact(bytes.begin(), bytes.end());
    return registry_data::Text(exact.data(), exact.size());
}

TEST(RegistryData, TextEndsAtTheFirstZeroOrTheEndOfTheData)
{
    const struct {
        std::string stored, text;
    } cases[] = {
        {"", ""},
        {"abc", "abc"},
        {std::string("abc\0", 4), "abc"},
        {std::string("ab\0cd\0", 6), "ab"},
        {std::string("ab\0cd", 5), "ab"},
        {std::string("\0", 1), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(TextOf(c.stored), c.text) << c.stored.size();
}

TEST(RegistryData, NumberIsExactlyFourLittleEndianBytes)
{
    EXPECT_EQ(registry_data::Number(Dword(0x01020304).data(), 4), 0x01020304u);
    EXPECT_EQ(registry_data::Number(Dword(0xFFFFFFFF).data(), 4), 0xFFFFFFFFu);
    const std::string eight = Dword(7) + Dword(0);
    for (std::size_t size : {0u, 2u, 3u, 5u, 8u}) EXPECT_FALSE(registry_data::Number(eight.data(), size)) << size;
}

TEST(RegistryData, DependenciesSplitIntoGroupsAndServicesWithinTheData)
{
    const struct {
        std::string stored;
        std::vector<std::string> groups, services;
    } cases[] = {
        {std::string("Tcpip\0+NetworkProvider\0Dnscache\0\0", 33), {"NetworkProvider"}, {"Tcpip", "Dnscache"}},
        {std::string("A\0\0B\0\0", 6), {}, {"A"}},
        {std::string("+G\0Last", 7), {"G"}, {"Last"}},  // no terminator at all
        {"", {}, {}},
        {std::string("+\0S\0\0", 5), {}, {"S"}},
    };
    for (const auto& c : cases) {
        std::vector<char> exact(c.stored.begin(), c.stored.end());
        std::vector<std::string> groups, services;
        registry_data::SplitDependencies(exact.data(), exact.size(), groups, services);
        EXPECT_EQ(groups, c.groups) << c.stored;
        EXPECT_EQ(services, c.services) << c.stored;
    }
}

TEST(RegistryData, EnvironmentKeepsOnlyNamedEntriesWithValues)
{
    static const char kStored[] = "PATH=D:\\tools;D:\\bin\0OPTS=-Dx=1\0\0=X\0EMPTY=\0NOEQUALS\0TAIL=t";
    const std::string stored(kStored, sizeof kStored - 1);
    std::vector<char> exact(stored.begin(), stored.end());
    const auto variables = registry_data::EnvironmentEntries(exact.data(), exact.size());
    ASSERT_EQ(variables.size(), 3u);
    EXPECT_EQ(variables[0].name, "PATH");
    EXPECT_EQ(variables[0].value, "D:\\tools;D:\\bin");
    EXPECT_EQ(variables[1].name, "OPTS");
    EXPECT_EQ(variables[1].value, "-Dx=1");
    EXPECT_EQ(variables[2].name, "TAIL");  // the last entry lost its terminator
    EXPECT_EQ(variables[2].value, "t");
}

TEST(RegistryData, AKeyWithOnlyTheProgramLoadsTheMissingValueDefaults)
{
    FakeKey key;
    key.values = {{"ServiceExe", "C:\\p.exe"}, {"ServiceWorkingDir", std::string("C:\\w\0", 5)}};
    const ServiceDefinition d = key.Load("Relay");
    EXPECT_EQ(d.Name, "Relay");
    EXPECT_EQ(d.Service.Executable, "C:\\p.exe");
    EXPECT_EQ(d.Service.WorkingDir, "C:\\w");
    ExpectOnlyTheProgramWasStored(d);
    EXPECT_TRUE(d.Environment.empty());
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
        {{{"SMFEnabled", Dword(1)}, {"SMFFrequency", Dword(7000)}}, 1, 7000, 0, ""},
        {{{"SMFFrequency", Dword(7000)}}, 0, 0, 0, ""},
        {{{"AutoRestart", Dword(1)}}, 0, 0, 1, ""},
        {{{"AutoRestart", Dword(1)}, {"UponExit", Dword(3)}}, 0, 0, 3, ""},
        {{{"UponExit", "\x02"}, {"AutoRestart", Dword(1)}}, 0, 0, 1, ""},  // a short UponExit is unreadable
        {{{"DisplayName", "Velmora Service: Mail Relay"}}, 0, 0, 0, "Mail Relay"},
        {{{"DisplayName", "velmora service: Mail Relay"}}, 0, 0, 0, "velmora service: Mail Relay"},
    };
    for (const auto& c : cases) {
        FakeKey key;
        key.values = c.values;
        const ServiceDefinition d = key.Load();
        EXPECT_EQ(d.SMFEnabled, c.smfEnabled);
        EXPECT_EQ(d.SMFFrequency, c.smfFrequency);
        EXPECT_EQ(d.UponExit, c.uponExit);
        EXPECT_EQ(d.DisplayName, c.displayName);
    }
}

TEST(RegistryData, ListsComeFromTheMultiStrings)
{
    FakeKey key;
    key.values = {{"Dependencies", std::string("Tcpip\0+NetworkProvider\0\0", 24)},
                  {"Environment", std::string("A=1\0B=22\0\0", 10)}};
    const ServiceDefinition d = key.Load();
    EXPECT_EQ(d.ServiceDependencies, std::vector<std::string>{"Tcpip"});
    EXPECT_EQ(d.GroupDependencies, std::vector<std::string>{"NetworkProvider"});
    EXPECT_EQ(d.RawDependencies.size(), 24u);
    ASSERT_EQ(d.Environment.size(), 2u);
    EXPECT_EQ(d.Environment[1].name, "B");
    EXPECT_EQ(d.Environment[1].value, "22");
    EXPECT_EQ(d.EnvironmentSize, 10u);
}

}  // namespace
