#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ui {

class DataExchange;

// One dialog window from a template of the program's resources. Messages reach the object
// through one static dialog procedure (`this` in DWLP_USER) and its virtual handlers.
class Dialog {
public:
    explicit Dialog(int templateId);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally through the modal seam (SetModalHandler); returns the value given
    // to EndDialog, or -1 when the window could not be created.
    INT_PTR DoModal(HWND owner);
    // The real modal run, the seam's default: the owner is disabled while the dialog's own loop
    // runs, and every open dialog of the loop gets its keyboard messages.
    INT_PTR RunModal(HWND owner);
    // Creates the dialog as a modeless window; false when that failed.
    bool Create(HWND owner);
    // Ends a modal run with `result`, or destroys a modeless window.
    void EndDialog(INT_PTR result);

    HWND Handle() const { return hwnd_; }
    int TemplateId() const { return templateId_; }
    HWND Item(int id) const;
    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text);
    std::string Title() const;
    void SetTitle(const std::string& title);

    // Moves the members to the controls (false) or takes them from the controls (true);
    // false when a value taken from the controls was refused.
    bool UpdateData(bool saveAndValidate);

    // Offered each message of a modal loop aimed at this dialog's windows; true when consumed.
    virtual bool PreTranslateMessage(MSG& message);

protected:
    virtual void DoDataExchange(DataExchange& exchange);
    // Default: members to controls; TRUE lets the system set the focus.
    virtual BOOL OnInitDialog();
    // True when the command was handled; IDOK and IDCANCEL not handled here reach OnOK/OnCancel.
    virtual bool OnCommand(int id, int code, HWND control);
    // True when handled; `result` goes back through DWLP_MSGRESULT.
    virtual bool OnNotify(NMHDR& header, LRESULT& result);
    // Default: take the controls' values and end with IDOK when they are good.
    virtual void OnOK();
    virtual void OnCancel();
    // Any other message; true when handled, with the dialog procedure's result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    virtual void OnDestroy() {}

    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The common procedure body; `initialising` is the object for WM_INITDIALOG.
    static INT_PTR Route(Dialog* initialising, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    static bool PreTranslateForOpenDialogs(MSG& message);

    int templateId_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
    bool endRequested_ = false;
    INT_PTR result_ = -1;
};

// The text of any window, as the system gives it.
std::string WindowText(HWND window);

// A length in pixels at 96 dots per inch, scaled to the window's resolution: dialog units scale
// by themselves, list columns and other pixel sizes do not.
int Scaled(HWND window, int pixelsAt96);

// The modal seam: tests install a handler that runs a dialog without blocking (for instance
// as a modeless window they look at and close). An empty handler restores RunModal.
using ModalHandler = std::function<INT_PTR(Dialog& dialog, HWND owner)>;
ModalHandler SetModalHandler(ModalHandler handler);

}  // namespace ui
