#include <gtest/gtest.h>

#include "ServiceAccount.h"

namespace {

using service_account::Classify;
using service_account::Kind;

TEST(ServiceAccount, EachWayOfWritingAnAccountFindsItsKindAndName)
{
    const struct {
        const char* text;
        Kind kind;
        const char* name;  // as the service database is given it
    } cases[] = {
        {"", Kind::LocalSystem, ""},
        {"localsystem", Kind::LocalSystem, ""},
        {"NT AUTHORITY\\SYSTEM", Kind::LocalSystem, ""},
        {"LocalService", Kind::LocalService, "NT AUTHORITY\\LocalService"},
        {"nt authority\\localservice", Kind::LocalService, "NT AUTHORITY\\LocalService"},
        {"NetworkService", Kind::NetworkService, "NT AUTHORITY\\NetworkService"},
        {"NT SERVICE\\websvc", Kind::Virtual, "NT SERVICE\\WebSvc"},
        {"CORP\\web01$", Kind::Managed, "CORP\\web01$"},
        {".\\operator", Kind::User, ".\\operator"},
        {"CORP\\svc.web", Kind::User, "CORP\\svc.web"},
        {"CORP\\\xd0\xb8\xd0\xb2\xd0\xb0\xd0\xbd", Kind::User, "CORP\\\xd0\xb8\xd0\xb2\xd0\xb0\xd0\xbd"},
    };
    for (const auto& c : cases) {
        const auto account = Classify(c.text, "WebSvc");
        EXPECT_EQ(account.kind, c.kind) << c.text;
        EXPECT_EQ(account.name, c.name) << c.text;
        EXPECT_EQ(account.problem, "") << c.text;
    }
    EXPECT_TRUE(service_account::NeedsPassword(Kind::User));
    EXPECT_FALSE(service_account::NeedsPassword(Kind::Managed));
    EXPECT_FALSE(service_account::NeedsPassword(Kind::Virtual));
}

TEST(ServiceAccount, NamesNoServiceCanUseAreRefusedWithTheReason)
{
    const struct {
        std::string text;
        const char* problem;
    } cases[] = {
        {"operator", "Account \"operator\" needs its domain: \".\\operator\" for an account of this computer, or "
                     "\"DOMAIN\\operator\""},
        {"NT SERVICE\\Other", "Account \"NT SERVICE\\Other\" is the virtual account of another service; this "
                              "service's own is \"NT SERVICE\\WebSvc\""},
        {"NT AUTHORITY\\ANONYMOUS LOGON", "Account \"NT AUTHORITY\\ANONYMOUS LOGON\" is no account a service can "
                                          "use; the system's own are LocalSystem, NT AUTHORITY\\LocalService and "
                                          "NT AUTHORITY\\NetworkService"},
        {".\\web$", "Account \".\\web$\" names a managed service account, which belongs to a domain: write "
                    "\"DOMAIN\\web$\""},
        {"\\user", "Account \"\\user\" is not an account name (DOMAIN\\name)"},
        {"CORP\\", "Account \"CORP\\\" is not an account name (DOMAIN\\name)"},
        {"A\\B\\C", "Account \"A\\B\\C\" is not an account name (DOMAIN\\name)"},
        {"CORP\\a:b", "Account \"CORP\\a:b\" is not an account name (DOMAIN\\name)"},
        {"CORP\\a\nb", "Account \"CORP\\a\nb\" is not an account name (DOMAIN\\name)"},
        {"user@corp.example", "Account \"user@corp.example\" is written as user@domain; write it as DOMAIN\\user"},
        {"CORP\\..", "Account \"CORP\\..\" is not an account name (DOMAIN\\name)"},
        {"CORP\\" + std::string(260, 'u'), "Account is too long: 265 characters, at most 256"},
    };
    for (const auto& c : cases) {
        const auto account = Classify(c.text, "WebSvc");
        EXPECT_EQ(account.kind, Kind::Invalid) << c.text;
        EXPECT_EQ(account.problem, c.problem) << c.text;
    }
}

}  // namespace
