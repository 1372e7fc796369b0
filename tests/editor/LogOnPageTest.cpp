#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "DefinitionWriter.h"
#include "EditorTestSupport.h"
#include "Messages.h"
#include "Seams.h"

namespace {

using definition_writer::DefinitionText;

constexpr int kKind = 1103, kName = 1104, kDelayed = 1105, kPreShutdown = 1106, kReset = 1113, kProgram = 1114,
              kBrowse = 1115, kParameters = 1116;
constexpr int kActions[] = {1107, 1109, 1111};
constexpr int kDelays[] = {1108, 1110, 1112};

HWND Control(EditorFixture& f, int id) { return GetDlgItem(f.Page(kLogOnPage), id); }
// A drop-down list's window text is its chosen item's.
std::string Chosen(EditorFixture& f, int list) { return ui::WindowText(Control(f, list)); }
bool Enabled(EditorFixture& f, int id) { return IsWindowEnabled(Control(f, id)) != FALSE; }

TEST(LogOnPage, EachWayToLogOnShowsItsAccountAndIsStoredAsTheServiceDatabaseNamesIt)
{
    EditorFixture f;
    f.FillValid("Relay");
    f.Editor().Sheet().SetActivePage(kLogOnPage);
    EXPECT_EQ(Chosen(f, kKind), "Local System account");
    EXPECT_EQ(f.Text(kLogOnPage, kName), "LocalSystem");

    const struct {
        int kind;
        const char* typed;  // nullptr: nothing typed
        const char* shown;
        const char* stored;
    } cases[] = {
        {5, " .\\relay ", " .\\relay ", ".\\relay"},
        {1, nullptr, "NT AUTHORITY\\LocalService", "NT AUTHORITY\\LocalService"},
        {5, nullptr, " .\\relay ", ".\\relay"},  // what was typed comes back
        {3, nullptr, "NT SERVICE\\Relay", "NT SERVICE\\Relay"},
        {4, "CORP\\relay$", "CORP\\relay$", "CORP\\relay$"},
        {2, nullptr, "NT AUTHORITY\\NetworkService", "NT AUTHORITY\\NetworkService"},
        {0, nullptr, "LocalSystem", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + (c.typed ? c.typed : ""));
        f.Choose(kLogOnPage, kKind, c.kind);
        if (c.typed) f.SetText(kLogOnPage, kName, c.typed);
        EXPECT_EQ(f.Text(kLogOnPage, kName), c.shown);
        EXPECT_EQ((GetWindowLongA(Control(f, kName), GWL_STYLE) & ES_READONLY) != 0, c.kind < 4);
        f.Editor().PagesToRecord();
        EXPECT_EQ(f.Editor().Record().Account, c.stored);
    }

    // The virtual account is named after the name the Program page holds by then.
    f.Choose(kLogOnPage, kKind, 3);
    f.Editor().Sheet().SetActivePage(kProgramPage);
    f.SetText(kProgramPage, 1000, "Relay7");
    f.Editor().Sheet().SetActivePage(kLogOnPage);
    EXPECT_EQ(f.Text(kLogOnPage, kName), "NT SERVICE\\Relay7");
    f.Editor().PagesToRecord();
    EXPECT_EQ(f.Editor().Record().Account, "NT SERVICE\\Relay7");

    // An account the service cannot use is refused at Install with the reason.
    f.Choose(kLogOnPage, kKind, 5);
    f.SetText(kLogOnPage, kName, "relay");
    MessageBoxRecorder boxes;
    f.Click(1072);
    EXPECT_TRUE(f.owner.installs.empty());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text.rfind("Error: The service cannot log on as this account. Account \"relay\" needs "
                                        "its domain: \".\\relay\"",
                                        0),
              0u)
        << boxes.boxes[0].text;
    EXPECT_EQ(GetFocus(), Control(f, kName));
}

TEST(LogOnPage, StartAndRecoverySettingsGoToTheRecordAndBackWithFieldsOnlyForTheChosenActions)
{
    EditorFixture f;
    f.FillValid();
    f.Editor().Sheet().SetActivePage(kLogOnPage);
    EXPECT_EQ(f.Text(kLogOnPage, kPreShutdown), "");
    EXPECT_EQ(f.Text(kLogOnPage, kReset), "86400");
    for (int step = 0; step < 3; ++step) {
        EXPECT_EQ(Chosen(f, kActions[step]), "Take No Action");
        EXPECT_EQ(f.Text(kLogOnPage, kDelays[step]), "60000");
        EXPECT_FALSE(Enabled(f, kDelays[step]));
    }
    for (int id : {kProgram, kBrowse, kParameters}) EXPECT_FALSE(Enabled(f, id)) << id;

    CheckDlgButton(f.Page(kLogOnPage), kDelayed, BST_CHECKED);
    f.SetText(kLogOnPage, kPreShutdown, "30000");
    const int actions[] = {1, 2, 3};
    const char* delays[] = {"0", "120000", "86400000"};
    for (int step = 0; step < 3; ++step) {
        f.Choose(kLogOnPage, kActions[step], actions[step]);
        f.SetText(kLogOnPage, kDelays[step], delays[step]);
        EXPECT_TRUE(Enabled(f, kDelays[step]));
    }
    for (int id : {kProgram, kBrowse, kParameters}) EXPECT_TRUE(Enabled(f, id)) << id;
    f.SetText(kLogOnPage, kReset, "3600");
    {
        FileChooserStub files;
        files.answers.push_back(f.program);
        f.Click(kBrowse, kLogOnPage);
        ASSERT_EQ(files.requests.size(), 1u);
        EXPECT_EQ(files.requests[0].defaultExtension, "exe");
        EXPECT_FALSE(files.requests[0].save);
    }
    EXPECT_EQ(f.Text(kLogOnPage, kProgram), f.program);
    f.SetText(kLogOnPage, kParameters, "--failed Relay1");

    f.Editor().PagesToRecord();
    const ServiceDefinition& r = f.Editor().Record();
    EXPECT_EQ(r.DelayedStart, 1u);
    EXPECT_EQ(r.PreShutdownTimeout, 30000u);
    EXPECT_EQ(r.RecoverySteps[0].Action, 1u);
    EXPECT_EQ(r.RecoverySteps[0].Delay, 0u);
    EXPECT_EQ(r.RecoverySteps[1].Action, 2u);
    EXPECT_EQ(r.RecoverySteps[1].Delay, 120000u);
    EXPECT_EQ(r.RecoverySteps[2].Action, 3u);
    EXPECT_EQ(r.RecoverySteps[2].Delay, 86400000u);
    EXPECT_EQ(r.RecoveryResetPeriod, 3600u);
    EXPECT_EQ(r.RecoveryProgram, f.program);
    EXPECT_EQ(r.RecoveryParameters, "--failed Relay1");

    // The record shown again is the record as stored.
    f.Choose(kLogOnPage, kActions[2], 0);
    f.SetText(kLogOnPage, kReset, "");
    f.Editor().RecordToPages(true);
    EXPECT_EQ(Chosen(f, kActions[2]), "Run a Program");
    EXPECT_EQ(f.Text(kLogOnPage, kReset), "3600");
    EXPECT_EQ(f.Text(kLogOnPage, kDelays[2]), "86400000");
    EXPECT_TRUE(Enabled(f, kProgram));

    // Without an action that runs it, the program's fields go grey; a delay without its action too.
    f.Choose(kLogOnPage, kActions[2], 1);
    f.Choose(kLogOnPage, kActions[0], 0);
    for (int id : {kProgram, kBrowse, kParameters}) EXPECT_FALSE(Enabled(f, id)) << id;
    EXPECT_FALSE(Enabled(f, kDelays[0]));
}

TEST(LogOnPage, OpenedDefinitionWithoutTheSettingsShowsTheirDefaultsAndSavesByteForByte)
{
    EditorFixture f;
    const std::string file =
        f.dir.Write("plain.xml", DefinitionDir::Xml(DefinitionDir::Required("Relay", f.program, f.folder)));
    ASSERT_TRUE(f.OpenFile(file));
    f.Editor().Sheet().SetActivePage(kLogOnPage);
    EXPECT_EQ(Chosen(f, kKind), "Local System account");
    EXPECT_EQ(f.Text(kLogOnPage, kPreShutdown), "");
    EXPECT_EQ(f.Text(kLogOnPage, kDelays[0]), "60000");
    EXPECT_EQ(f.Text(kLogOnPage, kReset), "86400");
    const std::string loaded = DefinitionText(f.Editor().Record());
    f.Click(1075);
    EXPECT_EQ(ReadFile(file), loaded);
    EXPECT_EQ(f.Editor().Record().Account, "");
}

TEST(LogOnPage, OpenedDefinitionWithTheSettingsShowsThemAndSavesByteForByte)
{
    EditorFixture f;
    ServiceDefinition d = definition_writer::NewDefinition();
    d.Name = "Relay";
    d.DisplayName = "Relay";
    d.Service = {f.program, f.folder, "", 3000};
    d.Account = "NT SERVICE\\Relay";
    d.DelayedStart = 1;
    d.PreShutdownTimeout = 30000;
    d.RecoverySteps[0].Action = 1;
    d.RecoverySteps[1].Action = 3;
    d.RecoverySteps[1].Delay = 0;
    d.RecoveryResetPeriod = 3600;
    d.RecoveryProgram = f.program;
    d.RecoveryParameters = "/failed";
    const std::string file = f.dir.Write("set.xml", DefinitionText(d));
    ASSERT_TRUE(f.OpenFile(file));
    f.Editor().Sheet().SetActivePage(kLogOnPage);
    EXPECT_EQ(f.Text(kLogOnPage, kName), "NT SERVICE\\Relay");
    EXPECT_EQ(IsDlgButtonChecked(f.Page(kLogOnPage), kDelayed), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(f.Text(kLogOnPage, kPreShutdown), "30000");
    EXPECT_EQ(Chosen(f, kActions[1]), "Run a Program");
    EXPECT_EQ(f.Text(kLogOnPage, kDelays[1]), "0");
    EXPECT_EQ(f.Text(kLogOnPage, kReset), "3600");
    EXPECT_EQ(f.Text(kLogOnPage, kParameters), "/failed");
    const std::string written = ReadFile(file);
    f.Click(1075);
    EXPECT_EQ(ReadFile(file), written);
}

TEST(LogOnPage, InstallAsksForAUserAccountsPasswordAndHandsItOverOnlyWhenConfirmed)
{
    const struct {
        const char* what;
        int kind;
        const char* account;
        const char *password, *confirmation;
        bool pressOk;
        bool asked, refused, installed;
    } cases[] = {
        {"a user account", 5, ".\\relay", "pa ss\xc3\xa9%1", "pa ss\xc3\xa9%1", true, true, false, true},
        {"an empty password", 5, "CORP\\mail", "", "", true, true, false, true},
        {"a confirmation that differs", 5, ".\\relay", "one", "One", true, true, true, false},
        {"cancelled", 5, ".\\relay", "one", "one", false, true, false, false},
        {"a managed service account", 4, "CORP\\relay$", "", "", true, false, false, true},
        {"the Local Service account", 1, "", "", "", true, false, false, true},
    };
    EditorFixture f;
    f.FillValid();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        f.Choose(kLogOnPage, kKind, c.kind);
        if (*c.account) f.SetText(kLogOnPage, kName, c.account);
        f.owner.installs.clear();
        std::string label;
        bool stillOpen = false, fieldsEmptied = false;
        MessageBoxRecorder boxes;
        ModalRecorder dialogs(
            [&](ui::Dialog& dialog) {
                label = dialog.ItemText(1117);
                EXPECT_TRUE(GetWindowLongA(dialog.Item(1118), GWL_STYLE) & ES_PASSWORD);
                EXPECT_TRUE(GetWindowLongA(dialog.Item(1119), GWL_STYLE) & ES_PASSWORD);
                dialog.SetItemText(1118, c.password);
                dialog.SetItemText(1119, c.confirmation);
                if (!c.pressOk) return;
                SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                stillOpen = dialog.Handle() && IsWindow(dialog.Handle());
                if (stillOpen) {
                    fieldsEmptied = dialog.ItemText(1118).empty() && dialog.ItemText(1119).empty();
                    EXPECT_EQ(GetFocus(), dialog.Item(1118));
                }
            },
            c.pressOk && !c.refused ? IDOK : IDCANCEL);
        f.Click(1072);
        ASSERT_EQ(dialogs.templates.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(label, std::string("The service logs on as ") + c.account + ".");
        }
        EXPECT_EQ(stillOpen, c.refused);
        EXPECT_EQ(fieldsEmptied, c.refused);
        ASSERT_EQ(boxes.boxes.size(), c.refused ? 1u : 0u);
        if (c.refused) {
            EXPECT_EQ(boxes.boxes[0].text, messages::FormatMessageText(0x518));
        }
        ASSERT_EQ(f.owner.installs.size(), c.installed ? 1u : 0u);
        if (!c.installed) continue;
        if (c.asked) {
            ASSERT_TRUE(f.owner.installs[0].password.has_value());
            EXPECT_EQ(*f.owner.installs[0].password, c.password);
        } else {
            EXPECT_FALSE(f.owner.installs[0].password.has_value());
        }
    }
}

}  // namespace
