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
    using host::Command;
    struct Case {
        const char* arguments;
        Command command;
        const char* argument;
        const char* file = "";
        bool tabs = false;
        bool json = false;
        bool whatIf = false;
        const char* error = "";  // part of the fault a wrong command line names
        bool messageBox = false;
    };
    const Case cases[] = {
        {" -v", Command::Version, ""},
        {" --VERSION", Command::Version, ""},
        {" -s", Command::Service, ""},
        {" -i C:\\Temp Files\\my def.xml ", Command::Install, "C:\\Temp Files\\my def.xml"},
        {" -i \"C:\\Temp Files\\my def.xml\"", Command::Install, "C:\\Temp Files\\my def.xml"},
        {" -i \"C:\\d.xml\" extra", Command::Usage, "", "", false, false, false, "unexpected argument 'extra'"},
        {" -install file", Command::Install, "file"},
        {" --Install file", Command::Install, "file"},
        {" -u \"MySvc\"", Command::Uninstall, "MySvc"},
        {" -u MySvc", Command::Uninstall, "MySvc"},
        {" /U \"My Svc\"", Command::Uninstall, "My Svc"},
        {" --uninstall MySvc", Command::Uninstall, "MySvc"},
        {" -u A B", Command::Usage, "", "", false, false, false, "unexpected argument 'B'"},
        {" -c \"MySvc\"", Command::Console, "MySvc"},
        {" -c C:\\Defs\\my def.xml", Command::Console, "C:\\Defs\\my def.xml"},
        {"", Command::Usage, "", "", false, false, false, "no command"},
        {" -i", Command::Usage, "", "", false, false, false, "'-i' needs a definition file"},
        {" -u   ", Command::Usage, "", "", false, false, false, "needs a service name"},
        {" -x file", Command::Usage, "", "", false, false, false, "'-x' is not a command"},
        {" -v extra", Command::Usage, "", "", false, false, false, "unexpected argument 'extra' after '-v'"},
        {" file.xml", Command::Usage, "", "", false, false, false, "'file.xml' is not a command"},
        {" -u \"open", Command::Usage, "", "", false, false, false, "quote"},
        {" -h", Command::Help, ""},
        {" -?", Command::Help, ""},
        {" /?", Command::Help, ""},
        {" --help", Command::Help, ""},
        {" -HELP", Command::Help, ""},
        {" -list", Command::List, ""},
        {" -list -t", Command::List, "", "", true},
        {" /list /t", Command::List, "", "", true},
        {" -LIST -Json", Command::List, "", "", false, true},
        {" --list --json", Command::List, "", "", false, true},
        {" -list -t -json", Command::Usage, "", "", false, false, false, "exclude each other"},
        {" -list everything", Command::Usage, "", "", false, false, false, "unexpected argument 'everything'"},
        {" -status \"MySvc\"", Command::Status, "MySvc"},
        {" -status MySvc -json", Command::Status, "MySvc", "", false, true},
        {" -status -json MySvc", Command::Status, "MySvc", "", false, true},
        {" -status MySvc -t", Command::Usage, "", "", false, false, false, "unexpected argument '-t'"},
        {" -start MySvc", Command::Start, "MySvc"},
        {" -Start MySvc", Command::Start, "MySvc"},
        {" --start MySvc", Command::Start, "MySvc"},
        {" -start A B", Command::Usage, "", "", false, false, false, "unexpected argument 'B' after '-start'"},
        {" -stop MySvc", Command::Stop, "MySvc"},
        {" -restart MySvc", Command::Restart, "MySvc"},
        {" -stop", Command::Usage, "", "", false, false, false, "'-stop' needs a service name"},
        {" -export MySvc", Command::Export, "MySvc"},
        {" -export \"MySvc\" C:\\Out Dir\\my def.xml", Command::Export, "MySvc", "C:\\Out Dir\\my def.xml"},
        {" -export MySvc \"C:\\Out Dir\\d.xml\"", Command::Export, "MySvc", "C:\\Out Dir\\d.xml"},
        {" -export MySvc \"d.xml\" more", Command::Usage, "", "", false, false, false, "unexpected argument 'more'"},
        {" -export \"MySvc", Command::Usage, "", "", false, false, false, "quote"},
        {" -export", Command::Usage, "", "", false, false, false, "needs a service name"},
        {" -update C:\\Temp Files\\my def.xml", Command::Update, "C:\\Temp Files\\my def.xml"},
        {" -update \"C:\\d.xml\"", Command::Update, "C:\\d.xml"},
        {" -update C:\\Temp Files\\d.xml -WhatIf", Command::Update, "C:\\Temp Files\\d.xml", "", false, false, true},
        {" -update -whatif \"C:\\d.xml\"", Command::Update, "C:\\d.xml", "", false, false, true},
        {" -update C:\\a -whatif b.xml", Command::Update, "C:\\a -whatif b.xml"},
        {" -update -whatif", Command::Usage, "", "", false, false, false, "needs a definition file"},
        {" -stopall", Command::StopAll, ""},
        {" --StartStopped", Command::StartStopped, ""},
        {" /checkuninstall", Command::CheckUninstall, ""},
        {" -checkuninstall -MessageBox", Command::CheckUninstall, "", "", false, false, false, "", true},
        {" -stopall -messagebox", Command::Usage, "", "", false, false, false, "unexpected argument '-messagebox'"},
        {" -stopall MySvc", Command::Usage, "", "", false, false, false, "unexpected argument 'MySvc'"},
        {" --Password \"MySvc\"", Command::Password, "MySvc"},
        {" -password", Command::Usage, "", "", false, false, false, "'-password' needs a service name"},
        {" -password MySvc secret", Command::Usage, "", "", false, false, false, "unexpected argument 'secret'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const host::Invocation parsed = host::ParseArguments(c.arguments);
        EXPECT_EQ(parsed.command, c.command);
        EXPECT_EQ(parsed.argument, c.argument);
        EXPECT_EQ(parsed.file, c.file);
        EXPECT_EQ(parsed.tabs, c.tabs);
        EXPECT_EQ(parsed.json, c.json);
        EXPECT_EQ(parsed.whatIf, c.whatIf);
        EXPECT_EQ(parsed.messageBox, c.messageBox);
        EXPECT_NE(parsed.error.find(c.error), std::string::npos) << parsed.error;
        EXPECT_EQ(parsed.error.empty(), c.command != Command::Usage) << parsed.error;
    }
}

}  // namespace
