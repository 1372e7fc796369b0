#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "InstallerResultDialog.h"
#include "Messages.h"
#include "ResourceIds.h"
#include "Seams.h"

namespace {

TEST(InstallerResultDialog, ShowsTheMessageWithoutItsLineBreakAndTheOutputBehindDetails)
{
    const std::string output = "Velmora Tessel 1.5.1\nError: definition invalid\r\nlast line";
    runner::InstallerResultDialog dialog(MSG_INSTALL_FAILED, "Velmora Installer Result", output);
    ASSERT_TRUE(dialog.Create(nullptr));
    ShowWindow(dialog.Handle(), SW_SHOW);
    EXPECT_EQ(dialog.Title(), "Velmora Installer Result");
    EXPECT_EQ(dialog.ItemText(IDC_RESULT_TEXT), "Error: The service installation failed.");
    EXPECT_NE(SendMessageA(dialog.Item(IDC_RESULT_ICON), STM_GETICON, 0, 0), 0);
    EXPECT_EQ(dialog.ItemText(IDC_RESULT_DETAILS), "Details...");
    EXPECT_EQ(dialog.ItemText(IDOK), "OK");

    std::string title, text;
    LONG editStyle = 0;
    ModalRecorder details([&](ui::Dialog& shown) {
        title = shown.Title();
        text = ControlText(shown.Handle(), IDC_OUTPUT_TEXT);
        editStyle = GetWindowLongA(shown.Item(IDC_OUTPUT_TEXT), GWL_STYLE);
    });
    SendMessageA(dialog.Item(IDC_RESULT_DETAILS), BM_CLICK, 0, 0);
    ASSERT_EQ(details.templates, std::vector<int>{IDD_OUTPUT_DETAILS});
    EXPECT_EQ(title, "Velmora Installer Result Details");
    // An edit box breaks lines only at CR LF, so the bare line end is shown as one.
    EXPECT_EQ(text, "Velmora Tessel 1.5.1\r\nError: definition invalid\r\nlast line");
    EXPECT_TRUE(editStyle & ES_READONLY);
    EXPECT_TRUE(editStyle & ES_MULTILINE);

    SendMessageA(dialog.Item(IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.Handle(), nullptr);
}

TEST(InstallerResultDialog, CaptionIsTheCallersAndTheDetailsTitleFollowsIt)
{
    runner::InstallerResultDialog dialog(MSG_CONFIG_NOT_LOADED, "Service Definition", "");
    ASSERT_TRUE(dialog.Create(nullptr));
    EXPECT_EQ(dialog.Title(), "Service Definition");
    EXPECT_EQ(dialog.ItemText(IDC_RESULT_TEXT), "Error: Invalid service config; file not loaded.");
    EXPECT_EQ(dialog.MessageText(), "Error: Invalid service config; file not loaded.");

    std::string title;
    ModalRecorder details([&](ui::Dialog& shown) { title = shown.Title(); });
    SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDC_RESULT_DETAILS, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dialog.Item(IDC_RESULT_DETAILS)));
    EXPECT_EQ(title, "Service Definition Details");
}

}  // namespace
