#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RestartSchedule.h"
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

TEST(SupervisionPolicy, ExitCodesFromTheTopBitUpReadInHex)
{
    const struct {
        std::uint32_t code;
        const char* text;
    } cases[] = {{0, "0"}, {1, "1"}, {0x7FFFFFFF, "2147483647"}, {0x80000000, "0x80000000"},
                 {0xC0000005, "0xC0000005"}, {0xFFFFFFFF, "0xFFFFFFFF"}};
    for (const auto& c : cases) EXPECT_EQ(host::ExitCodeText(c.code), c.text);
    // With the meaning of a well-known exception; any other code as it is.
    const struct {
        std::uint32_t code;
        const char* text;
    } meant[] = {{7, "7"}, {0xC0000005, "0xC0000005 (access violation)"}, {0xC00000FD, "0xC00000FD (stack overflow)"},
                 {0xC0000006, "0xC0000006"}, {0x80000003, "0x80000003 (breakpoint)"}};
    for (const auto& c : meant) EXPECT_EQ(host::ExitText(c.code), c.text);
}

// The list decides for the codes it names, its entry without a code for the rest, and UponExit
// (here 1, Restart) for what it leaves out; monitoring off still acts on nothing.
TEST(SupervisionPolicy, ExitCodesFindTheirActionInTheListBeforeUponExit)
{
    using host::ExitAction;
    using A = ServiceDefinition::ExitCodeAction;
    const std::vector<A> named = {{false, 0, 3}, {false, 0xC0000005u, 2}};
    const std::vector<A> withOther = {{false, 0, 3}, {true, 0, 0}, {false, 7, 1}};
    const struct {
        const std::vector<A>* list;
        std::uint32_t smf, code;
        ExitAction action;
    } cases[] = {
        {nullptr, 1, 0, ExitAction::Restart},         {&named, 1, 0, ExitAction::Stop},
        {&named, 1, 0xC0000005u, ExitAction::Fail},   {&named, 1, 1, ExitAction::Restart},
        {&withOther, 1, 0, ExitAction::Stop},         {&withOther, 1, 7, ExitAction::Restart},
        {&withOther, 1, 8, ExitAction::None},         {&named, 0, 0, ExitAction::None},
    };
    const std::vector<A> none;
    for (const auto& c : cases)
        EXPECT_EQ(host::ActionOnExit(c.smf, 1, c.list ? *c.list : none, c.code), c.action) << c.code;
}

// Restarts at the given times (ms) against a limit within 1000 ms: which are allowed, and how
// many the status shows within the period at the last one.
TEST(SupervisionPolicy, TheRestartLimitCountsOverASlidingPeriod)
{
    const struct {
        std::uint32_t limit;
        std::vector<std::uint64_t> times;
        std::vector<bool> allowed;
        std::uint32_t inPeriod;
    } cases[] = {
        {3, {0, 10, 20, 30}, {true, true, true, false}, 3},
        {3, {0, 10, 20, 999, 1000, 1010, 1020}, {true, true, true, false, true, true, true}, 3},
        {3, {0, 500, 900, 1400, 1500}, {true, true, true, true, true}, 3},
        {1, {0, 999, 1000, 1999}, {true, false, true, false}, 1},
        {0, {0, 0, 0, 0, 0}, {true, true, true, true, true}, 5},
        {0, {0, 400, 1200, 1300}, {true, true, true, true}, 3},
    };
    for (const auto& c : cases) {
        host::RestartLimit limit(c.limit, 1000);
        std::vector<bool> allowed;
        for (std::uint64_t t : c.times) allowed.push_back(limit.Allow(t));
        EXPECT_EQ(allowed, c.allowed) << c.limit << " restarts, " << c.times.size() << " tries";
        EXPECT_EQ(limit.InPeriod(c.times.back()), c.inPeriod) << c.limit << " restarts, " << c.times.size() << " tries";
    }
}

TEST(SupervisionPolicy, RunTimesReadInAtMostTwoUnits)
{
    const struct {
        std::uint64_t ms;
        const char* text;
    } cases[] = {{0, "0 s"}, {59999, "59 s"}, {60000, "1 min"}, {3599000, "59 min"}, {3600000, "1 h"},
                 {(3 * 60 + 12) * 60000 + 5000, "3 h 12 min"}, {86400000, "1 d"}, {(2 * 24 + 5) * 3600000ull + 60000, "2 d 5 h"}};
    for (const auto& c : cases) EXPECT_EQ(host::RunTimeText(c.ms), c.text) << c.ms;
}

TEST(SupervisionPolicy, PathsExpandAgainstTheDefinitionsVariablesFirst)
{
    ServiceDefinition d;
    d.Environment = {{"Root", "D:\\svc"}};
    d.Service = {"%ROOT%\\bin\\svc.exe", "%ROOT%", "--data %DATA% --cfg %NOPE%", 0};
    d.StopService = {"%SystemRoot%\\stop.exe", "%ROOT%", "%NOPE% 100%%", 0};
    d.OutputFile = "%DATA%\\out.log";
    const std::vector<std::string> undefined = host::ExpandPaths(d, [](const std::string& name) {
        return name == "DATA" || name == "ROOT" ? std::optional<std::string>("E:\\" + name)
               : name == "SystemRoot"         ? std::optional<std::string>("C:\\windows")
                                              : std::nullopt;
    });
    EXPECT_EQ(d.Service.Executable, "D:\\svc\\bin\\svc.exe") << "the definition's own variable comes first";
    EXPECT_EQ(d.Service.Parameters, "--data E:\\DATA --cfg %NOPE%");
    EXPECT_EQ(d.StopService.Executable, "C:\\windows\\stop.exe");
    EXPECT_EQ(d.StopService.Parameters, "%NOPE% 100%");
    EXPECT_EQ(d.OutputFile, "E:\\DATA\\out.log");
    EXPECT_EQ(undefined, std::vector<std::string>{"NOPE"});
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

TEST(SupervisionPolicy, ACrashLoopIsSummedUpEveryIntervalAndItsRecoveryReportedOnce)
{
    using Kind = host::RestartReports::Kind;
    constexpr unsigned kStable = 0;  // the run got past the quick-exit threshold
    const struct {
        unsigned quickExits;
        std::uint64_t atMs;
        Kind kind;
        std::uint64_t restarts;
    } steps[] = {
        {1, 0, Kind::Each, 1},          {2, 1000, Kind::Each, 1},        {5, 8000, Kind::Each, 1},
        {6, 16000, Kind::Quiet, 1},     {7, 76000, Kind::Quiet, 2},      {8, 607999, Kind::Quiet, 3},
        {9, 608000, Kind::Summary, 4},  {10, 668000, Kind::Quiet, 1},    {kStable, 700000, Kind::Recovered, 1},
        {kStable, 800000, Kind::Quiet, 0}, {1, 900000, Kind::Each, 1},   {5, 900100, Kind::Each, 1},
        {6, 900200, Kind::Quiet, 1},    {kStable, 910200, Kind::Recovered, 1}, {1, 910300, Kind::Each, 1},
    };
    host::RestartReports reports;
    for (const auto& s : steps) {
        SCOPED_TRACE(s.atMs);
        const host::RestartReports::Report r = s.quickExits == kStable ? reports.Stable()
                                                                       : reports.Restart(s.quickExits, s.atMs);
        EXPECT_EQ(r.kind, s.kind);
        EXPECT_EQ(r.restarts, s.restarts);
    }
}

TEST(SupervisionPolicy, ProgramTimesAreCutToTheLimitAndAStopEndsWithinItsBound)
{
    const struct {
        std::uint32_t configured, waited;
    } cases[] = {{0, 0}, {3000, 3000}, {600000, 600000}, {600001, 600000}, {0xFFFFFFFFu, 600000}};
    for (const auto& c : cases) EXPECT_EQ(process_limits::BoundedProgramTime(c.configured), c.waited) << c.configured;
    EXPECT_LE(host::kMaxStopPendingMs, 11u * 60 * 1000) << "the bound the README gives";
    // The README's figures: 12 s, a stop program 5 s more, a post-service program 10 min 5 s more,
    // a longer stop timeout its excess twice with a stop program; a short one halved for the input.
    EXPECT_EQ(host::StopPendingBoundMs(5000, false, false), 12000u);
    EXPECT_EQ(host::StopPendingBoundMs(5000, true, true), 622000u);
    EXPECT_EQ(host::StopPendingBoundMs(600000, true, true), 1812000u);
    EXPECT_EQ(host::PlanStop(1000, false).onInputEndMs, 500u);
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

// The daily schedule through midnight, a time missed while not watching, and both clock changes.
TEST(SupervisionPolicy, ADailyRestartIsTakenOnceWhenItsTimeIsReached)
{
    constexpr std::int64_t kDay = 1440;
    const auto at = [](std::int64_t day, int hours, int minutes) { return day * kDay + hours * 60 + minutes; };
    constexpr std::uint64_t kHour = 3600 * 1000;
    const struct {
        const char* what;
        bool start;  // watching starts here; else the clock is asked
        std::int64_t localMinute;
        std::uint64_t steadyMs;
        bool due;
    } steps[] = {
        {"watching from 23:58", true, at(10, 23, 58), 0, false},
        {"a minute before midnight", false, at(10, 23, 59), 60000, false},
        {"midnight", false, at(11, 0, 0), 120000, true},
        {"the same minute again", false, at(11, 0, 0), 121000, false},
        {"a restart ends at 03:00", true, at(11, 3, 0), 3 * kHour, false},
        {"03:00 was missed", false, at(11, 3, 1), 3 * kHour + 60000, false},
        {"the next midnight", false, at(12, 0, 0), 24 * kHour, true},
        {"01:30", false, at(12, 1, 30), 25 * kHour, true},
        {"the clock springs from 01:59", false, at(12, 1, 59), 26 * kHour, false},
        {"to 03:00 over 02:30", false, at(12, 3, 0), 26 * kHour + 2000, true},
        {"midnight once more", false, at(13, 0, 0), 47 * kHour, true},
        {"01:30 before the clock falls back", false, at(13, 1, 30), 48 * kHour, true},
        {"the clock falls back to 01:00", false, at(13, 1, 0), 48 * kHour + 2000, false},
        {"01:30 a second time", false, at(13, 1, 30), 49 * kHour, false},
        {"02:30", false, at(13, 2, 30), 50 * kHour, true},
    };
    restart_schedule::Schedule schedule(restart_schedule::Parse("02:30, 03:00,00:00 ,01:30").minutes);
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.start)
            schedule.Start({s.localMinute, s.steadyMs});
        else
            EXPECT_EQ(schedule.Due({s.localMinute, s.steadyMs}), s.due);
    }
    EXPECT_EQ(schedule.MinutesToNext(at(14, 23, 59)), 1);
    EXPECT_EQ(schedule.MinutesToNext(at(14, 1, 30)), 0);
    EXPECT_EQ(schedule.MinutesToNext(at(14, 1, 31)), 59);
}

// A limit is acted on once the figure has stayed above it for the period, once per crossing.
TEST(SupervisionPolicy, ALimitIsCrossedOnlyAfterItsPeriodAbove)
{
    host::LimitWatch watch(100, 10000);
    const struct {
        std::uint64_t value, nowMs;
        bool crossed;
    } samples[] = {
        {150, 0, false},   {150, 8000, false},  {90, 9000, false},    // a spike shorter than the period
        {101, 10000, false}, {200, 19999, false}, {101, 20000, true},  // above for the whole period
        {300, 40000, false}, {100, 42000, false}, {101, 44000, false}, {101, 54000, true},  // once per crossing
    };
    for (const auto& s : samples) EXPECT_EQ(watch.Sample(s.value, s.nowMs), s.crossed) << s.nowMs;
    EXPECT_FALSE(host::LimitWatch(0, 1000).Sample(1u << 30, 5000));
    EXPECT_EQ(host::CpuPercent(2 * 10000000ull, 2000, 2), 50u);  // 2 s of CPU in 2 s on two processors
    EXPECT_EQ(host::CpuPercent(1, 0, 2), 0u);
}
