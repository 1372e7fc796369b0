#include <gtest/gtest.h>

#include "StoppedRecord.h"

namespace {

using Names = std::vector<std::string>;

TEST(StoppedRecord, ReadsNamesAndRefusesWhatIsNoRecord)
{
    struct Case {
        std::string text;
        Names names;
        const char* error;  // part of the fault named; empty for a record
    };
    const Case cases[] = {
        {"", {}, ""},
        {"# comment\r\n\r\nalpha\r\nBeta Svc\n", {"alpha", "Beta Svc"}, ""},
        {"alpha\nALPHA\nbeta", {"alpha", "beta"}, ""},
        {"alpha\n..\\evil\n", {}, "line 2 is not a service name"},
        {"a/b\n", {}, "line 1"},
        {"tab\there\n", {}, "line 1"},
        {std::string(257, 'x'), {}, "line 1"},
        {std::string(stopped_record::kMaxRecordBytes + 1, 'x'), {}, "larger than"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        const stopped_record::Parsed parsed = stopped_record::Parse(c.text);
        EXPECT_EQ(parsed.names, c.names);
        EXPECT_NE(parsed.error.find(c.error), std::string::npos) << parsed.error;
        EXPECT_EQ(parsed.error.empty(), *c.error == '\0') << parsed.error;
    }
}

TEST(StoppedRecord, WrittenRecordReadsBackMerged)
{
    const Names merged = stopped_record::Merge({"alpha", "Beta"}, {"BETA", "gamma"});
    EXPECT_EQ(merged, (Names{"alpha", "Beta", "gamma"}));
    EXPECT_EQ(stopped_record::Parse(stopped_record::Text(merged)).names, merged);
    EXPECT_EQ(stopped_record::Parse(stopped_record::Text({})).names, Names{});
}

}  // namespace
