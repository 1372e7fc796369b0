#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "DefinitionWriter.h"
#include "EditorTestSupport.h"
#include "Messages.h"
#include "Seams.h"

namespace {

using definition_writer::DefinitionText;

bool Checked(EditorFixture& f, int id)
{
    return SendMessageA(GetDlgItem(f.Page(kOutputPage), id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

TEST(OutputPage, OpenedSettingsAreShownAndSavedBackByteForByte)
{
    const struct {
        const char* what;
        const char* output;  // the definition's <Output>, if any
        const char *outputFile, *errorFile, *size;
        bool daily;
        const char* keep;
        bool stamp;
        const char *dumpFolder, *dumpKeep;
        bool dumpFull;
    } cases[] = {
        {"none", "", "", "", "", false, "10", false, "", "5", false},
        {"all",
         "<Output><OutputLocation>D:\\logs\\relay.log</OutputLocation><ErrorLocation>D:\\logs\\relay.err"
         "</ErrorLocation><RotateSize>4294967295</RotateSize><RotateDaily>true</RotateDaily>"
         "<RotateKeep>0</RotateKeep><TimeStamp>true</TimeStamp><DumpFolder>D:\\dumps</DumpFolder>"
         "<DumpKeep>1000</DumpKeep><DumpFull>true</DumpFull></Output>",
         "D:\\logs\\relay.log", "D:\\logs\\relay.err", "4294967295", true, "0", true, "D:\\dumps", "1000", true},
        {"one file for both streams",
         "<Output><OutputLocation>D:\\relay.log</OutputLocation><ErrorLocation>D:\\relay.log</ErrorLocation>"
         "<RotateKeep>1000</RotateKeep></Output>",
         "D:\\relay.log", "D:\\relay.log", "", false, "1000", false, "", "5", false},
    };
    EditorFixture f;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = f.dir.Write(
            "output.xml", DefinitionDir::Xml(DefinitionDir::Required("Relay", f.program, f.folder), c.output));
        ASSERT_TRUE(f.OpenFile(file));
        EXPECT_EQ(f.Text(kOutputPage, 1080), c.outputFile);
        EXPECT_EQ(f.Text(kOutputPage, 1082), c.errorFile);
        EXPECT_EQ(f.Text(kOutputPage, 1084), c.size);
        EXPECT_EQ(Checked(f, 1085), c.daily);
        EXPECT_EQ(f.Text(kOutputPage, 1086), c.keep);
        EXPECT_EQ(Checked(f, 1087), c.stamp);
        EXPECT_EQ(f.Text(kOutputPage, 1180), c.dumpFolder);
        EXPECT_EQ(f.Text(kOutputPage, 1181), c.dumpKeep);
        EXPECT_EQ(Checked(f, 1182), c.dumpFull);

        // Save goes to the opened file: the record as the library read it, not a byte else.
        const std::string loaded = DefinitionText(f.Editor().Record());
        EXPECT_EQ(loaded.find("<Output>") != std::string::npos, *c.output != '\0');
        f.Click(1075);
        EXPECT_EQ(ReadFile(file), loaded);
    }
}

TEST(OutputPage, ASettingThatCannotBeStoredStopsEveryWrite)
{
    // A number that does not convert, or half a stop program, would be lost unseen; checks that
    // cannot work would make a file that does not load again.
    const struct {
        int page, field;
        const char* text;
        unsigned message;
        int focus;
        const char* detail;  // the message's insert
    } settings[] = {
        {kOutputPage, 1084, "lots", 0x4fd, 1084, nullptr},
        {kSupervisionPage, 1093, "lots", 0x500, 1093, nullptr},
        {kSupervisionPage, 1088, "D:\\stop", 0x501, 1090, nullptr},
        {kLogOnPage, 1113, "a day", 0x515, 1113, nullptr},
        {kHealthPage, 1120, "tcp://127.0.0.1", 0x521, 1120,
         "ReadyCheck \"tcp://127.0.0.1\" is no check: the port is missing"},
        {kSupervisionPage, 1101, "03:00, 3:30", 0x523, 1101, "RestartAt \"3:30\" is not a time of day HH:MM"},
    };
    EditorFixture f;
    f.FillValid();
    const std::string file = (f.dir.Path() / "refused.xml").string();
    ProgramStarterStub notepad;
    for (const auto& s : settings) {
        for (int command : {1076, 1075, 1073}) {
            SCOPED_TRACE(std::to_string(s.field) + " " + std::to_string(command));
            f.Editor().Sheet().SetActivePage(kProgramPage);
            f.SetText(s.page, s.field, s.text);
            FileChooserStub files;
            files.answers.push_back(file);
            MessageBoxRecorder boxes;
            f.Click(command);
            ASSERT_EQ(boxes.boxes.size(), 1u);
            EXPECT_EQ(boxes.boxes[0].text, s.detail ? messages::FormatMessageText(s.message, {s.detail})
                                                     : messages::FormatMessageText(s.message));
            EXPECT_EQ(f.Editor().Sheet().ActiveIndex(), s.page);
            EXPECT_EQ(GetFocus(), GetDlgItem(f.Page(s.page), s.focus));
            EXPECT_FALSE(FileExists(file));
            EXPECT_EQ(f.Editor().CurrentPath(), "");
        }
        f.SetText(s.page, s.field, "");
    }
    EXPECT_TRUE(notepad.commands.empty());

    f.SetText(kOutputPage, 1084, " 1048576 ");
    FileChooserStub files;
    files.answers.push_back(file);
    f.Click(1076);
    EXPECT_EQ(f.Editor().Record().RotateSize, 1048576u);
    EXPECT_EQ(ReadFile(file), DefinitionText(f.Editor().Record()));
}

TEST(OutputPage, BrowseChoosesAFileToWriteAndLeftFieldsAreTidied)
{
    EditorFixture f;
    f.Editor().Sheet().SetActivePage(kOutputPage);
    for (int field : {1080, 1082}) {
        SCOPED_TRACE(field);
        f.SetText(kOutputPage, field, "D:\\old.log");
        FileChooserStub files;
        f.Click(field + 1, kOutputPage);  // cancelled
        EXPECT_EQ(f.Text(kOutputPage, field), "D:\\old.log");
        files.answers.push_back(std::string("D:\\logs\\new.log"));
        f.Click(field + 1, kOutputPage);
        ASSERT_EQ(files.requests.size(), 2u);
        EXPECT_TRUE(files.requests[1].save);
        EXPECT_EQ(files.requests[1].defaultExtension, "log");
        EXPECT_EQ(files.requests[1].initialName, "D:\\old.log");
        EXPECT_EQ(f.Text(kOutputPage, field), "D:\\logs\\new.log");
    }

    // The supervision and log on pages' numbers are left the same way, a blank one showing its
    // default (a blank pre-shutdown timeout is off).
    const struct {
        int page, field, next;
        const char *typed, *left;
    } fields[] = {{kOutputPage, 1080, 1082, "  D:\\a b.log\t", "D:\\a b.log"},
                  {kOutputPage, 1084, 1086, " 2048 ", "2048"},
                  {kOutputPage, 1086, 1084, "   ", "10"},
                  {kOutputPage, 1086, 1084, " 7 ", "7"},
                  {kSupervisionPage, 1093, 1098, " ", "5000"},
                  {kSupervisionPage, 1098, 1099, "", "0"},
                  {kSupervisionPage, 1099, 1093, "\t", "60000"},
                  {kSupervisionPage, 1099, 1093, " 90000 ", "90000"},
                  {kLogOnPage, 1113, 1106, " ", "86400"},
                  {kLogOnPage, 1106, 1113, " ", ""},
                  {kHealthPage, 1125, 1120, " ", "3"}};
    for (const auto& t : fields) {
        SCOPED_TRACE(t.typed);
        f.Editor().Sheet().SetActivePage(t.page);
        f.SetText(t.page, t.field, t.typed);
        SetFocus(GetDlgItem(f.Page(t.page), t.field));
        SetFocus(GetDlgItem(f.Page(t.page), t.next));
        EXPECT_EQ(f.Text(t.page, t.field), t.left);
    }
}

}  // namespace
