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
using Rows = std::vector<std::vector<std::string>>;

Rows ListRows(EditorFixture& f)
{
    HWND list = GetDlgItem(f.Page(kSupervisionPage), 1094);
    Rows rows;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) rows.push_back({CellText(list, row, 0), CellText(list, row, 1)});
    return rows;
}

TEST(SupervisionPage, OpenedSettingsAreShownAndSavedBackByteForByte)
{
    const struct {
        const char* what;
        const char* supervision;  // the definition's <Supervision>, if any
        bool stopProgram, expand;
        const char *timeout, *limit, *period, *every, *at;
        Rows rows;
    } cases[] = {
        {"none", "", false, false, "5000", "0", "60000", "", "", {}},
        {"all",
         "<Supervision><StopTimeout>0</StopTimeout><ExitAction Code=\"0\">3</ExitAction>"
         "<ExitAction Code=\"0xC0000005\">1</ExitAction><ExitAction>2</ExitAction><ExitAction Code=\"65535\">0"
         "</ExitAction><RestartLimit>4294967295</RestartLimit><RestartPeriod>86400000</RestartPeriod>"
         "<RestartEvery>4294967295</RestartEvery><RestartAt>23:59</RestartAt><RestartAt>00:00</RestartAt></Supervision>",
         true, true, "0", "4294967295", "86400000", "4294967295", "23:59, 00:00",
         {{"0", "Shutdown Velmora"},
          {"0xC0000005", "Restart the Program"},
          {"Every other code", "Terminate Velmora"},
          {"65535", "No Action"}}},
        {"a stop program alone", "", true, false, "5000", "0", "60000", "", "", {}},
    };
    EditorFixture f;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string rest = c.supervision;
        if (c.stopProgram)
            rest += "<StopService><StopWorkingDir>" + f.folder + "</StopWorkingDir><StopExecutable>" + f.program +
                    "</StopExecutable><StopParameters>drain --wait 10</StopParameters></StopService>";
        if (c.expand) rest += "<Options><ExpandVariables>true</ExpandVariables></Options>";
        const std::string file =
            f.dir.Write("supervision.xml", DefinitionDir::Xml(DefinitionDir::Required("Relay", f.program, f.folder), rest));
        ASSERT_TRUE(f.OpenFile(file));
        EXPECT_EQ(f.Text(kSupervisionPage, 1093), c.timeout);
        EXPECT_EQ(f.Text(kSupervisionPage, 1088), c.stopProgram ? f.folder : "");
        EXPECT_EQ(f.Text(kSupervisionPage, 1090), c.stopProgram ? f.program : "");
        EXPECT_EQ(f.Text(kSupervisionPage, 1092), c.stopProgram ? "drain --wait 10" : "");
        EXPECT_EQ(ListRows(f), c.rows);
        EXPECT_EQ(f.Text(kSupervisionPage, 1098), c.limit);
        EXPECT_EQ(f.Text(kSupervisionPage, 1099), c.period);
        EXPECT_EQ(f.Text(kSupervisionPage, 1100), c.every);
        EXPECT_EQ(f.Text(kSupervisionPage, 1101), c.at);
        EXPECT_EQ(SendMessageA(GetDlgItem(f.Page(kProgramPage), 1044), BM_GETCHECK, 0, 0) == BST_CHECKED, c.expand);

        // Save goes to the opened file: the record as the library read it, not a byte else.
        const std::string loaded = DefinitionText(f.Editor().Record());
        EXPECT_EQ(loaded.find("<Supervision>") != std::string::npos, *c.supervision != '\0');
        EXPECT_EQ(loaded.find("<StopService>") != std::string::npos, c.stopProgram);
        f.Click(1075);
        EXPECT_EQ(ReadFile(file), loaded);
    }
}

// Runs the exit action dialog once: notes how it opened, then types, chooses and presses OK
// (or cancels). A refused entry keeps the dialog open, so the run then ends as cancelled.
class ExitActionRun {
public:
    struct Entry {
        const char* code;  // nullptr: left as it is
        int others;        // -1: left as it is, else the box's new state
        int action;        // -1: left as it is
    };
    struct Seen {
        std::string title, code;
        bool others = false, codeEnabled = false;
        int action = -1;
        bool stillOpen = false;
    };

    ExitActionRun(Entry entry, bool ok = true, bool accepted = true)
        : recorder_(
              [this, entry, ok](ui::Dialog& dialog) {
                  HWND code = dialog.Item(1100), others = dialog.Item(1101), action = dialog.Item(1102);
                  seen.title = dialog.Title();
                  seen.code = dialog.ItemText(1100);
                  seen.others = SendMessageA(others, BM_GETCHECK, 0, 0) == BST_CHECKED;
                  seen.codeEnabled = IsWindowEnabled(code) != FALSE;
                  seen.action = static_cast<int>(SendMessageA(action, CB_GETCURSEL, 0, 0));
                  if (entry.code) SetWindowTextA(code, entry.code);
                  if (entry.others >= 0 && (entry.others == 1) != seen.others) {
                      SendMessageA(others, BM_SETCHECK, entry.others ? BST_CHECKED : BST_UNCHECKED, 0);
                      SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(1101, BN_CLICKED),
                                   reinterpret_cast<LPARAM>(others));
                      codeEnabledAfter = IsWindowEnabled(code) != FALSE;
                  }
                  if (entry.action >= 0) SendMessageA(action, CB_SETCURSEL, entry.action, 0);
                  if (!ok) return;
                  SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                  seen.stillOpen = dialog.Handle() && IsWindow(dialog.Handle());
                  if (seen.stillOpen) focus = GetDlgCtrlID(GetFocus());
              },
              ok && accepted ? IDOK : IDCANCEL)
    {
    }
    int Shown() const { return static_cast<int>(recorder_.templates.size()); }

    Seen seen;
    bool codeEnabledAfter = true;
    int focus = 0;
    MessageBoxRecorder boxes;

private:
    ModalRecorder recorder_;
};

void Select(EditorFixture& f, int row)
{
    HWND list = GetDlgItem(f.Page(kSupervisionPage), 1094);
    LVITEMA item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, row);
}

TEST(SupervisionPage, ExitActionsAreAddedEditedAndRemovedAndARepeatedCodeIsRefused)
{
    EditorFixture f;
    f.Editor().Sheet().SetActivePage(kSupervisionPage);
    {
        ExitActionRun run({"0x10", -1, 2});
        f.Click(1095, kSupervisionPage);
        EXPECT_EQ(run.seen.title, "New Exit Action");
        EXPECT_EQ(run.seen.code, "");
        EXPECT_TRUE(run.seen.codeEnabled);
        EXPECT_EQ(run.seen.action, 0);
    }
    {
        ExitActionRun run({nullptr, 1, 1});
        f.Click(1095, kSupervisionPage);
        EXPECT_FALSE(run.codeEnabledAfter);
    }
    {
        ExitActionRun run({"3221225477", -1, 3});
        f.Click(1095, kSupervisionPage);
    }
    {
        ExitActionRun cancelled({"5", -1, 1}, false);
        f.Click(1095, kSupervisionPage);
        EXPECT_EQ(cancelled.Shown(), 1);
    }
    EXPECT_EQ(ListRows(f), (Rows{{"16", "Terminate Velmora"},
                                 {"Every other code", "Restart the Program"},
                                 {"0xC0000005", "Shutdown Velmora"}}));

    const struct {
        const char* what;
        ExitActionRun::Entry entry;
        int message, focus;
    } refused[] = {
        {"the same code in hex", {"0x0000C0000005", -1, 0}, 0x50c, 1100},
        {"the same code in decimal", {" 16 ", -1, 0}, 0x50c, 1100},
        {"every other code again", {nullptr, 1, 0}, 0x50d, 1101},
        {"no number", {"0xC000 0005", -1, 0}, 0x50a, 1100},
        {"beyond 32 bits", {"0x1C0000005", -1, 0}, 0x50b, 1100},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.what);
        ExitActionRun run(r.entry, true, false);
        f.Click(1095, kSupervisionPage);
        EXPECT_TRUE(run.seen.stillOpen);
        ASSERT_EQ(run.boxes.boxes.size(), 1u);
        EXPECT_EQ(run.boxes.boxes[0].text, messages::FormatMessageText(r.message));
        EXPECT_EQ(run.focus, r.focus);
    }
    EXPECT_EQ(ListRows(f).size(), 3u);

    {
        ExitActionRun none({"7", -1, 0});
        f.Click(1096, kSupervisionPage);  // nothing chosen yet
        f.Click(1097, kSupervisionPage);
        EXPECT_EQ(none.Shown(), 0);
    }
    Select(f, 0);
    {
        ExitActionRun run({"17", -1, 0});
        f.Click(1096, kSupervisionPage);
        EXPECT_EQ(run.seen.title, "Edit Exit Action");
        EXPECT_EQ(run.seen.code, "16");
        EXPECT_EQ(run.seen.action, 2);
    }
    Select(f, 1);
    {
        // A double click edits the row; it keeps its own "every other code" without a clash.
        ExitActionRun run({nullptr, -1, 0});
        HWND list = GetDlgItem(f.Page(kSupervisionPage), 1094);
        NMHDR doubleClick{list, 1094, static_cast<UINT>(NM_DBLCLK)};
        SendMessageA(f.Page(kSupervisionPage), WM_NOTIFY, 1094, reinterpret_cast<LPARAM>(&doubleClick));
        EXPECT_TRUE(run.seen.others);
        EXPECT_FALSE(run.seen.codeEnabled);
        EXPECT_FALSE(run.seen.stillOpen);
    }
    EXPECT_EQ(ListRows(f), (Rows{{"17", "No Action"}, {"Every other code", "No Action"}, {"0xC0000005", "Shutdown Velmora"}}));
    f.Click(1097, kSupervisionPage);
    EXPECT_EQ(ListRows(f), (Rows{{"17", "No Action"}, {"0xC0000005", "Shutdown Velmora"}}));

    f.Editor().PagesToRecord();
    using Action = ServiceDefinition::ExitCodeAction;
    EXPECT_EQ(f.Editor().Record().ExitActions, (std::vector<Action>{{false, 17, 0}, {false, 0xC0000005, 3}}));
    const std::string text = DefinitionText(f.Editor().Record());
    EXPECT_NE(text.find("<ExitAction Code=\"17\">0</ExitAction>"), std::string::npos);
    EXPECT_NE(text.find("<ExitAction Code=\"3221225477\">3</ExitAction>"), std::string::npos);

    // A new definition shows no row of the previous one.
    f.Click(1077);
    EXPECT_TRUE(ListRows(f).empty());
}

}  // namespace
