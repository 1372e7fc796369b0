#include <gtest/gtest.h>

#include "NameValue.h"

namespace {

const unsigned char* U(const char* text) { return reinterpret_cast<const unsigned char*>(text); }

struct IntCase {
    const char* text;
    bool ok;
    unsigned int value;    // when ok
    const char* error;     // when not ok
};

void PrintTo(const IntCase& c, std::ostream* os)
{
    *os << '[';
    for (const char* p = c.text; *p; ++p) *os << (*p > ' ' ? *p : '_');
    *os << ']';
}

class UnsignedIntText : public ::testing::TestWithParam<IntCase> {};

TEST_P(UnsignedIntText, ParsesOrReportsTheExactError)
{
    const IntCase& c = GetParam();
    NameValueUnsignedInt v("Delay", 77);
    EXPECT_EQ(v.SetValue(U(c.text)), c.ok);
    if (c.ok) {
        EXPECT_EQ(v.Value(), c.value);
        EXPECT_EQ(v.Error(), "");
    } else {
        EXPECT_EQ(v.Error(), c.error);
        EXPECT_EQ(v.Value(), 77u) << "a failure keeps the old value";
    }
    EXPECT_TRUE(v.HasValue());
}

INSTANTIATE_TEST_SUITE_P(Table, UnsignedIntText, ::testing::Values(
    IntCase{"", true, 0, nullptr},
    IntCase{" \t\n\v\f\r", true, 0, nullptr},
    IntCase{"  42 \t", true, 42, nullptr},
    IntCase{"+7", true, 7, nullptr},
    IntCase{"0x1F", true, 31, nullptr},
    IntCase{"0X1f", true, 31, nullptr},
    IntCase{"017", true, 15, nullptr},
    IntCase{"0", true, 0, nullptr},
    IntCase{"4294967295", true, 4294967295u, nullptr},
    IntCase{"0xFFFFFFFF", true, 4294967295u, nullptr},
    IntCase{"08", false, 0, "Invalid trailing characters in integer \"08\""},
    IntCase{"1 2", false, 0, "Invalid trailing characters in integer \"1 2\""},
    IntCase{"  1 2  ", false, 0, "Invalid trailing characters in integer \"1 2  \""},
    IntCase{"0x", false, 0, "Invalid trailing characters in integer \"0x\""},
    IntCase{"5s", false, 0, "Invalid trailing characters in integer \"5s\""},
    IntCase{"-", false, 0, "Invalid trailing characters in integer \"-\""},
    IntCase{"abc", false, 0, "Invalid trailing characters in integer \"abc\""},
    IntCase{"-5x", false, 0, "Invalid trailing characters in integer \"-5x\""},
    IntCase{"-0", false, 0, "Integer out of range"},
    IntCase{"-1", false, 0, "Integer out of range"},
    IntCase{" -1 ", false, 0, "Integer out of range"},
    IntCase{"4294967296", false, 0, "Integer out of range"},
    IntCase{"0x100000000", false, 0, "Integer out of range"},
    IntCase{"99999999999999999999999999", false, 0, "Integer out of range"}));

TEST(NameValueUnsignedInt, AbsentTextAndFreshState)
{
    NameValueUnsignedInt empty("Priority");
    EXPECT_FALSE(empty.HasValue());
    EXPECT_EQ(empty.Name(), "Priority");
    EXPECT_FALSE(empty.SetValue(nullptr));
    EXPECT_EQ(empty.Error(), "NULL value");
    EXPECT_FALSE(empty.HasValue()) << "a failure leaves the has-value flag as it was";

    EXPECT_TRUE(empty.SetValue(U("3")));
    EXPECT_EQ(empty.Error(), "NULL value") << "a success keeps the last error text";
    EXPECT_TRUE(empty.HasValue());
    EXPECT_EQ(empty.Value(), 3u);
}

TEST(NameValueXMLString, StoresBytesUnchanged)
{
    NameValueXMLString none("Name", nullptr);
    EXPECT_FALSE(none.HasValue());
    EXPECT_TRUE(none.Value().empty());

    EXPECT_FALSE(none.SetValue(nullptr));
    EXPECT_EQ(none.Error(), "NULL string");
    EXPECT_FALSE(none.HasValue());

    EXPECT_TRUE(none.SetValue(U("")));
    EXPECT_TRUE(none.HasValue());
    EXPECT_TRUE(none.Value().empty());

    EXPECT_TRUE(none.SetValue(U("  a b\t")));
    EXPECT_EQ(none.Value(), XMLString(U("  a b\t")));

    NameValueXMLString given("Description", U("caf\xc3\xa9"));
    EXPECT_TRUE(given.HasValue());
    EXPECT_EQ(given.Value(), XMLString(U("caf\xc3\xa9")));
}

TEST(NameValue, CopiesCarryEveryMember)
{
    NameValueUnsignedInt a("UponExit", 1);
    a.SetValue(U("x"));
    NameValueUnsignedInt b("other");
    b = a;
    EXPECT_EQ(b.Name(), "UponExit");
    EXPECT_EQ(b.Error(), "Invalid trailing characters in integer \"x\"");
    EXPECT_TRUE(b.HasValue());
    EXPECT_EQ(b.Value(), 1u);

    NameValueXMLString s("Name", U("svc"));
    NameValueXMLString t(s);
    s.SetValue(U("changed"));
    EXPECT_EQ(t.Value(), XMLString(U("svc")));
}

}  // namespace
