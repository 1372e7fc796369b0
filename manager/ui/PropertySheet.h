#pragma once

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <utility>
#include <vector>

#include "Dialog.h"

namespace ui {

// One page of a PropertySheetWindow. The page's template gives its tab title; the object must
// outlive the sheet's window.
class PropertyPage : public Dialog {
public:
    explicit PropertyPage(int templateId);

    // The page's entry for PropertySheetA: its template, its procedure and this object.
    PROPSHEETPAGEA Descriptor();

protected:
    // The page becomes current. Default: members to controls (after the first time, when
    // initialisation did it already); false refuses the page.
    virtual bool OnSetActive();
    // The page is left. Default: take the controls' values; false keeps the page current.
    virtual bool OnKillActive();
    // The sheet applies its changes; false keeps the sheet open on this page.
    virtual bool OnApply();
    virtual void OnReset() {}

    bool OnNotify(NMHDR& header, LRESULT& result) override;
    // A page ends nothing itself: the sheet owns OK and Cancel.
    void OnOK() override {}
    void OnCancel() override {}

private:
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    bool firstActivation_ = true;
};

// A modeless property sheet over pages the caller owns, as a pop-up window or, with WS_CHILD
// in `style`, embedded in a parent dialog without the sheet's own buttons.
class PropertySheetWindow {
public:
    explicit PropertySheetWindow(std::string caption) : caption_(std::move(caption)) {}
    ~PropertySheetWindow();
    PropertySheetWindow(const PropertySheetWindow&) = delete;
    PropertySheetWindow& operator=(const PropertySheetWindow&) = delete;

    void AddPage(PropertyPage& page) { pages_.push_back(&page); }
    // Creates the window; false when that failed. 0 for style gives the system's pop-up sheet.
    bool Create(HWND parent, DWORD style = 0, DWORD exStyle = 0);

    HWND Handle() const { return hwnd_; }
    int ActiveIndex() const;
    // False when the current page refused to be left or the index is bad.
    bool SetActivePage(int index);
    // Sends the apply request to every page that has a window; false when one refused.
    bool Apply();

private:
    std::string caption_;
    std::vector<PropertyPage*> pages_;
    HWND hwnd_ = nullptr;
};

}  // namespace ui
