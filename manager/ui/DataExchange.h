#pragma once

#include <windows.h>

#include <string>

namespace ui {

// One run of data exchange between a dialog's members and its controls. Taking values from the
// controls stops at the first refused value: its control gets the focus and later exchanges
// of the run do nothing.
class DataExchange {
public:
    DataExchange(HWND dialog, bool saving) : dialog_(dialog), saving_(saving) {}
    DataExchange(const DataExchange&) = delete;
    DataExchange& operator=(const DataExchange&) = delete;

    bool Saving() const { return saving_; }
    bool Failed() const { return failed_; }
    HWND Control(int id) const { return GetDlgItem(dialog_, id); }
    // Marks the run as failed at control `id` and puts the focus there.
    void Fail(int id);

private:
    HWND dialog_;
    bool saving_;
    bool failed_ = false;
};

void DdxText(DataExchange& exchange, int id, std::string& value);
// A check box's state: BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
void DdxCheck(DataExchange& exchange, int id, int& value);
// A drop-down list's selected position; -1 for no selection.
void DdxComboIndex(DataExchange& exchange, int id, int& index);
// A signed decimal integer that must lie within min to max; a bad number gets the standard
// message and leaves `value` as it was.
void DdxInt(DataExchange& exchange, int id, int& value, int min, int max);

// Standard texts for a refused number.
std::string NotAnIntegerText();
std::string IntegerRangeText(int min, int max);

// Parses optional blanks, an optional sign, decimal digits and optional blanks; false for
// anything else, or a number beyond int.
bool ParseInteger(const std::string& text, int& value);

}  // namespace ui
