#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../support/TempDir.h"
#include "Platform.h"
#include "XMLConfiguration.h"

namespace {

const std::filesystem::path kSource = VELMORA_SOURCE_DIR;
const std::filesystem::path kDtdFolder = kSource / "library" / "definition";
const std::filesystem::path kFixtures = kSource / "tests" / "fixtures" / "definition";

std::string FileText(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::string& ShippedDtd()
{
    static const std::string text = FileText(kDtdFolder / "Velmora.dtd");
    return text;
}

const char* kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>\n";

std::string Definition(const std::string& body, const std::string& doctype = "<!DOCTYPE Service SYSTEM \"Velmora.dtd\">")
{
    return kHeader + doctype + "\n<Service>" + body + "</Service>\n";
}

// A Program with its four required elements, followed by `extra`.
std::string ProgramWith(const std::string& extra)
{
    return "<Program><Name>svc</Name><DisplayName>Svc</DisplayName>"
           "<WorkingDir>C:\\w</WorkingDir><Executable>C:\\w\\a.exe</Executable>" +
           extra + "</Program>";
}

const std::string kProgram = ProgramWith("");

// Reads `content` from a fresh folder holding the shipped DTD.
XMLConfiguration Read(const std::string& content)
{
    TempDir dir;
    dir.Write("Velmora.dtd", ShippedDtd());
    return XMLConfiguration(dir.Write("definition.xml", content));
}

// A DTD that lets through any element of the schema anywhere, plus a few strangers, so that the
// reader meets what the shipped DTD rejects.
std::string LooseDtd()
{
    std::string dtd = "<!ELEMENT Foo ANY>\n<!ELEMENT b ANY>\n<!ELEMENT Config ANY>\n"
                      "<!ATTLIST Program id CDATA #IMPLIED>\n<!ATTLIST Options id CDATA #IMPLIED>\n"
                      "<!ATTLIST Name lang CDATA #IMPLIED>\n<!ATTLIST UponExit unit CDATA #IMPLIED>\n"
                      "<!ATTLIST Variable Name CDATA #IMPLIED name CDATA #IMPLIED Other CDATA #IMPLIED>\n"
                      "<!ATTLIST ExitAction Code CDATA #IMPLIED code CDATA #IMPLIED>\n"
                      "<!ATTLIST SecondFailure Delay CDATA #IMPLIED Wait CDATA #IMPLIED>\n";
    std::vector<const XMLConfiguration::ElementNode*> rows{&XMLConfiguration::Schema()};
    while (!rows.empty()) {
        const XMLConfiguration::ElementNode* row = rows.back();
        rows.pop_back();
        dtd += "<!ELEMENT " + std::string(row->name) + " ANY>\n";
        EXPECT_LE(row->childCount, XMLConfiguration::kMostChildren) << row->name << ": its counters would not fit";
        for (unsigned i = 0; i < row->childCount; ++i) rows.push_back(&row->children[i]);
    }
    return dtd;
}

XMLConfiguration ReadLoose(const std::string& content)
{
    TempDir dir;
    dir.Write("Velmora.dtd", LooseDtd());
    return XMLConfiguration(dir.Write("definition.xml", content));
}

std::string Loose(const std::string& body, const std::string& root = "Service")
{
    return kHeader + ("<!DOCTYPE " + root + " SYSTEM \"Velmora.dtd\">\n<" + root + ">") + body + "</" + root + ">\n";
}

std::string Str(const XMLString& s) { return std::string(s.begin(), s.end()); }

std::string Joined(const ErrorList& errors)
{
    std::string all;
    for (const auto& e : errors) all += e + "\n";
    return all;
}

TEST(XMLConfiguration, HandWrittenFileWithEveryElementIsReadAsWritten)
{
    // The DTD is in the current directory, not beside the definition: how the product reads.
    CurrentDirGuard cd(kDtdFolder);
    const XMLConfiguration c((kFixtures / "full.xml").string());
    EXPECT_TRUE(c.IsValid());
    EXPECT_TRUE(c.Errors().empty()) << Joined(c.Errors());

    EXPECT_EQ(Str(c.Name().Value()), "ReportSpooler");
    EXPECT_EQ(Str(c.DisplayName().Value()), "Report Spooler & Archiver");
    EXPECT_EQ(Str(c.Description().Value()), "Collects the nightly reports <all regions>");
    EXPECT_EQ(Str(c.Service().WorkingDir().Value()), "C:\\Spooler");
    EXPECT_EQ(Str(c.Service().Executable().Value()), "C:\\Spooler\\spool.exe");
    EXPECT_EQ(Str(c.Service().Parameters().Value()), "--queue \"night shift\" -v");
    EXPECT_EQ(c.Service().Delay().Value(), 2500u);
    EXPECT_EQ(c.ConsoleApp().Value(), 1u);
    EXPECT_EQ(c.ForceReplace().Value(), 1u);
    EXPECT_EQ(c.UponExit().Value(), 2u);
    EXPECT_EQ(c.AffinityMask().Value(), 15u);
    EXPECT_EQ(c.Priority().Value(), 4u);
    EXPECT_EQ(c.InteractWithDesktop().Value(), 0u);
    EXPECT_EQ(c.StartUpMode().Value(), 0u);
    EXPECT_EQ(c.ShowWindow().Value(), 1u);
    EXPECT_EQ(c.JobType().Value(), 2u);
    EXPECT_EQ(Str(c.LoadOrderGroup().Value()), "Spoolers");
    ASSERT_EQ(c.GroupDependents().size(), 2u);
    EXPECT_EQ(Str(c.GroupDependents()[0].Value()), "Network");
    EXPECT_EQ(Str(c.GroupDependents()[1].Value()), "Storage");
    EXPECT_EQ(c.GroupDependents()[0].Name(), "GroupName");
    ASSERT_EQ(c.ServiceDependents().size(), 2u);
    EXPECT_EQ(Str(c.ServiceDependents()[0].Value()), "Tcpip");
    EXPECT_EQ(Str(c.ServiceDependents()[1].Value()), "EventLog");
    EXPECT_EQ(c.ServiceDependents()[1].Name(), "ServiceName");
    EXPECT_EQ(c.DebuggingEnabled().Value(), 1u);
    EXPECT_EQ(Str(c.DebugLogFile().Value()), "C:\\Spooler\\debug.log");
    ASSERT_EQ(c.Environment().size(), 2u);
    EXPECT_EQ(Str(c.Environment()[0].first.Value()), "SPOOL_DIR");
    EXPECT_EQ(Str(c.Environment()[0].second.Value()), "D:\\queue");
    EXPECT_EQ(c.Environment()[0].first.Name(), "Name");
    EXPECT_EQ(c.Environment()[0].second.Name(), "Variable");
    EXPECT_EQ(Str(c.Environment()[1].first.Value()), "MODE");
    EXPECT_EQ(c.Monitoring().Value(), 0u);
    EXPECT_EQ(c.MonitoringFrequency().Value(), 15000u);
    EXPECT_EQ(Str(c.PreService().WorkingDir().Value()), "C:\\Spooler\\pre");
    EXPECT_EQ(Str(c.PreService().Executable().Value()), "C:\\Spooler\\pre\\mount.cmd");
    EXPECT_EQ(Str(c.PreService().Parameters().Value()), "/quiet");
    EXPECT_EQ(c.PreService().Delay().Value(), 4000u);
    EXPECT_EQ(Str(c.PostService().WorkingDir().Value()), "C:\\Spooler\\post");
    EXPECT_EQ(Str(c.PostService().Executable().Value()), "C:\\Spooler\\post\\unmount.cmd");
    EXPECT_EQ(Str(c.PostService().Parameters().Value()), "/force");
    EXPECT_EQ(c.PostService().Delay().Value(), 8u);

    // Copies are deep and complete.
    XMLConfiguration copy(c);
    copy = c;
    EXPECT_TRUE(copy.IsValid());
    EXPECT_EQ(Str(copy.PostService().Executable().Value()), "C:\\Spooler\\post\\unmount.cmd");
    EXPECT_EQ(Str(copy.Environment()[1].second.Value()), "night");
}

TEST(XMLConfiguration, MinimalFileLeavesEveryOtherSettingAtItsDefault)
{
    CurrentDirGuard cd(kDtdFolder);
    const XMLConfiguration c((kFixtures / "minimal.xml").string());
    ASSERT_TRUE(c.IsValid()) << Joined(c.Errors());
    EXPECT_TRUE(c.Errors().empty());

    struct Default {
        const NameValueUnsignedInt& value;
        const char* name;
        unsigned expected;
    };
    const Default defaults[] = {
        {c.ConsoleApp(), "ConsoleApp", 0},       {c.ForceReplace(), "ForceReplace", 0},
        {c.UponExit(), "UponExit", 1},           {c.AffinityMask(), "AffinityMask", 0},
        {c.Priority(), "Priority", 0},           {c.InteractWithDesktop(), "InteractWithDesktop", 1},
        {c.StartUpMode(), "StartUpMode", 1},     {c.ShowWindow(), "ShowWindow", 0},
        {c.JobType(), "JobType", 1},             {c.DebuggingEnabled(), "Enabled", 0},
        {c.Monitoring(), "Enabled", 1},          {c.MonitoringFrequency(), "Frequency", 5000},
        {c.Service().Delay(), "Delay", 0},       {c.PreService().Delay(), "Delay", 0},
        {c.PostService().Delay(), "Delay", 0},
    };
    for (const auto& d : defaults) {
        SCOPED_TRACE(d.name);
        EXPECT_EQ(d.value.Name(), d.name);
        EXPECT_TRUE(d.value.HasValue());
        EXPECT_EQ(d.value.Value(), d.expected);
    }
    for (const NameValueXMLString* absent :
         {&c.Description(), &c.LoadOrderGroup(), &c.DebugLogFile(), &c.Service().Parameters(),
          &c.PreService().WorkingDir(), &c.PreService().Executable(), &c.PostService().Parameters()}) {
        SCOPED_TRACE(absent->Name());
        EXPECT_FALSE(absent->HasValue());
    }
    EXPECT_TRUE(c.GroupDependents().empty());
    EXPECT_TRUE(c.ServiceDependents().empty());
    EXPECT_TRUE(c.Environment().empty());
}

TEST(XMLConfiguration, SeveralFaultsAreReportedInDocumentOrder)
{
    CurrentDirGuard cd(kDtdFolder);
    const XMLConfiguration c((kFixtures / "several-faults.xml").string());
    EXPECT_FALSE(c.IsValid());
    const ErrorList expected = {
        "Invalid blank string for element \"Name\".",
        "Invalid value \" true\" for element \"ConsoleApp\".  Valid values are:\n"
        "\t\"true\", \"on\", \"1\" or\n\t\"false\", \"off\", \"0\".",
        "Invalid value (5s) for element \"Delay\": Invalid trailing characters in integer \"5s\"",
        "Insufficient number of instances of element <WorkingDir>: Found 0 and require a minimum of 1",
        "Insufficient number of instances of element <Executable>: Found 0 and require a minimum of 1",
        "Invalid value (7) for element \"UponExit\".  Valid range is [0, 3].",
        "Invalid value (12x) for element \"AffinityMask\": Invalid trailing characters in integer \"12x\".  "
        "Valid range is [0, 255].",
        "Unexpected text in <Options> element \"\n  \n  \n  stray\n \"",
        "Missing \"Name\" attribute from element \"Variable\"",
        "Invalid blank string for element \"Location\".",
        "Invalid value (-5) for element \"Frequency\": Integer out of range",
        "Insufficient number of instances of element <PreWorkingDir>: Found 0 and require a minimum of 1",
        "Insufficient number of instances of element <PreExecutable>: Found 0 and require a minimum of 1",
    };
    EXPECT_EQ(c.Errors(), expected);
    // What did read stays read; what failed keeps its default.
    EXPECT_EQ(Str(c.DisplayName().Value()), "Faulty");
    EXPECT_EQ(c.DebuggingEnabled().Value(), 1u);
    EXPECT_EQ(c.PreService().Delay().Value(), 1u);
    EXPECT_EQ(c.UponExit().Value(), 1u);
    EXPECT_EQ(c.MonitoringFrequency().Value(), 5000u);
}

struct MessageCase {
    const char* what;
    std::string content;
    bool loose;  // read against the loose DTD instead of the shipped one
    bool valid;
    ErrorList errors;
};

TEST(XMLConfiguration, ReportsEachFaultWithItsExactMessage)
{
    const MessageCase cases[] = {
        {"an element the schema does not know is reported but not a failure",
         Loose(ProgramWith("<Foo>x</Foo>")), true, true,
         {"Unexpected element <Foo> in element <Program>"}},
        {"an element inside a string leaf",
         Loose("<Program><Name>abc<b/></Name><DisplayName>d</DisplayName><WorkingDir>w</WorkingDir>"
               "<Executable>e</Executable></Program>"),
         true, true, {"Unexpected element <b> in element <Name>"}},
        {"a document element of another name is read as Service", Loose(kProgram + "<Foo/>", "Config"), true, true,
         {"Unexpected element <Foo> in element <Service>"}},
        {"an attribute on a container",
         Loose("<Program id=\"7\"><Name>n</Name><DisplayName>d</DisplayName><WorkingDir>w</WorkingDir>"
               "<Executable>e</Executable></Program>"),
         true, false, {"Unexpected attributes in <Program> element"}},
        {"an attribute on a leaf is ignored",
         Loose(kProgram + "<Options><UponExit unit=\"s\">3</UponExit></Options>"), true, true, {}},
        {"text in a container, white space kept", Definition(kProgram + "<Options> x\t</Options>"), false, false,
         {"Unexpected text in <Options> element \" x\t\""}},
        {"two Names and no Executable", Definition("<Program><Name>a</Name><Name>b</Name><DisplayName>d</DisplayName>"
                                                   "<WorkingDir>w</WorkingDir>x</Program>"),
         false, false,
         {"Too many instances of element <Name>: Found 2 and require a maximum of 1",
          "Insufficient number of instances of element <Executable>: Found 0 and require a minimum of 1"}},
        {"two Program elements", Definition(kProgram + kProgram), false, false,
         {"Too many instances of element <Program>: Found 2 and require a maximum of 1"}},
        {"no Program", Definition(""), false, false,
         {"Insufficient number of instances of element <Program>: Found 0 and require a minimum of 1"}},
        {"Debug without DebugLocation", Definition(kProgram + "<Debug><DebugEnabled>1</DebugEnabled></Debug>"), false,
         false, {"Insufficient number of instances of element <DebugLocation>: Found 0 and require a minimum of 1"}},
        {"an empty Environment", Definition(kProgram + "<Environment/>"), false, false,
         {"Insufficient number of instances of element <Variable>: Found 0 and require a minimum of 1"}},
        {"a blank bounded value", Definition(kProgram + "<Options><JobType> </JobType></Options>"), false, false,
         {"Invalid blank value for element \"JobType\".  Valid range is [0, 2]."}},
        {"a negative bounded value", Definition(kProgram + "<Options><ShowWindow>-1</ShowWindow></Options>"), false,
         false, {"Invalid value (-1) for element \"ShowWindow\": Integer out of range.  Valid range is [0, 3]."}},
        {"octal 010 is 8", Definition(kProgram + "<Options><UponExit>010</UponExit></Options>"), false, false,
         {"Invalid value (010) for element \"UponExit\".  Valid range is [0, 3]."}},
        {"a blank list entry", Definition(kProgram + "<Options><Dependencies><ServiceName/></Dependencies></Options>"),
         false, false, {"Invalid blank string for element \"ServiceName\"."}},
        {"a blank pre-service directory",
         Definition(kProgram + "<PreService><PreWorkingDir> </PreWorkingDir><PreExecutable>p</PreExecutable>"
                               "</PreService>"),
         false, false, {"Invalid blank string for element \"WorkingDir\"."}},
        {"a blank variable value", Definition(kProgram + "<Environment><Variable Name=\"A\"/></Environment>"), false,
         false, {"Invalid blank string for element \"Variable\"."}},
        {"a variable with two attributes",
         Loose(kProgram + "<Environment><Variable Name=\"A\" Other=\"B\">v</Variable></Environment>"), true, false,
         {"Too many attributes for element \"Variable\""}},
        {"a variable name in lower case",
         Loose(kProgram + "<Environment><Variable name=\"A\">v</Variable></Environment>"), true, false,
         {"Unknown attribute \"name\" for element \"Variable\""}},
        {"an overlong delay", Definition(kProgram + "<SMF><SMFFrequency>4294967296</SMFFrequency></SMF>"), false,
         false, {"Invalid value (4294967296) for element \"Frequency\": Integer out of range"}},
        {"a blank output location", Definition(kProgram + "<Output><OutputLocation> </OutputLocation></Output>"),
         false, false, {"Invalid blank string for element \"OutputLocation\"."}},
        {"more rotated files than allowed", Definition(kProgram + "<Output><RotateKeep>1001</RotateKeep></Output>"),
         false, false, {"Invalid value (1001) for element \"RotateKeep\".  Valid range is [0, 1000]."}},
        {"two error locations",
         Definition(kProgram + "<Output><ErrorLocation>a</ErrorLocation><ErrorLocation>b</ErrorLocation></Output>"),
         false, false, {"Too many instances of element <ErrorLocation>: Found 2 and require a maximum of 1"}},
        {"a stop timeout beyond the bound", Definition(kProgram + "<Supervision><StopTimeout>600001</StopTimeout></Supervision>"),
         false, false, {"Invalid value (600001) for element \"StopTimeout\".  Valid range is [0, 600000]."}},
        {"an exit action beyond Shutdown",
         Definition(kProgram + "<Supervision><ExitAction Code=\"1\">4</ExitAction></Supervision>"), false, false,
         {"Invalid value (4) for element \"ExitAction\".  Valid range is [0, 3]."}},
        {"one exit code twice, once in hexadecimal",
         Definition(kProgram + "<Supervision><ExitAction Code=\"16\">1</ExitAction><ExitAction Code=\"0x10\">2"
                               "</ExitAction></Supervision>"),
         false, false, {"More than one ExitAction for exit code 16"}},
        {"two actions for every other code",
         Definition(kProgram + "<Supervision><ExitAction>1</ExitAction><ExitAction>2</ExitAction></Supervision>"),
         false, false, {"More than one ExitAction without a Code"}},
        {"an exit action with another attribute",
         Loose(kProgram + "<Supervision><ExitAction code=\"1\">1</ExitAction></Supervision>"), true, false,
         {"Unknown attribute \"code\" for element \"ExitAction\""}},
        {"a recovery delay beyond a day",
         Definition(kProgram + "<Recovery><FirstFailure Delay=\"86400001\">1</FirstFailure></Recovery>"), false, false,
         {"Invalid value (86400001) for element \"Delay\".  Valid range is [0, 86400000]."}},
        {"a recovery action beyond running a program",
         Definition(kProgram + "<Recovery><LaterFailures>4</LaterFailures></Recovery>"), false, false,
         {"Invalid value (4) for element \"LaterFailures\".  Valid range is [0, 3]."}},
        {"a recovery step with another attribute",
         Loose(kProgram + "<Recovery><SecondFailure Wait=\"1\">1</SecondFailure></Recovery>"), true, false,
         {"Unknown attribute \"Wait\" for element \"SecondFailure\""}},
        {"a pre-shutdown time beyond the bound",
         Definition(kProgram + "<Supervision><PreShutdownTimeout>600001</PreShutdownTimeout></Supervision>"), false,
         false, {"Invalid value (600001) for element \"PreShutdownTimeout\".  Valid range is [0, 600000]."}},
        {"a bad boolean keeps its case in the message",
         Definition(kProgram + "<Debug><DebugEnabled>Maybe</DebugEnabled><DebugLocation>l</DebugLocation></Debug>"),
         false, false,
         {"Invalid value \"Maybe\" for element \"Enabled\".  Valid values are:\n"
          "\t\"true\", \"on\", \"1\" or\n\t\"false\", \"off\", \"0\"."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const XMLConfiguration config = c.loose ? ReadLoose(c.content) : Read(c.content);
        EXPECT_EQ(config.IsValid(), c.valid);
        EXPECT_EQ(config.Errors(), c.errors) << Joined(config.Errors());
    }
}

TEST(XMLConfiguration, HandlersRunBottomUpAndNotForMiscountedElements)
{
    // The bad ConsoleApp inside Program is reported before Program's own text; a Program that
    // misses Name never gets to report its text at all.
    const XMLConfiguration counted = Read(Definition(ProgramWith("<ConsoleApp>2</ConsoleApp>junk")));
    ASSERT_EQ(counted.Errors().size(), 2u) << Joined(counted.Errors());
    EXPECT_EQ(counted.Errors()[0].rfind("Invalid value \"2\" for element \"ConsoleApp\"", 0), 0u);
    EXPECT_EQ(counted.Errors()[1], "Unexpected text in <Program> element \"junk\"");

    const XMLConfiguration miscounted =
        Read(Definition("<Program>junk<DisplayName>d</DisplayName><WorkingDir>w</WorkingDir>"
                        "<Executable>e</Executable></Program>"));
    EXPECT_FALSE(miscounted.IsValid());
    EXPECT_EQ(miscounted.Errors(),
              ErrorList{"Insufficient number of instances of element <Name>: Found 0 and require a minimum of 1"});
    // The children were still converted.
    EXPECT_EQ(Str(miscounted.Service().Executable().Value()), "e");
}

TEST(XMLConfiguration, BooleanWords)
{
    struct Case {
        const char* text;
        bool valid;
        unsigned value;
    };
    const Case cases[] = {
        {"true", true, 1}, {"TRUE", true, 1}, {"Yes", true, 1}, {"on", true, 1},  {"1", true, 1},
        {"false", true, 0}, {"OFF", true, 0}, {"no", true, 0},  {"0", true, 0},   {" true", false, 0},
        {"true ", false, 0}, {"", false, 0},  {"01", false, 0}, {"y", false, 0},  {"tru\xC3\xA9", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const XMLConfiguration config = Read(Definition(ProgramWith(std::string("<ConsoleApp>") + c.text + "</ConsoleApp>")));
        EXPECT_EQ(config.IsValid(), c.valid) << Joined(config.Errors());
        EXPECT_EQ(config.ConsoleApp().Value(), c.value);
    }
}

TEST(XMLConfiguration, IntegerText)
{
    struct Case {
        const char* options;
        bool valid;
        unsigned uponExit;
        unsigned frequency;
    };
    const Case cases[] = {
        {"<Options><UponExit>0x3</UponExit></Options>", true, 3, 5000},
        {"<Options><UponExit> \t2\n </UponExit></Options>", true, 2, 5000},
        {"<Options><UponExit>-0</UponExit></Options>", false, 1, 5000},
        {"<SMF><SMFFrequency></SMFFrequency></SMF>", true, 1, 0},
        {"<SMF><SMFFrequency> \r\n</SMFFrequency></SMF>", true, 1, 0},
        {"<SMF><SMFFrequency>0XfFfFfFfF</SMFFrequency></SMF>", true, 1, 4294967295u},
        {"<SMF><SMFFrequency>1 2</SMFFrequency></SMF>", false, 1, 5000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        const XMLConfiguration config = Read(Definition(kProgram + c.options));
        EXPECT_EQ(config.IsValid(), c.valid) << Joined(config.Errors());
        EXPECT_EQ(config.UponExit().Value(), c.uponExit);
        EXPECT_EQ(config.MonitoringFrequency().Value(), c.frequency);
    }
    const XMLConfiguration delays =
        Read(Definition(ProgramWith("<Delay/>") + "<PostService><PostWorkingDir>w</PostWorkingDir>"
                                                  "<PostExecutable>e</PostExecutable><PostDelay> </PostDelay></PostService>"));
    EXPECT_TRUE(delays.IsValid()) << Joined(delays.Errors());
    EXPECT_EQ(delays.PostService().Delay().Value(), 0u);
}

// The newer settings' choices as words in any letter case, and their durations and sizes with a
// unit, read as the numbers they stand for in the element's own unit; a bad word or unit, and a
// converted value out of range, named in that unit. The original elements take numbers only.
TEST(XMLConfiguration, WordsAndUnitsOfTheNewerSettingsReadAsTheirNumbers)
{
    const std::string invalid = "Invalid value (";
    const struct {
        const char *container, *element, *text;
        std::uint32_t value;
        std::string error;  // empty: read as `value`
    } cases[] = {
        {"Recovery", "SecondFailure", " restartCOMPUTER ", 2, ""},
        {"Supervision", "ExitAction", "terminate", 2, ""},
        {"Supervision", "StopTimeout", "10min", 600000, ""},
        {"SecondFailure", "Delay", "2 S", 2000, ""},
        {"Recovery", "ResetPeriod", "2000 ms", 2, ""},
        {"Output", "RotateSize", "3 GB", 3221225472u, ""},
        {"Limits", "MemoryLimit", "1024 kb", 1, ""},
        {"Recovery", "FirstFailure", "reboot", 0,
         invalid + "reboot) for element \"FirstFailure\".  Valid values are None (0), RestartService (1), "
                   "RestartComputer (2) or RunProgram (3), in any letter case, or a number from 0 to 3."},
        {"Supervision", "StopTimeout", "2 h", 0,
         invalid + "2 h) for element \"StopTimeout\": that is 7200000 ms.  Valid range is [0, 600000]."},
        {"Health", "LiveGrace", "1 day", 0,
         invalid + "1 day) for element \"LiveGrace\": \"day\" is no unit of a duration; write ms, s, min or h after "
                   "the number.  Valid range is [0, 86400000]."},
        {"Limits", "MemoryLimit", "1500 KB", 0,
         invalid + "1500 KB) for element \"MemoryLimit\": that is not a whole number of MB.  Valid range is [1, "
                   "1048576]."},
        {"Output", "RotateSize", "4 GB", 0,
         invalid + "4 GB) for element \"RotateSize\": that is more than 4294967295 bytes."},
        {"Options", "UponExit", "Terminate", 0,
         invalid + "Terminate) for element \"UponExit\": Invalid trailing characters in integer \"Terminate\".  "
                   "Valid range is [0, 3]."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.element) + " " + c.text);
        const std::string element = std::string(c.element) == "Delay"
                                        ? std::string("<SecondFailure Delay=\"") + c.text + "\">1</SecondFailure>"
                                        : std::string("<") + c.element + ">" + c.text + "</" + c.element + ">";
        const std::string container = c.element == std::string("Delay") ? "Recovery" : c.container;
        const XMLConfiguration config =
            Read(Definition(kProgram + "<" + container + ">" + element + "</" + container + ">"));
        EXPECT_EQ(config.Errors(), c.error.empty() ? ErrorList{} : ErrorList{c.error});
        if (!c.error.empty() || !config.IsValid()) continue;
        const settings::Setting& row = settings::Row(c.container, c.element);
        EXPECT_EQ(row.kind == settings::Kind::List ? config.ExitActions().at(0).second.Value()
                                                   : config.SettingNumber(row).Value(),
                  c.value);
    }
}

TEST(XMLConfiguration, PriorityRangeFollowsTheWindowsVersion)
{
    struct Case {
        unsigned major;
        const char* text;
        const char* error;  // empty when valid
    };
    const Case cases[] = {
        {6, "5", ""},
        {5, "4", ""},
        {6, "6", "Invalid value (6) for element \"Priority\".  Valid range is [0, 5]."},
        {4, "3", ""},
        {4, "5", "Invalid value (5) for element \"Priority\".  Valid range is [0, 3]."},
        {4, "4", "Invalid value (4) for element \"Priority\".  Valid range is [0, 3]."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.major) + " " + c.text);
        platform::OverrideWindowsMajorVersion(c.major);
        const XMLConfiguration config =
            Read(Definition(kProgram + "<Options><Priority>" + c.text + "</Priority></Options>"));
        platform::OverrideWindowsMajorVersion(0);
        const std::string error = c.error;
        EXPECT_EQ(config.Errors(), error.empty() ? ErrorList{} : ErrorList{error});
    }
}

TEST(XMLConfiguration, StringsListsAndVariablesKeepTheirText)
{
    const XMLConfiguration c = Read(Definition(
        "<Program><Name> padded name </Name><DisplayName>d</DisplayName><WorkingDir>w</WorkingDir>"
        "<Executable>e</Executable><Parameters>a <![CDATA[<b> & c]]> d&amp;</Parameters></Program>"
        "<Options><Dependencies><ServiceName>x</ServiceName><GroupName>g</GroupName>"
        "<ServiceName>x</ServiceName></Dependencies></Options>"
        "<Environment><Variable Name=\"\">empty name</Variable><Variable Name=\"P\">1</Variable>"
        "<Variable Name=\"P\">2</Variable><Variable Name=\"&lt;&amp;&gt;&quot;&apos;\">\xC3\xA9t\xC3\xA9&quot;</Variable></Environment>"));
    ASSERT_TRUE(c.IsValid()) << Joined(c.Errors());
    EXPECT_EQ(Str(c.Name().Value()), " padded name ");
    EXPECT_EQ(Str(c.Service().Parameters().Value()), "a <b> & c d&");
    ASSERT_EQ(c.ServiceDependents().size(), 2u);
    EXPECT_EQ(c.GroupDependents().size(), 1u);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"", "empty name"}, {"P", "1"}, {"P", "2"}, {"<&>\"'", "\xC3\xA9t\xC3\xA9\""}};
    ASSERT_EQ(c.Environment().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Str(c.Environment()[i].first.Value()), expected[i].first);
        EXPECT_EQ(Str(c.Environment()[i].second.Value()), expected[i].second);
        EXPECT_TRUE(c.Environment()[i].first.HasValue());
    }
}

TEST(XMLConfiguration, DeclaredEntitiesAreTextInElementsAndAttributes)
{
    const XMLConfiguration c = Read(Definition(
        ProgramWith("<Description>&co; service</Description>") +
            "<Environment><Variable Name=\"&co;_HOME\">C:\\&co;</Variable></Environment>",
        "<!DOCTYPE Service SYSTEM \"Velmora.dtd\" [\n<!ENTITY co \"Marrowfield\">\n]>"));
    ASSERT_TRUE(c.IsValid()) << Joined(c.Errors());
    EXPECT_EQ(Str(c.Description().Value()), "Marrowfield service");
    EXPECT_EQ(Str(c.Environment()[0].first.Value()), "Marrowfield_HOME");
    EXPECT_EQ(Str(c.Environment()[0].second.Value()), "C:\\Marrowfield");
}

TEST(XMLConfiguration, AnInvalidDocumentGivesExactlyTheParsersMessages)
{
    TempDir dir;
    dir.Write("Velmora.dtd", ShippedDtd());
    const std::string file = dir.Write("bad.xml", Definition(kProgram + "<Unknown/>"));
    const XMLDocument document(file.c_str());
    const XMLConfiguration c(file);
    EXPECT_FALSE(c.IsValid());
    ASSERT_FALSE(c.Errors().empty());
    EXPECT_EQ(c.Errors(), document.Errors());
    EXPECT_FALSE(c.Name().HasValue()) << "nothing is read from an invalid document";

    const XMLConfiguration missing((dir.Path() / "absent.xml").string());
    EXPECT_FALSE(missing.IsValid());
    EXPECT_FALSE(missing.Errors().empty());
}

TEST(XMLConfiguration, ReadsNothingFromOutsideButTheDtd)
{
    TempDir dir;
    dir.Write("Velmora.dtd", ShippedDtd());
    dir.Write("secret.txt", "SECRET");
    const std::string entity = "<Description>&e;</Description>";
    struct Case {
        const char* what;
        std::string content;
    };
    const Case cases[] = {
        {"a DTD on the network", Definition(kProgram, "<!DOCTYPE Service SYSTEM \"http://127.0.0.1:9/Velmora.dtd\">")},
        {"an external entity", Definition(ProgramWith(entity), "<!DOCTYPE Service SYSTEM \"Velmora.dtd\" [\n"
                                                               "<!ENTITY e SYSTEM \"secret.txt\">\n]>")},
        {"an entity on the network", Definition(ProgramWith(entity), "<!DOCTYPE Service SYSTEM \"Velmora.dtd\" [\n"
                                                                     "<!ENTITY e SYSTEM \"http://127.0.0.1:9/e\">\n]>")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const XMLConfiguration config(dir.Write("definition.xml", c.content));
        EXPECT_FALSE(config.IsValid());
        EXPECT_FALSE(config.Errors().empty());
        EXPECT_EQ(Joined(config.Errors()).find("SECRET"), std::string::npos);
        EXPECT_FALSE(config.Name().HasValue());
        EXPECT_FALSE(config.Description().HasValue());
    }
}

TEST(XMLConfiguration, EntityExpansionBombIsRefused)
{
    std::string declarations = "<!ENTITY a0 \"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\">\n";
    for (int i = 1; i <= 9; ++i) {
        std::string value;
        for (int j = 0; j < 10; ++j) value += "&a" + std::to_string(i - 1) + ";";
        declarations += "<!ENTITY a" + std::to_string(i) + " \"" + value + "\">\n";
    }
    const std::string doctype = "<!DOCTYPE Service SYSTEM \"Velmora.dtd\" [\n" + declarations + "]>";
    for (const std::string& body : {ProgramWith("<Description>&a9;</Description>"),
                                    kProgram + "<Environment><Variable Name=\"&a9;\">v</Variable></Environment>"}) {
        SCOPED_TRACE(body);
        const XMLConfiguration c = Read(Definition(body, doctype));
        EXPECT_FALSE(c.IsValid());
        EXPECT_TRUE(c.Environment().empty());
        EXPECT_FALSE(c.Description().HasValue());
    }
}

std::string Repeated(const std::string& piece, std::size_t times)
{
    std::string all;
    for (std::size_t i = 0; i < times; ++i) all += piece;
    return all;
}

// The first 100 problems are listed, each on one line, then one line for the rest; far past the
// list the parser and the reader both stop.
TEST(XMLConfiguration, ListsTheFirstHundredProblemsAndCountsTheRest)
{
    struct Case {
        const char* what;
        std::string content;
        bool loose;
        bool valid;
        std::size_t listed;
        std::string last;
    };
    // The parser reports two problems for each undeclared element: its own, and its parent's.
    const std::string undeclared = "Element Xy is not declared in Service list of possible children";
    const std::string stopped = "At least 9900 more problems were found and not listed; reading stopped there.";
    const Case cases[] = {
        {"100 problems, all listed", Definition(kProgram + Repeated("<Xy/>", 50)), false, false, 100, undeclared},
        {"102 problems", Definition(kProgram + Repeated("<Xy/>", 51)), false, false, 101,
         "2 more problems were found and not listed."},
        {"the parser's, counted", Definition(kProgram + Repeated("<Xy/>\n", 1500)), false, false, 101,
         "2900 more problems were found and not listed."},
        {"the parser's, far past the list", Definition(kProgram + Repeated("<Xy/>\n", 30000)), false, false, 101,
         stopped},
        // Unknown elements the DTD lets through are reported without failing the definition.
        {"the reader's, 101", Loose(ProgramWith(Repeated("<Foo/>", 101))), true, true, 101,
         "1 more problem was found and not listed."},
        {"the reader's, far past the list", Loose(ProgramWith(Repeated("<Foo/>", 30000))), true, false, 101,
         stopped},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const XMLConfiguration config = c.loose ? ReadLoose(c.content) : Read(c.content);
        EXPECT_EQ(config.IsValid(), c.valid);
        ASSERT_EQ(config.Errors().size(), c.listed);
        const std::string& last = config.Errors().back();
        EXPECT_EQ(last.substr(last.size() - std::min(last.size(), c.last.size())), c.last);
        for (const std::string& line : config.Errors()) EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    }
}

// Entity references are expanded by the reader, so it bounds what they expand to: a few
// thousand references to a long entity would otherwise take memory by the square.
TEST(XMLConfiguration, ExpandedTextBeyondItsLimitIsRefused)
{
    const std::size_t third = XMLConfiguration::kMaxText / 3;
    ASSERT_EQ(third * 3, XMLConfiguration::kMaxText);
    struct Case {
        const char* what;
        std::size_t entityLength, references;
        bool inAttribute;
        const char* error;
    };
    const Case cases[] = {
        {"text at the limit", third, 3, false, nullptr},
        {"text a byte past it", third + 1, 3, false, "The text of element <Parameters> is longer than 98301 bytes"},
        {"ten thousand references", 10000, 10000, false,
         "The text of element <Parameters> is longer than 98301 bytes"},
        {"an attribute at the limit", third, 3, true, nullptr},
        {"an attribute past it", third + 1, 3, true,
         "The value of attribute \"Name\" of element <Variable> is longer than 98301 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string doctype = "<!DOCTYPE Service SYSTEM \"Velmora.dtd\" [\n<!ENTITY e \"" +
                                    std::string(c.entityLength, 'e') + "\">\n]>";
        const std::string references = Repeated("&e;", c.references);
        const std::string body = c.inAttribute ? kProgram + "<Environment><Variable Name=\"" + references +
                                                     "\">v</Variable></Environment>"
                                               : ProgramWith("<Parameters>" + references + "</Parameters>");
        const XMLConfiguration config = Read(Definition(body, doctype));
        EXPECT_EQ(config.IsValid(), c.error == nullptr);
        EXPECT_EQ(config.Errors(), c.error ? ErrorList{c.error} : ErrorList{});
        if (!c.error && c.inAttribute) {
            ASSERT_EQ(config.Environment().size(), 1u);
            EXPECT_EQ(config.Environment()[0].first.Value().size(), XMLConfiguration::kMaxText);
        }
        if (!c.error && !c.inAttribute) {
            EXPECT_EQ(config.Service().Parameters().Value().size(), XMLConfiguration::kMaxText);
        }
    }
}

// What the editor writes must pass the DTD; its only faults are the reader's own.
TEST(XMLConfiguration, EveryDocumentTheEditorWritesPassesTheDtd)
{
    const std::string header = std::string(kHeader) + "<!DOCTYPE Service SYSTEM \"Velmora.dtd\">\n";
    const std::string newDefinition = header +
        "<Service>\n <Program>\n  <Name></Name>\n  <DisplayName></DisplayName>\n  <WorkingDir></WorkingDir>\n"
        "  <Executable></Executable>\n  <Delay>3000</Delay>\n  <ConsoleApp>false</ConsoleApp>\n"
        "  <ForceReplace>true</ForceReplace>\n </Program>\n <Options>\n  <AffinityMask>0</AffinityMask>\n"
        "  <Priority>0</Priority>\n  <InteractWithDesktop>false</InteractWithDesktop>\n"
        "  <StartUpMode>1</StartUpMode>\n  <UponExit>1</UponExit>\n  <ShowWindow>-1</ShowWindow>\n"
        "  <JobType>1</JobType>\n </Options>\n <SMF>\n  <SMFEnabled>true</SMFEnabled>\n"
        "  <SMFFrequency>5000</SMFFrequency>\n </SMF>\n</Service>\n";
    const XMLConfiguration fresh = Read(newDefinition);
    EXPECT_EQ(fresh.Errors(), (ErrorList{
                                  "Invalid blank string for element \"Name\".",
                                  "Invalid blank string for element \"DisplayName\".",
                                  "Invalid blank string for element \"WorkingDir\".",
                                  "Invalid blank string for element \"Executable\".",
                                  "Invalid value (-1) for element \"ShowWindow\": Integer out of range.  "
                                  "Valid range is [0, 3].",
                              }));

    // Written on Windows in text mode: every line ends in a carriage return and line feed.
    std::string crlf;
    for (char ch : FileText(kFixtures / "full.xml")) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    const XMLConfiguration full = Read(crlf);
    EXPECT_TRUE(full.IsValid()) << Joined(full.Errors());
    EXPECT_EQ(Str(full.Service().Parameters().Value()), "--queue \"night shift\" -v");
}

}  // namespace
