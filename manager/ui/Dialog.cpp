#include "Dialog.h"

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

#include "DataExchange.h"
#include "MessageBox.h"

namespace ui {

namespace {
ModalHandler& CurrentModalHandler()
{
    static ModalHandler handler;
    return handler;
}

// Dialogs with a window, for the keyboard handling of modal loops (single UI thread).
std::vector<Dialog*>& OpenDialogs()
{
    static std::vector<Dialog*> dialogs;
    return dialogs;
}

void Forget(Dialog* dialog)
{
    auto& open = OpenDialogs();
    open.erase(std::remove(open.begin(), open.end(), dialog), open.end());
}
}  // namespace

ModalHandler SetModalHandler(ModalHandler handler)
{
    return std::exchange(CurrentModalHandler(), std::move(handler));
}

Dialog::Dialog(int templateId) : templateId_(templateId) {}

Dialog::~Dialog()
{
    Forget(this);
    if (hwnd_) {
        // No message may reach the half-destroyed object.
        SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
        DestroyWindow(std::exchange(hwnd_, nullptr));
    }
}

INT_PTR Dialog::DoModal(HWND owner)
{
    if (CurrentModalHandler()) return CurrentModalHandler()(*this, owner);
    return RunModal(owner);
}

INT_PTR Dialog::RunModal(HWND owner)
{
    if (hwnd_) return -1;
    if (owner && (GetWindowLongA(owner, GWL_STYLE) & WS_CHILD)) owner = GetAncestor(owner, GA_ROOT);
    modal_ = true;
    endRequested_ = false;
    result_ = -1;
    if (!CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner, Proc,
                            reinterpret_cast<LPARAM>(this))) {
        modal_ = false;
        return -1;
    }
    const bool disableOwner = owner && IsWindowEnabled(owner);
    if (disableOwner) EnableWindow(owner, FALSE);
    if (!endRequested_ && hwnd_) ShowWindow(hwnd_, SW_SHOWNORMAL);

    MSG message{};
    while (!endRequested_ && hwnd_) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));  // for the loop outside this one
            break;
        }
        if (!PreTranslateForOpenDialogs(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    // The owner is enabled before the dialog goes, so that it gets the activation back.
    if (disableOwner) EnableWindow(owner, TRUE);
    if (hwnd_) DestroyWindow(hwnd_);
    modal_ = false;
    return result_;
}

bool Dialog::Create(HWND owner)
{
    if (hwnd_) return false;
    modal_ = false;
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner, Proc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::EndDialog(INT_PTR result)
{
    result_ = result;
    endRequested_ = true;
    if (!hwnd_) return;
    if (modal_) {
        PostMessageA(hwnd_, WM_NULL, 0, 0);  // wakes the modal loop to see the request
    } else {
        DestroyWindow(hwnd_);
    }
}

HWND Dialog::Item(int id) const { return hwnd_ ? GetDlgItem(hwnd_, id) : nullptr; }

std::string WindowText(HWND window)
{
    if (!window) return {};
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

int Scaled(HWND window, int pixelsAt96)
{
    // The window's own resolution where the system can tell it (per monitor), else the screen's.
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    UINT dpi = dpiForWindow && window ? dpiForWindow(window) : 0;
    if (dpi == 0) {
        const HDC screen = GetDC(nullptr);
        dpi = screen ? static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX)) : 96;
        if (screen) ReleaseDC(nullptr, screen);
    }
    return MulDiv(pixelsAt96, static_cast<int>(dpi ? dpi : 96), 96);
}

std::string Dialog::ItemText(int id) const { return WindowText(Item(id)); }

void Dialog::SetItemText(int id, const std::string& text)
{
    if (HWND item = Item(id)) SetWindowTextA(item, text.c_str());
}

std::string Dialog::Title() const { return WindowText(hwnd_); }

void Dialog::SetTitle(const std::string& title)
{
    if (hwnd_) SetWindowTextA(hwnd_, title.c_str());
}

bool Dialog::UpdateData(bool saveAndValidate)
{
    if (!hwnd_) return false;
    DataExchange exchange(hwnd_, saveAndValidate);
    DoDataExchange(exchange);
    return !exchange.Failed();
}

bool Dialog::PreTranslateMessage(MSG& message) { return hwnd_ && IsDialogMessageA(hwnd_, &message); }

void Dialog::DoDataExchange(DataExchange&) {}

BOOL Dialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

bool Dialog::OnCommand(int, int, HWND) { return false; }

bool Dialog::OnNotify(NMHDR&, LRESULT&) { return false; }

void Dialog::OnOK()
{
    if (UpdateData(true)) EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CALLBACK Dialog::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* initialising = message == WM_INITDIALOG ? reinterpret_cast<Dialog*>(lParam) : nullptr;
    return Route(initialising, hwnd, message, wParam, lParam);
}

INT_PTR Dialog::Route(Dialog* initialising, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (initialising) {
        initialising->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(initialising));
        OpenDialogs().push_back(initialising);
    }
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self) return FALSE;
    // No exception may unwind through the system's code.
    try {
        return self->Dispatch(message, wParam, lParam);
    } catch (const std::exception& failure) {
        AppMessageBox(failure.what(), MB_OK | MB_ICONSTOP);
    } catch (...) {
        AppMessageBox("Unexpected internal error.", MB_OK | MB_ICONSTOP);
    }
    return FALSE;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return TRUE;
        if (id == IDOK) {
            OnOK();
            return TRUE;
        }
        if (id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    }
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (!OnNotify(*reinterpret_cast<NMHDR*>(lParam), result)) return FALSE;
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
        hwnd_ = nullptr;
        Forget(this);
        return FALSE;
    default: {
        INT_PTR result = FALSE;
        return OnMessage(message, wParam, lParam, result) ? result : FALSE;
    }
    }
}

bool Dialog::PreTranslateForOpenDialogs(MSG& message)
{
    if (!message.hwnd) return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    for (Dialog* dialog : OpenDialogs()) {
        if (dialog->hwnd_ == root) return dialog->PreTranslateMessage(message);
    }
    return false;
}

}  // namespace ui
