#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SupervisionPolicy.h"

namespace {

TEST(SupervisionPolicy, ExitActionFollowsUponExitOnlyWhileMonitoring)
{
    using host::ExitAction;
    const struct {
        std::uint32_t smfEnabled, uponExit;
        ExitAction action;
    } cases[] = {
        {1, 0, ExitAction::None}, {1, 1, ExitAction::Restart}, {1, 2, ExitAction::Fail},
        {1, 3, ExitAction::Stop}, {1, 4, ExitAction::None},    {0, 1, ExitAction::None},
        {0, 2, ExitAction::None}, {7, 1, ExitAction::Restart},
    };
    for (const auto& c : cases)
        EXPECT_EQ(host::ActionOnExit(c.smfEnabled, c.uponExit), c.action) << c.smfEnabled << "/" << c.uponExit;
}

TEST(SupervisionPolicy, JobTypeFollowsTheDefinitionsNumber)
{
    using host::JobType;
    const struct {
        std::uint32_t number;
        JobType type;
    } cases[] = {
        {0, JobType::None}, {1, JobType::Global}, {2, JobType::Local}, {3, JobType::None}, {0xFFFFFFFFu, JobType::None},
    };
    for (const auto& c : cases) EXPECT_EQ(host::JobTypeOf(c.number), c.type) << c.number;
}

TEST(SupervisionPolicy, QuickExitsBackOffUpToTheCapAndAStableRunResets)
{
    host::RestartBackoff backoff;
    std::vector<std::uint32_t> delays;
    for (int i = 0; i < 9; ++i) delays.push_back(backoff.NextDelay(1000, 0));
    EXPECT_EQ(delays, (std::vector<std::uint32_t>{1000, 1000, 1000, 2000, 4000, 8000, 8000, 8000, 8000}));
    EXPECT_EQ(backoff.NextDelay(1000, host::RestartBackoff::kStableRunMs), 1000u);
    EXPECT_EQ(backoff.QuickExits(), 1u);

    // A long interval keeps its cap at one minute; the shortest at eight intervals.
    host::RestartBackoff slow, fast;
    std::uint32_t slowDelay = 0, fastDelay = 0;
    for (int i = 0; i < 100; ++i) {
        slowDelay = slow.NextDelay(20000, 5);
        fastDelay = fast.NextDelay(50, 5);
    }
    EXPECT_EQ(slowDelay, 60000u);
    EXPECT_EQ(fastDelay, 400u);
    host::RestartBackoff huge;
    for (int i = 0; i < 40; ++i) EXPECT_EQ(huge.NextDelay(0xFFFFFFFFu, 0), 0xFFFFFFFFu);
}

TEST(SupervisionPolicy, CommandLineQuotesTheProgramOnce)
{
    EXPECT_EQ(host::CommandLineFor("C:\\Program Files\\a.exe", "-x 1"), "\"C:\\Program Files\\a.exe\" -x 1");
    EXPECT_EQ(host::CommandLineFor("\"C:\\a b\\a.exe\"", ""), "\"C:\\a b\\a.exe\"");
    EXPECT_EQ(host::CommandLineFor("a.exe", "\"two words\""), "\"a.exe\" \"two words\"");
}

std::vector<std::string> Entries(const std::vector<char>& block)
{
    std::vector<std::string> entries;
    EXPECT_GE(block.size(), 2u);
    EXPECT_EQ(block.back(), '\0');
    for (std::size_t at = 0; at < block.size() && block[at]; at += entries.back().size() + 1)
        entries.emplace_back(&block[at]);
    return entries;
}

TEST(SupervisionPolicy, DefinitionVariablesReplaceInheritedOnesOfAnyCase)
{
    const std::vector<std::string> inherited = {"=C:=C:\\dir", "Path=C:\\windows", "TEMP=C:\\t", "b=2", "a=1"};
    const std::vector<EnvironmentVariable> variables = {{"PATH", "D:\\bin"}, {"New", "x=y"}, {"new", "last"}};
    EXPECT_EQ(Entries(host::MergedEnvironment(inherited, variables)),
              (std::vector<std::string>{"=C:=C:\\dir", "a=1", "b=2", "new=last", "PATH=D:\\bin", "TEMP=C:\\t"}));
    EXPECT_EQ(host::MergedEnvironment({}, {}), (std::vector<char>{'\0', '\0'}));
}

}  // namespace
