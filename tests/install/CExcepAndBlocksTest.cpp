#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "DefinitionBlocks.h"
#include "Platform.h"
#include "Quillon.h"

namespace {

TEST(CExcep, DetailIsNotApplicableWithoutASystemError)
{
    const CExcep e("Service name is too short.", 0);
    EXPECT_STREQ(e.message, "Service name is too short.");
    EXPECT_STREQ(e.detail, "N/A");
    EXPECT_EQ(e.code, 2);
}

TEST(CExcep, ACopyPointsIntoItsOwnBufferAfterTheOriginalIsGone)
{
    auto original = std::make_unique<CExcep>("Service creation failed", 2ul);
    ASSERT_EQ(original->detail, original->systemText);
    const std::string expected = original->detail;
    EXPECT_FALSE(expected.empty());

    CExcep copy(*original);
    CExcep assigned("other", 0);
    assigned = *original;
    std::memset(original->systemText, 'X', sizeof original->systemText);
    original.reset();

    EXPECT_EQ(copy.detail, copy.systemText);
    EXPECT_EQ(assigned.detail, assigned.systemText);
    EXPECT_EQ(std::string(copy.detail), expected);
    EXPECT_EQ(std::string(assigned.detail), expected);

    // The same through a real throw and catch by value.
    try {
        throw CExcep("Service creation failed", 2ul);
    } catch (CExcep caught) {
        EXPECT_EQ(caught.detail, caught.systemText);
        EXPECT_EQ(std::string(caught.detail), expected);
    }
}

TEST(CExcep, DetailIsTheSystemsWordingWithOneLineEnd)
{
    const std::string wording = platform::SystemErrorText(2);
    ASSERT_FALSE(wording.empty());
    EXPECT_EQ(wording.find_last_not_of("\r\n"), wording.size() - 1);
    EXPECT_EQ(std::string(CExcep("Service creation failed", 2ul).detail), wording + "\r\n");
}

TEST(DefinitionBlocks, DependencyBlockGroupsFirstWithExactSize)
{
    struct Case {
        std::vector<std::string> groups, services;
        std::string bytes;
    };
    const Case cases[] = {
        {{"G1", "G2"}, {"S1"}, std::string("+G1\0+G2\0S1\0\0", 12)},
        {{}, {"Tcpip", "Dnscache"}, std::string("Tcpip\0Dnscache\0\0", 16)},
        {{"NetworkProvider"}, {}, std::string("+NetworkProvider\0\0", 18)},
        {{}, {}, std::string()},
    };
    for (const auto& c : cases) {
        const std::vector<char> block = blocks::Dependencies(c.groups, c.services);
        EXPECT_EQ(std::string(block.begin(), block.end()), c.bytes);
    }
}

TEST(DefinitionBlocks, EnvironmentBlockAndItsSize)
{
    const std::vector<EnvironmentVariable> two = {{"A", "1"}, {"B", "22"}};
    const std::vector<char> block = blocks::Environment(two);
    EXPECT_EQ(std::string(block.begin(), block.end()), std::string("A=1\0B=22\0\0", 10));
    EXPECT_EQ(blocks::EnvironmentSize(two), 10u);

    const std::vector<EnvironmentVariable> emptyValue = {{"X", ""}};
    EXPECT_EQ(blocks::Environment(emptyValue).size(), blocks::EnvironmentSize(emptyValue));
    EXPECT_TRUE(blocks::Environment({}).empty());
    EXPECT_EQ(blocks::EnvironmentSize({}), 0u);
}

}  // namespace
