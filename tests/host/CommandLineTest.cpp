#include <gtest/gtest.h>

#include "CommandLine.h"

namespace {

TEST(HostCommandLine, ArgumentsFollowTheProgramName)
{
    EXPECT_EQ(host::ArgumentsOf("Velmora.exe -v"), " -v");
    EXPECT_EQ(host::ArgumentsOf("\"C:\\Program Files\\Velmora\\Velmora.exe\" -i a b.xml"), " -i a b.xml");
    EXPECT_EQ(host::ArgumentsOf("  C:\\V\\Velmora.exe"), "");
    EXPECT_EQ(host::ArgumentsOf("\"unterminated -v"), "");
}

TEST(HostCommandLine, ParsesEachCommand)
{
    struct Case {
        const char* arguments;
        host::Command command;
        const char* argument;
        const char* file = "";
        bool tabs = false;
    };
    const Case cases[] = {
        {" -v", host::Command::Version, ""},
        {" -s", host::Command::Service, ""},
        {" -i C:\\Temp Files\\my def.xml ", host::Command::Install, "C:\\Temp Files\\my def.xml"},
        {" -i \"C:\\Temp Files\\my def.xml\"", host::Command::Install, "C:\\Temp Files\\my def.xml"},
        {" -u \"MySvc\"", host::Command::Uninstall, "MySvc"},
        {" -u MySvc", host::Command::Uninstall, "MySvc"},
        {" -c \"MySvc\"", host::Command::Console, "MySvc"},
        {"", host::Command::Usage, ""},
        {" -i", host::Command::Usage, ""},
        {" -u   ", host::Command::Usage, ""},
        {" -x file", host::Command::Usage, ""},
        {" -install file", host::Command::Usage, ""},
        {" -v extra", host::Command::Usage, ""},
        {" file.xml", host::Command::Usage, ""},
        {" -list", host::Command::List, ""},
        {" -list -t", host::Command::List, "", "", true},
        {" /list /t", host::Command::List, "", "", true},
        {" -list everything", host::Command::Usage, ""},
        {" -status \"MySvc\"", host::Command::Status, "MySvc"},
        {" -start MySvc", host::Command::Start, "MySvc"},
        {" -stop MySvc", host::Command::Stop, "MySvc"},
        {" -restart MySvc", host::Command::Restart, "MySvc"},
        {" -stop", host::Command::Usage, ""},
        {" -export MySvc", host::Command::Export, "MySvc"},
        {" -export \"MySvc\" C:\\Out Dir\\my def.xml", host::Command::Export, "MySvc", "C:\\Out Dir\\my def.xml"},
        {" -export MySvc \"C:\\Out Dir\\d.xml\"", host::Command::Export, "MySvc", "C:\\Out Dir\\d.xml"},
        {" -export \"MySvc", host::Command::Usage, ""},
        {" -export", host::Command::Usage, ""},
        {" -Start MySvc", host::Command::Usage, ""},
        {" -update C:\\Temp Files\\my def.xml", host::Command::Update, "C:\\Temp Files\\my def.xml"},
        {" -update \"C:\\d.xml\"", host::Command::Update, "C:\\d.xml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const host::Invocation parsed = host::ParseArguments(c.arguments);
        EXPECT_EQ(parsed.command, c.command);
        EXPECT_EQ(parsed.argument, c.argument);
        EXPECT_EQ(parsed.file, c.file);
        EXPECT_EQ(parsed.tabs, c.tabs);
    }
}

}  // namespace
