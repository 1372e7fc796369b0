#include <gtest/gtest.h>

#include "JsonText.h"

namespace {

TEST(JsonText, EscapesWhatJsonNeedsAndReplacesBytesThatAreNotUtf8)
{
    const struct {
        std::string text;
        const char* quoted;
    } cases[] = {
        {"plain", "\"plain\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\Program Files\\x", "\"C:\\\\Program Files\\\\x\""},
        {"a\tb\r\nc", "\"a\\tb\\r\\nc\""},
        {std::string("nul\0bell\x07" "del\x7f", 13), "\"nul\\u0000bell\\u0007del\\u007f\""},
        {"\xD0\x9A\xD0\xB8\xD1\x80\xD0\xB8\xD0\xBB\xD0\xBB\xD0\xB8\xD1\x86\xD0\xB0 \xE2\x82\xAC \xF0\x9F\x98\x80",
         "\"\xD0\x9A\xD0\xB8\xD1\x80\xD0\xB8\xD0\xBB\xD0\xBB\xD0\xB8\xD1\x86\xD0\xB0 \xE2\x82\xAC \xF0\x9F\x98\x80\""},
        {"latin1 \xE9t\xE9", "\"latin1 \xEF\xBF\xBDt\xEF\xBF\xBD\""},             // a lone lead byte
        {"cut \xE2\x82", "\"cut \xEF\xBF\xBD\xEF\xBF\xBD\""},                      // a sequence cut off
        {"overlong \xC0\xAF", "\"overlong \xEF\xBF\xBD\xEF\xBF\xBD\""},            // "/" written long
        {"surrogate \xED\xA0\x80", "\"surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"past U+10FFFF \xF4\x90\x80\x80", "\"past U+10FFFF \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.quoted);
        EXPECT_EQ(json::Quote(c.text), c.quoted);
    }
    json::Object o;
    o.Text("name", "a\"b").Number("pid", 4294967295u).Boolean("stopped", false).Null("account");
    EXPECT_EQ(json::Array({o, json::Object()}),
              "[{\"name\":\"a\\\"b\",\"pid\":4294967295,\"stopped\":false,\"account\":null},{}]");
}

}  // namespace
