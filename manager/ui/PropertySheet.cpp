#include "PropertySheet.h"

#include <utility>

namespace ui {

PropertyPage::PropertyPage(int templateId) : Dialog(templateId) {}

PROPSHEETPAGEA PropertyPage::Descriptor()
{
    PROPSHEETPAGEA page{};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = GetModuleHandleA(nullptr);
    page.pszTemplate = MAKEINTRESOURCEA(TemplateId());
    page.pfnDlgProc = PageProc;
    page.lParam = reinterpret_cast<LPARAM>(this);
    return page;
}

INT_PTR CALLBACK PropertyPage::PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* initialising = nullptr;
    if (message == WM_INITDIALOG) {
        initialising = reinterpret_cast<PropertyPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
    }
    return Route(initialising, hwnd, message, wParam, lParam);
}

bool PropertyPage::OnSetActive()
{
    if (std::exchange(firstActivation_, false)) return true;
    UpdateData(false);
    return true;
}

bool PropertyPage::OnKillActive() { return UpdateData(true); }

bool PropertyPage::OnApply() { return true; }

bool PropertyPage::OnNotify(NMHDR& header, LRESULT& result)
{
    switch (header.code) {
    case PSN_SETACTIVE:
        result = OnSetActive() ? 0 : -1;
        return true;
    case PSN_KILLACTIVE:
        result = OnKillActive() ? FALSE : TRUE;
        return true;
    case PSN_APPLY:
        result = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
        return true;
    case PSN_RESET:
        OnReset();
        return true;
    default:
        return false;
    }
}

namespace {
// The window style PropertySheetA's callback gives the sheet; the callback has no context of
// its own and sheets are created one at a time on the UI thread.
DWORD pendingStyle = 0;
DWORD pendingExStyle = 0;

int CALLBACK SheetCallback(HWND, UINT message, LPARAM lParam)
{
    if (message != PSCB_PRECREATE || pendingStyle == 0) return 0;
    // The template's font bits say how the rest of it is laid out, so they stay.
    const DWORD keep = DS_SETFONT | DS_FIXEDSYS | DS_3DLOOK;
    const DWORD control = (pendingStyle & WS_CHILD) ? DS_CONTROL : 0;
    auto* words = reinterpret_cast<WORD*>(lParam);
    if (words[1] == 0xFFFF) {  // extended template: version, signature, help id, ex style, style
        auto* fields = reinterpret_cast<DWORD*>(words + 2);
        fields[1] = pendingExStyle;
        fields[2] = (fields[2] & keep) | pendingStyle | control;
    } else {
        auto* dialog = reinterpret_cast<DLGTEMPLATE*>(lParam);
        dialog->style = (dialog->style & keep) | pendingStyle | control;
        dialog->dwExtendedStyle = pendingExStyle;
    }
    return 0;
}

// An embedded sheet has no OK, Cancel, Apply or Help: hide them and give their room back.
void DropSheetButtons(HWND sheet)
{
    const int buttons[] = {IDOK, IDCANCEL, 0x3021 /* Apply */, IDHELP};
    RECT buttonArea{};
    bool any = false;
    for (int id : buttons) {
        HWND button = GetDlgItem(sheet, id);
        if (!button) continue;
        RECT rect{};
        GetWindowRect(button, &rect);
        MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&rect), 2);
        if (!any || rect.top < buttonArea.top) buttonArea.top = rect.top;
        any = true;
        ShowWindow(button, SW_HIDE);
        EnableWindow(button, FALSE);
    }
    if (!any) return;
    RECT window{}, client{};
    GetWindowRect(sheet, &window);
    GetClientRect(sheet, &client);
    const int frame = (window.bottom - window.top) - client.bottom;
    const int height = buttonArea.top + frame;
    if (height > 0) {
        SetWindowPos(sheet, nullptr, 0, 0, window.right - window.left, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}
}  // namespace

PropertySheetWindow::~PropertySheetWindow()
{
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

bool PropertySheetWindow::Create(HWND parent, DWORD style, DWORD exStyle)
{
    if (hwnd_ || pages_.empty()) return false;
    std::vector<PROPSHEETPAGEA> descriptors;
    for (PropertyPage* page : pages_) descriptors.push_back(page->Descriptor());

    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_NOAPPLYNOW | PSH_USECALLBACK;
    header.hwndParent = parent;
    header.hInstance = GetModuleHandleA(nullptr);
    header.pszCaption = caption_.c_str();
    header.nPages = static_cast<UINT>(descriptors.size());
    header.ppsp = descriptors.data();
    header.pfnCallback = SheetCallback;

    pendingStyle = style;
    pendingExStyle = exStyle;
    const INT_PTR created = ::PropertySheetA(&header);
    pendingStyle = pendingExStyle = 0;
    if (created <= 0) return false;
    hwnd_ = reinterpret_cast<HWND>(created);
    if (style & WS_CHILD) DropSheetButtons(hwnd_);
    return true;
}

int PropertySheetWindow::ActiveIndex() const
{
    if (!hwnd_) return -1;
    HWND current = PropSheet_GetCurrentPageHwnd(hwnd_);
    for (size_t i = 0; i < pages_.size(); ++i) {
        if (pages_[i]->Handle() == current) return static_cast<int>(i);
    }
    return -1;
}

bool PropertySheetWindow::SetActivePage(int index)
{
    if (!hwnd_ || index < 0 || static_cast<size_t>(index) >= pages_.size()) return false;
    return PropSheet_SetCurSel(hwnd_, nullptr, index) != FALSE;
}

bool PropertySheetWindow::Apply()
{
    if (!hwnd_) return false;
    for (PropertyPage* page : pages_) {
        if (!page->Handle()) continue;
        PSHNOTIFY notify{};
        notify.hdr.hwndFrom = hwnd_;
        notify.hdr.idFrom = 0;
        notify.hdr.code = PSN_APPLY;
        SendMessageA(page->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
        if (GetWindowLongPtrA(page->Handle(), DWLP_MSGRESULT) != PSNRET_NOERROR) return false;
    }
    return true;
}

}  // namespace ui
