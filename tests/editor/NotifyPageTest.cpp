#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "DefinitionWriter.h"
#include "EditorIds.h"
#include "EditorTestSupport.h"
#include "MessageIds.h"
#include "Messages.h"
#include "Notification.h"
#include "Seams.h"

namespace {

using Notification = ServiceDefinition::Notification;

// Fills the notification dialog with `entry` (its events as the indexes of their boxes), presses
// OK and notes whether the dialog stayed open and where the focus went. A refused entry keeps the
// dialog open, so the run then ends as cancelled.
struct NotificationRun {
    NotificationRun(const Notification& entry, std::initializer_list<int> events, bool accepted = true)
        : recorder([this, entry, events](ui::Dialog& d) {
              const int kind = entry.webhook ? IDC_NOTIFY_WEBHOOK : IDC_NOTIFY_HOOK;
              CheckRadioButton(d.Handle(), IDC_NOTIFY_HOOK, IDC_NOTIFY_WEBHOOK, kind);
              SendMessageA(d.Handle(), WM_COMMAND, MAKEWPARAM(kind, BN_CLICKED), reinterpret_cast<LPARAM>(d.Item(kind)));
              for (int event : events) SendMessageA(d.Item(IDC_NOTIFY_EVENTS + event), BM_SETCHECK, BST_CHECKED, 0);
              SetWindowTextA(d.Item(IDC_NOTIFY_TARGET), entry.target.c_str());
              SetWindowTextA(d.Item(IDC_NOTIFY_HEADER), entry.header.c_str());
              headerEnabled = IsWindowEnabled(d.Item(IDC_NOTIFY_HEADER)) != FALSE;
              SendMessageA(d.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
              stillOpen = d.Handle() && IsWindow(d.Handle());
              if (stillOpen) focus = GetDlgCtrlID(GetFocus());
          },
                   accepted ? IDOK : IDCANCEL)
    {
    }
    bool headerEnabled = false, stillOpen = false;
    int focus = 0;
    MessageBoxRecorder boxes;
    ModalRecorder recorder;
};

TEST(NotifyPage, AWebhookAddedThroughTheDialogIsShownMaskedAndSavedByteForByte)
{
    EditorFixture f;
    const std::string file = f.dir.Write(
        "notify.xml", DefinitionDir::Xml(DefinitionDir::Required("Relay", f.program, f.folder),
                                         "<Notify><Hook On=\"start\">page.cmd</Hook><HookTimeout>1000</HookTimeout></Notify>"));
    ASSERT_TRUE(f.OpenFile(file));
    ServiceDefinition expected = f.Editor().Record();
    f.Editor().Sheet().SetActivePage(kNotifyPage);
    EXPECT_EQ(f.Text(kNotifyPage, IDC_HOOK_TIMEOUT), "1000");
    {
        NotificationRun run({true, "", "X-Token: 7f3c", "https://alerts.example/velmora"}, {3, 9});
        f.Click(IDC_NOTIFY_ADD, kNotifyPage);
        EXPECT_TRUE(run.headerEnabled);
        EXPECT_FALSE(run.stillOpen);
    }
    HWND list = GetDlgItem(f.Page(kNotifyPage), IDC_NOTIFY_LIST);
    {
        // Edited without a change of events, the hook keeps its On as written.
        LVITEMA item{};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
        SendMessageA(list, LVM_SETSELECTIONMARK, 0, 0);
        NotificationRun run({false, "", "", "page.cmd"}, {});
        f.Click(IDC_NOTIFY_EDIT, kNotifyPage);
        EXPECT_FALSE(run.headerEnabled);
        EXPECT_FALSE(run.stillOpen);
    }
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2);
    const char* const rows[2][4] = {{"Hook", "start", "page.cmd", ""},
                                    {"Webhook", "Restart,Stopped", "https://alerts.example/velmora",
                                     "X-Token: \xE2\x80\xA2\xE2\x80\xA2\xE2\x80\xA2"}};
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 4; ++column) EXPECT_EQ(CellText(list, row, column), rows[row][column]);

    f.Click(1075);
    expected.Notifications.push_back({true, "Restart,Stopped", "X-Token: 7f3c", "https://alerts.example/velmora"});
    const std::string saved = ReadFile(file);
    EXPECT_EQ(saved, definition_writer::DefinitionText(expected));
    EXPECT_NE(saved.find("<Webhook On=\"Restart,Stopped\" Header=\"X-Token: 7f3c\">https://alerts.example/velmora"
                         "</Webhook>"),
              std::string::npos);
}

TEST(NotifyPage, TheDialogRefusesWhatTheInstallChecksRefuseOnItsField)
{
    const struct {
        const char* what;
        Notification entry;
        std::initializer_list<int> events;
        int focus;
    } cases[] = {
        {"a header without a colon", {true, "", "X-Token 7f3c", "https://alerts.example/"}, {0}, IDC_NOTIFY_HEADER},
        {"a header with a line break", {true, "", "X-Token: a\r\nX-Other: b", "https://alerts.example/"}, {0},
         IDC_NOTIFY_HEADER},
        {"no URL", {true, "", "", "ftp://alerts.example/"}, {0}, IDC_NOTIFY_TARGET},
        {"no command line", {false, "", "", " "}, {0}, IDC_NOTIFY_TARGET},
        {"no event", {false, "", "", "page.cmd"}, {}, IDC_NOTIFY_EVENTS},
    };
    EditorFixture f;
    f.Editor().Sheet().SetActivePage(kNotifyPage);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        NotificationRun run(c.entry, c.events, false);
        f.Click(IDC_NOTIFY_ADD, kNotifyPage);
        EXPECT_TRUE(run.stillOpen);
        EXPECT_EQ(run.focus, c.focus);
        Notification typed = c.entry;
        typed.on = c.events.size() ? "Start" : "";
        ASSERT_EQ(run.boxes.boxes.size(), 1u);
        EXPECT_EQ(run.boxes.boxes[0].text,
                  messages::FormatMessageText(MSG_NOTIFY_INVALID, {notification::Problem(typed).c_str()}));
    }
    EXPECT_EQ(SendMessageA(GetDlgItem(f.Page(kNotifyPage), IDC_NOTIFY_LIST), LVM_GETITEMCOUNT, 0, 0), 0);
}

}  // namespace
