#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "Variables.h"

namespace {

TEST(Variables, ExpandTakesDefinedNamesAndLeavesTheRestAsWritten)
{
    const std::map<std::string, std::string> defined = {{"ROOT", "C:\\app"}, {"EMPTY", ""}, {"P", "%ROOT%"}};
    const variables::Lookup lookup = [&](const std::string& name) -> std::optional<std::string> {
        for (const auto& [key, value] : defined)
            if (variables::SameName(key, name)) return value;
        return std::nullopt;
    };
    const struct {
        const char* text;
        const char* expanded;
        std::vector<std::string> undefined;
    } cases[] = {
        {"%ROOT%\\bin", "C:\\app\\bin", {}},
        {"%root%%Root%", "C:\\appC:\\app", {}},
        {"[%EMPTY%]", "[]", {}},
        {"%NOPE%\\x %ROOT%", "%NOPE%\\x C:\\app", {"NOPE"}},
        {"100%% sure", "100% sure", {}},
        {"50% off", "50% off", {}},
        {"%ROOT", "%ROOT", {}},
        {"%P%", "%ROOT%", {}},
        {"%A%ROOT%", "%A%ROOT%", {"A"}},
        {"%%ROOT%%", "%ROOT%", {}},
        {"", "", {}},
    };
    for (const auto& c : cases) {
        const variables::Expanded out = variables::Expand(c.text, lookup);
        EXPECT_EQ(out.text, c.expanded) << c.text;
        EXPECT_EQ(out.undefined, c.undefined) << c.text;
    }
}

}  // namespace
