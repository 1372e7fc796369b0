#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "EditorTestSupport.h"
#include "Seams.h"

namespace {

// Moves the keyboard focus into a field and out again, as tabbing through would.
void Visit(EditorFixture& f, int page, int id, int next)
{
    SetFocus(GetDlgItem(f.Page(page), id));
    SetFocus(GetDlgItem(f.Page(page), next));
}

TEST(ProgramPages, AnEmptyTimeFieldGetsTheDefaultWhenLeftAndABadOneIsReported)
{
    EditorFixture f;
    const struct {
        int page, field, next;
    } fields[] = {{kProgramPage, 1010, 1009}, {kPrePostPage, 1051, 1050}, {kPrePostPage, 1016, 1015}};
    for (const auto& t : fields) {
        SCOPED_TRACE(t.field);
        f.Editor().Sheet().SetActivePage(t.page);
        f.SetText(t.page, t.field, "  ");
        Visit(f, t.page, t.field, t.next);
        EXPECT_EQ(f.Text(t.page, t.field), "3000");

        f.SetText(t.page, t.field, "soon");
        MessageBoxRecorder boxes;
        Visit(f, t.page, t.field, t.next);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, "Please enter an integer.");
        f.SetText(t.page, t.field, "100000001");
        Visit(f, t.page, t.field, t.next);
        ASSERT_EQ(boxes.boxes.size(), 2u);
        EXPECT_EQ(boxes.boxes[1].text, "Please enter an integer between 0 and 100000000.");
        f.SetText(t.page, t.field, "250");
        Visit(f, t.page, t.field, t.next);
        EXPECT_EQ(boxes.boxes.size(), 2u);
    }
    f.Editor().PagesToRecord();
    EXPECT_EQ(f.Editor().Record().Service.Delay, 250u);
    EXPECT_EQ(f.Editor().Record().PreService.Delay, 250u);
    EXPECT_EQ(f.Editor().Record().PostService.Delay, 250u);
}

TEST(ProgramPages, TheDisplayNameIsSuggestedFromTheShortNameOnlyWhileEmpty)
{
    EditorFixture f;
    f.SetText(kProgramPage, 1000, "MailRelay");
    Visit(f, kProgramPage, 1000, 1037);
    EXPECT_EQ(f.Text(kProgramPage, 1037), "MailRelay");
    f.SetText(kProgramPage, 1037, "Mail Relay");
    f.SetText(kProgramPage, 1000, "Other");
    Visit(f, kProgramPage, 1000, 1037);
    EXPECT_EQ(f.Text(kProgramPage, 1037), "Mail Relay");
}

TEST(ProgramPages, BlanksAroundTextDisappearWhenTheFieldLosesTheFocus)
{
    EditorFixture f;
    const struct {
        int page, field, next;
    } fields[] = {{kProgramPage, 1005, 1006}, {kProgramPage, 1004, 1000}, {kPrePostPage, 1049, 1050},
                  {kPrePostPage, 1015, 1016}, {kDependenciesPage, 1055, 1059}, {kSupervisionPage, 1092, 1093}};
    for (const auto& t : fields) {
        SCOPED_TRACE(t.field);
        f.Editor().Sheet().SetActivePage(t.page);
        f.SetText(t.page, t.field, " \t D:\\relay dir  ");
        Visit(f, t.page, t.field, t.next);
        EXPECT_EQ(f.Text(t.page, t.field), "D:\\relay dir");
    }
}

TEST(ProgramPages, BrowseExecutableFillsAnEmptyWorkingDirectoryWithTheProgramsFolder)
{
    const struct {
        int page, button, executable, folder;
    } blocks[] = {{kProgramPage, 1008, 1006, 1005}, {kPrePostPage, 1053, 1049, 1048}, {kPrePostPage, 1014, 1013, 1011},
                  {kSupervisionPage, 1091, 1090, 1088}};
    const struct {
        const char* folderBefore;
        const char* chosen;
        const char* folderAfter;
    } cases[] = {
        {"", "D:\\tools\\agent.exe", "D:\\tools"},
        {"", "E:\\run.exe", "E:"},
        {"C:\\work", "D:\\tools\\agent.exe", "C:\\work"},
    };
    EditorFixture f;
    for (const auto& b : blocks) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(b.button) + " " + c.chosen);
            f.SetText(b.page, b.executable, "");
            f.SetText(b.page, b.folder, c.folderBefore);
            FileChooserStub files;
            files.answers.push_back(std::string(c.chosen));
            f.Click(b.button, b.page);
            ASSERT_EQ(files.requests.size(), 1u);
            EXPECT_EQ(files.requests[0].defaultExtension, "exe");
            EXPECT_FALSE(files.requests[0].save);
            EXPECT_EQ(files.requests[0].initialFolder, c.folderBefore);
            using Filters = std::vector<std::pair<std::string, std::string>>;
            EXPECT_EQ(files.requests[0].filters, (Filters{{"Applications (*.exe)", "*.exe"},
                                                          {"Batch Files (*.bat)", "*.bat"},
                                                          {"All Files (*.*)", "*.*"}}));
            EXPECT_EQ(f.Text(b.page, b.executable), c.chosen);
            EXPECT_EQ(f.Text(b.page, b.folder), c.folderAfter);
        }
        // With a program already there the dialog starts from it, and cancelling changes nothing.
        FileChooserStub files;
        f.Click(b.button, b.page);
        ASSERT_EQ(files.requests.size(), 1u);
        EXPECT_EQ(files.requests[0].initialName, "D:\\tools\\agent.exe");
        EXPECT_EQ(files.requests[0].initialFolder, "");
        EXPECT_EQ(f.Text(b.page, b.executable), "D:\\tools\\agent.exe");
    }
}

TEST(ProgramPages, BrowseFolderPutsTheChosenFolderIntoItsField)
{
    const struct {
        int page, button, field;
    } cases[] = {{kProgramPage, 1007, 1005}, {kPrePostPage, 1052, 1048}, {kPrePostPage, 1012, 1011},
                 {kSupervisionPage, 1089, 1088}};
    EditorFixture f;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        f.SetText(c.page, c.field, "C:\\before");
        FolderChooserStub folders;
        f.Click(c.button, c.page);
        EXPECT_EQ(folders.calls, 1);
        EXPECT_EQ(f.Text(c.page, c.field), "C:\\before");
        folders.answer = "D:\\services\\relay";
        f.Click(c.button, c.page);
        EXPECT_EQ(f.Text(c.page, c.field), "D:\\services\\relay");
    }
}

}  // namespace
