#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "DefinitionWriter.h"
#include "EditorTestSupport.h"
#include "Messages.h"
#include "Seams.h"

namespace {

using Strings = std::vector<std::string>;

Strings ListBoxItems(HWND box)
{
    Strings items;
    const LRESULT count = SendMessageA(box, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[256] = {};
        SendMessageA(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

Strings ComboItems(HWND combo)
{
    Strings items;
    const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[256] = {};
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

std::vector<Strings> Rows(HWND list)
{
    std::vector<Strings> rows;
    const LRESULT count = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; row < count; ++row) rows.push_back({CellText(list, row, 0), CellText(list, row, 1)});
    return rows;
}

void Select(HWND list, int row)
{
    LVITEMA item{};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, row);
}

void ChooseExitAction(EditorFixture& f, int index)
{
    HWND combo = GetDlgItem(f.Page(kSettingsPage), 1022);
    SendMessageA(combo, CB_SETCURSEL, index, 0);
    SendMessageA(f.Page(kSettingsPage), WM_COMMAND, MAKEWPARAM(1022, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

TEST(SettingsPage, ListsHoldTheirItemsInOrderAndTheProcessorBoxesAreShownOnly)
{
    EditorFixture f;
    HWND page = f.Page(kSettingsPage);
    EXPECT_EQ(ComboItems(GetDlgItem(page, 1021)), (Strings{"Normal", "Hidden", "Minimized", "Maximized"}));
    EXPECT_EQ(ComboItems(GetDlgItem(page, 1023)), (Strings{"No Job", "Global Job", "Local Job"}));
    EXPECT_EQ(ComboItems(GetDlgItem(page, 1015)), (Strings{"Manual", "Automatic", "Disabled"}));
    EXPECT_EQ(ComboItems(GetDlgItem(page, 1022)),
              (Strings{"No Action", "Restart the Program", "Terminate Velmora", "Shutdown Velmora"}));
    EXPECT_EQ(ComboItems(GetDlgItem(page, 1014)),
              (Strings{"Normal", "Idle (runs only when the system is idle)", "High (time-critical tasks)",
                       "Real Time (preempts all other processes)", "Below Normal", "Above Normal"}));
    // The new definition: Automatic, Global Job, Restart the Program at 5000 ms, no debugging.
    EXPECT_EQ(SendMessageA(GetDlgItem(page, 1015), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SendMessageA(GetDlgItem(page, 1023), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SendMessageA(GetDlgItem(page, 1022), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(f.Text(kSettingsPage, 1041), "5000");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1041)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1038)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1039)));
    for (int box : {1010, 1011, 1012, 1013, 1016, 1017, 1018, 1019}) EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, box)));

    // Below Normal and Above Normal come after Real Time.
    SendMessageA(GetDlgItem(page, 1014), CB_SETCURSEL, 4, 0);
    f.Editor().PagesToRecord();
    EXPECT_EQ(f.Editor().Record().Priority, 4u);
    EXPECT_NE(definition_writer::DefinitionText(f.Editor().Record()).find("<Priority>4</Priority>"), std::string::npos);
}

TEST(SettingsPage, TheExitActionSwitchesMonitoringAndTheIntervalIsCheckedOnInstall)
{
    EditorFixture f;
    f.FillValid("Relay9");
    HWND interval = GetDlgItem(f.Page(kSettingsPage), 1041);

    ChooseExitAction(f, 0);
    EXPECT_FALSE(IsWindowEnabled(interval));
    f.SetText(kSettingsPage, 1041, "10");
    f.Click(1072);
    ASSERT_EQ(f.owner.installs.size(), 1u);
    EXPECT_EQ(f.Editor().Record().SMFEnabled, 0u);
    EXPECT_NE(f.owner.installs[0].content.find("<SMFEnabled>false</SMFEnabled>"), std::string::npos);
    EXPECT_NE(f.owner.installs[0].content.find("<SMFFrequency>10</SMFFrequency>"), std::string::npos);

    ChooseExitAction(f, 1);
    EXPECT_TRUE(IsWindowEnabled(interval));
    MessageBoxRecorder boxes;
    f.Click(1072);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, messages::FormatMessageText(0x71));
    EXPECT_EQ(GetFocus(), interval);
    EXPECT_EQ(f.owner.installs.size(), 1u);
}

TEST(SettingsPage, DebuggingSwitchesTheLogFileWhichIsKeptAndBrowsedFor)
{
    EditorFixture f;
    f.Editor().Sheet().SetActivePage(kSettingsPage);
    HWND page = f.Page(kSettingsPage);
    SendMessageA(GetDlgItem(page, 1004), BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1038)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1039)));
    {
        FileChooserStub files;
        files.answers.push_back(std::string("D:\\logs\\relay.log"));
        f.Click(1039, kSettingsPage);
        ASSERT_EQ(files.requests.size(), 1u);
        EXPECT_EQ(files.requests[0].defaultExtension, "log");
        using Filters = std::vector<std::pair<std::string, std::string>>;
        EXPECT_EQ(files.requests[0].filters, (Filters{{"Log Files (*.log)", "*.log"}, {"All Files (*.*)", "*.*"}}));
    }
    EXPECT_EQ(f.Text(kSettingsPage, 1038), "D:\\logs\\relay.log");
    SendMessageA(GetDlgItem(page, 1004), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1038)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1039)));
    f.Editor().PagesToRecord();
    EXPECT_EQ(f.Editor().Record().DebugEnabled, 0u);
    EXPECT_EQ(f.Editor().Record().DebugLogFile, "D:\\logs\\relay.log");
}

TEST(DependenciesPage, AddFollowsTheListBoxPrefixRuleAndKeepsTheListsSorted)
{
    EditorFixture f;
    const struct {
        int box, edit, add;
        std::vector<std::string> ServiceDefinition::*list;
    } lists[] = {{1054, 1055, 1056, &ServiceDefinition::ServiceDependencies},
                 {1058, 1059, 1060, &ServiceDefinition::GroupDependencies}};
    for (const auto& l : lists) {
        SCOPED_TRACE(l.box);
        HWND box = GetDlgItem(f.Page(kDependenciesPage), l.box);
        for (const char* name : {"Netlogon", "Net", "netlogon", "", "Tcpip", "Dnscache"}) {
            f.SetText(kDependenciesPage, l.edit, name);
            f.Click(l.add, kDependenciesPage);
        }
        EXPECT_EQ(ListBoxItems(box), (Strings{"Dnscache", "Netlogon", "Tcpip"}));
        EXPECT_EQ(f.Text(kDependenciesPage, l.edit), "Dnscache");  // the text stays
        f.Editor().PagesToRecord();
        EXPECT_EQ(f.Editor().Record().*l.list, (Strings{"Dnscache", "Netlogon", "Tcpip"}));
    }
}

TEST(DependenciesPage, RemoveTakesEverySelectedItemAndUnchangedListsKeepTheirOrder)
{
    EditorFixture f;
    const std::string file = f.dir.Write(
        "deps.xml", DefinitionDir::Xml(DefinitionDir::Required("Deps", f.program, f.folder),
                                       "<Options><Dependencies><GroupName>TDI</GroupName><GroupName>NetworkProvider</GroupName>"
                                       "<ServiceName>Tcpip</ServiceName><ServiceName>Dnscache</ServiceName>"
                                       "<ServiceName>Afd</ServiceName><ServiceName>Netlogon</ServiceName>"
                                       "</Dependencies></Options>"));
    ASSERT_TRUE(f.OpenFile(file));
    HWND services = GetDlgItem(f.Page(kDependenciesPage), 1054);
    EXPECT_EQ(ListBoxItems(services), (Strings{"Afd", "Dnscache", "Netlogon", "Tcpip"}));
    f.Editor().PagesToRecord();
    EXPECT_EQ(f.Editor().Record().ServiceDependencies, (Strings{"Tcpip", "Dnscache", "Afd", "Netlogon"}));
    EXPECT_EQ(f.Editor().Record().GroupDependencies, (Strings{"TDI", "NetworkProvider"}));

    for (int position : {0, 2, 3}) SendMessageA(services, LB_SETSEL, TRUE, position);
    f.Click(1057, kDependenciesPage);
    EXPECT_EQ(ListBoxItems(services), (Strings{"Dnscache"}));
    f.Click(1061, kDependenciesPage);  // nothing selected: the group list is only rebuilt, sorted
    f.Editor().PagesToRecord();
    EXPECT_EQ(f.Editor().Record().ServiceDependencies, (Strings{"Dnscache"}));
    EXPECT_EQ(f.Editor().Record().GroupDependencies, (Strings{"NetworkProvider", "TDI"}));
}

// Runs the variable dialog: checks how it opened, then types and ends it with OK, or cancels.
class VariableDialog {
public:
    struct Seen {
        std::string title, name, value;
        bool nameEnabled = false, okEnabled = false;
    };

    VariableDialog(const char* name, const char* value, bool ok = true)
        : recorder_(
              [this, name, value, ok](ui::Dialog& dialog) {
                  seen.title = dialog.Title();
                  seen.name = dialog.ItemText(1061);
                  seen.value = dialog.ItemText(1062);
                  seen.nameEnabled = IsWindowEnabled(dialog.Item(1061)) != FALSE;
                  seen.okEnabled = IsWindowEnabled(dialog.Item(IDOK)) != FALSE;
                  if (name) SetWindowTextA(dialog.Item(1061), name);
                  if (value) SetWindowTextA(dialog.Item(1062), value);
                  okAfterTyping = IsWindowEnabled(dialog.Item(IDOK)) != FALSE;
                  if (ok) SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
              },
              ok ? IDOK : IDCANCEL)
    {
    }
    int Shown() const { return static_cast<int>(recorder_.templates.size()); }

    Seen seen;
    bool okAfterTyping = false;

private:
    ModalRecorder recorder_;
};

TEST(EnvironmentPage, NewEditRemoveAndDoubleClickKeepRowsAndVariablesTogether)
{
    EditorFixture f;
    HWND page = f.Page(kEnvironmentPage);
    HWND list = GetDlgItem(page, 1059);
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & (LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
              LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS);
    EXPECT_TRUE(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), 140);
    EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 260);

    {
        VariableDialog dialog("PATH", "D:\\tools");
        f.Click(1060, kEnvironmentPage);
        EXPECT_EQ(dialog.seen.title, "New Environment Variable");
        EXPECT_TRUE(dialog.seen.nameEnabled);
        EXPECT_FALSE(dialog.seen.okEnabled);
        EXPECT_TRUE(dialog.okAfterTyping);
    }
    for (auto [name, value] : {std::pair{"PATH", "D:\\bin"}, {"Path", "x"}, {"EMPTY", ""}}) {
        VariableDialog dialog(name, value);
        f.Click(1060, kEnvironmentPage);
    }
    EXPECT_EQ(Rows(list), (std::vector<Strings>{{"PATH", "D:\\bin"}, {"Path", "x"}, {"EMPTY", ""}}));
    {
        VariableDialog cancelled("GONE", "1", false);
        f.Click(1060, kEnvironmentPage);
        EXPECT_EQ(cancelled.Shown(), 1);
    }
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);

    {
        VariableDialog none(nullptr, "v");
        f.Click(1061, kEnvironmentPage);  // nothing chosen yet
        f.Click(1062, kEnvironmentPage);
        EXPECT_EQ(none.Shown(), 0);
    }
    Select(list, 1);
    {
        VariableDialog dialog(nullptr, "y=1");
        f.Click(1061, kEnvironmentPage);
        EXPECT_EQ(dialog.seen.title, "Edit Environment Variable");
        EXPECT_EQ(dialog.seen.name, "Path");
        EXPECT_EQ(dialog.seen.value, "x");
        EXPECT_FALSE(dialog.seen.nameEnabled);
    }
    Select(list, 0);
    {
        VariableDialog dialog(nullptr, "C:\\bin");
        NMHDR doubleClick{list, 1059, static_cast<UINT>(NM_DBLCLK)};
        SendMessageA(page, WM_NOTIFY, 1059, reinterpret_cast<LPARAM>(&doubleClick));
        EXPECT_EQ(dialog.Shown(), 1);
        EXPECT_EQ(dialog.seen.name, "PATH");
    }
    EXPECT_EQ(Rows(list), (std::vector<Strings>{{"PATH", "C:\\bin"}, {"Path", "y=1"}, {"EMPTY", ""}}));

    Select(list, 1);
    f.Click(1062, kEnvironmentPage);
    EXPECT_EQ(Rows(list), (std::vector<Strings>{{"PATH", "C:\\bin"}, {"EMPTY", ""}}));
    f.Editor().PagesToRecord();
    const auto& variables = f.Editor().Record().Environment;
    ASSERT_EQ(variables.size(), 2u);
    EXPECT_EQ(variables[0].name + "=" + variables[0].value, "PATH=C:\\bin");
    EXPECT_EQ(variables[1].name + "=" + variables[1].value, "EMPTY=");
    EXPECT_NE(definition_writer::DefinitionText(f.Editor().Record()).find("<Variable Name=\"EMPTY\"></Variable>"),
              std::string::npos);
}

TEST(EnvironmentPage, NewAndOpenLeaveNoRowOfThePreviousDefinition)
{
    EditorFixture f;
    HWND list = GetDlgItem(f.Page(kEnvironmentPage), 1059);
    const std::string file = f.dir.Write(
        "env.xml", DefinitionDir::Xml(DefinitionDir::Required("Env", f.program, f.folder),
                                      "<Environment><Variable Name=\"B\">2</Variable></Environment>"));
    {
        VariableDialog dialog("A", "1");
        f.Click(1060, kEnvironmentPage);
    }
    ASSERT_TRUE(f.OpenFile(file));
    EXPECT_EQ(Rows(list), (std::vector<Strings>{{"B", "2"}}));
    f.Click(1077);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
    f.Editor().PagesToRecord();
    EXPECT_TRUE(f.Editor().Record().Environment.empty());
}

}  // namespace
