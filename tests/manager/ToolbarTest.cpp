#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>

#include "Dialog.h"
#include "MainWindowIds.h"
#include "StringIds.h"
#include "TestDialogs.h"
#include "Toolbar.h"

namespace {

constexpr int kFirst = 2001;
constexpr int kSecond = 2002;
constexpr ui::ToolButton kButtons[] = {
    {kFirst, IDB_TOOL_NEW, IDS_TIP_NEW}, ui::kToolSeparator, {kSecond, IDB_TOOL_EDIT, IDS_TIP_EDIT}};
constexpr ui::CommandTip kTips[] = {{IDOK, IDS_TIP_EXIT}};

TEST(Toolbar, ShowsWholeSixteenPixelImages)
{
    ui::Dialog window(IDD_TEST_FORM);
    ASSERT_TRUE(window.Create(nullptr));
    ui::Toolbar toolbar(kButtons, kTips);
    ASSERT_TRUE(toolbar.Create(window.Handle(), 2000));
    EXPECT_EQ(window.Item(2000), toolbar.Handle());
    EXPECT_EQ(SendMessageA(toolbar.Handle(), TB_BUTTONCOUNT, 0, 0), 3);

    // Windows' default of 16x15 would cut the images' bottom row; under Wine this holds anyway.
    int width = 0, height = 0;
    ASSERT_TRUE(ImageList_GetIconSize(
        reinterpret_cast<HIMAGELIST>(SendMessageA(toolbar.Handle(), TB_GETIMAGELIST, 0, 0)), &width, &height));
    EXPECT_EQ(width, 16);
    EXPECT_EQ(height, 16);
}

TEST(ToolTip, AnswersBothFormsWithTheTextCutToTheBuffer)
{
    const std::string longest(79, 'a');
    const struct {
        std::string text;
        std::string shown;
    } cases[] = {{"", ""},
                 {"Exit", "Exit"},
                 {longest, longest},
                 {longest + "b", longest},
                 {std::string(300, 'c'), std::string(79, 'c')}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.size());
        NMTTDISPINFOA narrow{};
        std::memset(narrow.szText, '#', sizeof narrow.szText);
        narrow.hdr.code = TTN_GETDISPINFOA;
        ASSERT_TRUE(ui::AnswerToolTip(narrow.hdr, c.text));
        EXPECT_EQ(narrow.lpszText, narrow.szText);
        EXPECT_EQ(std::string(narrow.szText, strnlen(narrow.szText, sizeof narrow.szText)), c.shown);

        NMTTDISPINFOW wide{};
        std::wmemset(wide.szText, L'#', std::size(wide.szText));
        wide.hdr.code = TTN_GETDISPINFOW;
        ASSERT_TRUE(ui::AnswerToolTip(wide.hdr, c.text));
        EXPECT_EQ(wide.lpszText, wide.szText);
        EXPECT_EQ(std::wstring(wide.szText, wcsnlen(wide.szText, std::size(wide.szText))),
                  std::wstring(c.shown.begin(), c.shown.end()));
    }
    NMHDR other{};
    other.code = NM_CLICK;
    EXPECT_FALSE(ui::AnswerToolTip(other, "Exit"));
}

}  // namespace
