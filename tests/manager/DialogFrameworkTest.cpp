#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "DataExchange.h"
#include "Dialog.h"
#include "PropertySheet.h"
#include "Seams.h"
#include "TestDialogs.h"
#include "WaitCursor.h"

namespace {

class FormDialog : public ui::Dialog {
public:
    FormDialog() : Dialog(IDD_TEST_FORM) {}

    std::string name = "first";
    int count = 50;
    int enabled = BST_CHECKED;
    int mode = 1;

protected:
    BOOL OnInitDialog() override
    {
        for (const char* item : {"Zero", "One", "Two"}) {
            SendMessageA(Item(IDC_TEST_MODE), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
        return Dialog::OnInitDialog();
    }
    void DoDataExchange(ui::DataExchange& exchange) override
    {
        ui::DdxText(exchange, IDC_TEST_NAME, name);
        ui::DdxInt(exchange, IDC_TEST_COUNT, count, 0, 100);
        ui::DdxCheck(exchange, IDC_TEST_ENABLED, enabled);
        ui::DdxComboIndex(exchange, IDC_TEST_MODE, mode);
    }
};

void SetText(HWND dialog, int id, const std::string& text) { SetWindowTextA(GetDlgItem(dialog, id), text.c_str()); }

// Runs `step` from inside whatever message loop is running at the time.
std::function<void()> pendingStep;
void CALLBACK RunPendingStep(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    auto step = std::move(pendingStep);
    pendingStep = nullptr;
    if (step) step();
}
void Soon(std::function<void()> step)
{
    pendingStep = std::move(step);
    SetTimer(nullptr, 0, 50, RunPendingStep);
}

TEST(DialogFramework, DataExchangeMovesValuesBothWays)
{
    FormDialog form;
    ASSERT_TRUE(form.Create(nullptr));
    EXPECT_EQ(form.ItemText(IDC_TEST_NAME), "first");
    EXPECT_EQ(form.ItemText(IDC_TEST_COUNT), "50");
    EXPECT_EQ(SendMessageA(form.Item(IDC_TEST_ENABLED), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(form.Item(IDC_TEST_MODE), CB_GETCURSEL, 0, 0), 1);

    SetText(form.Handle(), IDC_TEST_NAME, "second name");
    SetText(form.Handle(), IDC_TEST_COUNT, "7");
    SendMessageA(form.Item(IDC_TEST_ENABLED), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(form.Item(IDC_TEST_MODE), CB_SETCURSEL, 2, 0);
    EXPECT_TRUE(form.UpdateData(true));
    EXPECT_EQ(form.name, "second name");
    EXPECT_EQ(form.count, 7);
    EXPECT_EQ(form.enabled, BST_UNCHECKED);
    EXPECT_EQ(form.mode, 2);

    // A value outside the list shows no selection and comes back as -1.
    form.mode = 9;
    form.UpdateData(false);
    EXPECT_TRUE(form.UpdateData(true));
    EXPECT_EQ(form.mode, -1);
}

TEST(DialogFramework, BadNumbersAreRefusedWithTheStandardMessage)
{
    struct Case {
        const char* text;
        int value;            // taken when accepted
        const char* message;  // shown when refused
    };
    const char* notInteger = "Please enter an integer.";
    const char* outOfRange = "Please enter an integer between 0 and 100.";
    const Case cases[] = {
        {" 42 ", 42, nullptr}, {"+7", 7, nullptr},        {"0", 0, nullptr},          {"100", 100, nullptr},
        {"abc", 0, notInteger}, {"12x", 0, notInteger},   {"", 0, notInteger},        {"4 2", 0, notInteger},
        {"-1", 0, outOfRange},  {"101", 0, outOfRange},   {"99999999999", 0, notInteger},
    };
    FormDialog form;
    ASSERT_TRUE(form.Create(nullptr));
    ShowWindow(form.Handle(), SW_SHOW);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        form.count = 50;
        form.enabled = BST_CHECKED;
        SetText(form.Handle(), IDC_TEST_COUNT, c.text);
        SendMessageA(form.Item(IDC_TEST_ENABLED), BM_SETCHECK, BST_UNCHECKED, 0);
        MessageBoxRecorder boxes;
        const bool taken = form.UpdateData(true);
        EXPECT_EQ(taken, c.message == nullptr);
        if (taken) {
            EXPECT_EQ(form.count, c.value);
            EXPECT_TRUE(boxes.boxes.empty());
            continue;
        }
        EXPECT_EQ(form.count, 50);
        EXPECT_EQ(form.enabled, BST_CHECKED);  // exchanges after the refused one did not run
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, c.message);
        EXPECT_EQ(boxes.boxes[0].style, UINT(MB_OK | MB_ICONEXCLAMATION));
        EXPECT_EQ(GetFocus(), form.Item(IDC_TEST_COUNT));
    }
}

TEST(DialogFramework, ModalLoopEndsThroughButtonsAndKeysWithItsOwnerDisabledMeanwhile)
{
    struct Case {
        const char* what;
        std::function<void(FormDialog&)> act;
        INT_PTR result;
    };
    const Case cases[] = {
        {"OK clicked", [](FormDialog& d) { SendMessageA(d.Item(IDOK), BM_CLICK, 0, 0); }, IDOK},
        {"Cancel clicked", [](FormDialog& d) { SendMessageA(d.Item(IDCANCEL), BM_CLICK, 0, 0); }, IDCANCEL},
        {"Escape in the edit box", [](FormDialog& d) { PostMessageA(d.Item(IDC_TEST_NAME), WM_KEYDOWN, VK_ESCAPE, 0); },
         IDCANCEL},
        {"Enter in the edit box", [](FormDialog& d) { PostMessageA(d.Item(IDC_TEST_NAME), WM_KEYDOWN, VK_RETURN, 0); },
         IDOK},
    };
    FormDialog owner;
    ASSERT_TRUE(owner.Create(nullptr));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FormDialog form;
        bool ownerDisabled = false;
        bool visible = false;
        Soon([&] {
            ownerDisabled = !IsWindowEnabled(owner.Handle());
            visible = IsWindowVisible(form.Handle()) != FALSE;
            SetFocus(form.Item(IDC_TEST_NAME));
            c.act(form);
        });
        EXPECT_EQ(form.RunModal(owner.Handle()), c.result);
        EXPECT_TRUE(ownerDisabled);
        EXPECT_TRUE(visible);
        EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
        EXPECT_EQ(form.Handle(), nullptr);
    }
}

TEST(DialogFramework, ModalOKWithABadNumberKeepsTheDialogOpen)
{
    FormDialog form;
    MessageBoxRecorder boxes;
    Soon([&] {
        SetText(form.Handle(), IDC_TEST_COUNT, "many");
        SendMessageA(form.Item(IDOK), BM_CLICK, 0, 0);
        Soon([&] {
            EXPECT_NE(form.Handle(), nullptr);
            SetText(form.Handle(), IDC_TEST_COUNT, "9");
            SendMessageA(form.Item(IDOK), BM_CLICK, 0, 0);
        });
    });
    EXPECT_EQ(form.RunModal(nullptr), IDOK);
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(form.count, 9);
}

TEST(DialogFramework, DoModalGoesThroughTheSeam)
{
    FormDialog form;
    std::string seen;
    ModalRecorder modal([&](ui::Dialog& dialog) { seen = dialog.ItemText(IDC_TEST_NAME); }, 77);
    EXPECT_EQ(form.DoModal(nullptr), 77);
    EXPECT_EQ(modal.templates, std::vector<int>{IDD_TEST_FORM});
    EXPECT_EQ(seen, "first");
}

class NumberPage : public ui::PropertyPage {
public:
    NumberPage() : PropertyPage(IDD_TEST_PAGE_NUMBER) {}
    int count = 7;
    int applied = 0;

protected:
    void DoDataExchange(ui::DataExchange& exchange) override { ui::DdxInt(exchange, IDC_TEST_COUNT, count, 0, 1000); }
    bool OnApply() override
    {
        ++applied;
        return true;
    }
};

class TextPage : public ui::PropertyPage {
public:
    TextPage() : PropertyPage(IDD_TEST_PAGE_TEXT) {}
    std::string name = "page text";
    bool acceptApply = true;

protected:
    void DoDataExchange(ui::DataExchange& exchange) override { ui::DdxText(exchange, IDC_TEST_NAME, name); }
    bool OnApply() override { return acceptApply; }
};

TEST(DialogFramework, EmbeddedPropertySheetKeepsAPageWithABadValue)
{
    FormDialog unusedOwner;
    ui::Dialog host(IDD_TEST_SHEET_HOST);
    ASSERT_TRUE(host.Create(nullptr));
    NumberPage number;
    TextPage text;
    ui::PropertySheetWindow sheet("Test Sheet");
    sheet.AddPage(number);
    sheet.AddPage(text);
    ASSERT_TRUE(sheet.Create(host.Handle(), WS_CHILD | WS_VISIBLE | WS_TABSTOP, WS_EX_CONTROLPARENT));
    EXPECT_EQ(GetParent(sheet.Handle()), host.Handle());
    EXPECT_TRUE(GetWindowLongA(sheet.Handle(), GWL_STYLE) & WS_CHILD);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet.Handle(), IDOK)));
    EXPECT_EQ(sheet.ActiveIndex(), 0);
    EXPECT_EQ(number.ItemText(IDC_TEST_COUNT), "7");

    {
        MessageBoxRecorder boxes;
        SetText(number.Handle(), IDC_TEST_COUNT, "lots");
        EXPECT_FALSE(sheet.SetActivePage(1));
        EXPECT_EQ(sheet.ActiveIndex(), 0);
        EXPECT_EQ(number.count, 7);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, "Please enter an integer.");
    }
    SetText(number.Handle(), IDC_TEST_COUNT, "12");
    EXPECT_TRUE(sheet.SetActivePage(1));
    EXPECT_EQ(sheet.ActiveIndex(), 1);
    EXPECT_EQ(number.count, 12);
    EXPECT_EQ(text.ItemText(IDC_TEST_NAME), "page text");

    EXPECT_TRUE(sheet.Apply());
    EXPECT_EQ(number.applied, 1);
    text.acceptApply = false;
    EXPECT_FALSE(sheet.Apply());
}

TEST(DialogFramework, WaitCursorShowsTheHourglassForItsLifetime)
{
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    SetCursor(arrow);
    {
        ui::WaitCursor wait;
        EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
        SetCursor(arrow);
        wait.Restore();
        EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
    }
    EXPECT_EQ(GetCursor(), arrow);
}

}  // namespace
