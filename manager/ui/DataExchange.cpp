#include "DataExchange.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "Dialog.h"
#include "MessageBox.h"

namespace ui {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

void DataExchange::Fail(int id)
{
    failed_ = true;
    if (HWND control = Control(id)) {
        SetFocus(control);
        SendMessageA(control, EM_SETSEL, 0, -1);
    }
}

void DdxText(DataExchange& exchange, int id, std::string& value)
{
    if (exchange.Failed()) return;
    HWND control = exchange.Control(id);
    if (!control) return;
    if (exchange.Saving()) {
        value = WindowText(control);
    } else {
        SetWindowTextA(control, value.c_str());
    }
}

void DdxCheck(DataExchange& exchange, int id, int& value)
{
    if (exchange.Failed()) return;
    HWND control = exchange.Control(id);
    if (!control) return;
    if (exchange.Saving()) {
        value = static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0));
    } else {
        SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

void DdxComboIndex(DataExchange& exchange, int id, int& index)
{
    if (exchange.Failed()) return;
    HWND control = exchange.Control(id);
    if (!control) return;
    if (exchange.Saving()) {
        index = static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0));
        return;
    }
    // A position outside the list clears the selection (Wine would keep the old one).
    const auto count = SendMessageA(control, CB_GETCOUNT, 0, 0);
    const WPARAM shown = index >= 0 && index < count ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1);
    SendMessageA(control, CB_SETCURSEL, shown, 0);
}

bool ParseInteger(const std::string& text, int& value)
{
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) ++at;
    const size_t numberStart = at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const size_t digitsStart = at;
    while (at < text.size() && IsDigit(text[at])) ++at;
    if (at == digitsStart) return false;
    const size_t numberEnd = at;
    while (at < text.size() && IsBlank(text[at])) ++at;
    if (at != text.size()) return false;

    const std::string number = text.substr(numberStart, numberEnd - numberStart);
    errno = 0;
    const long long parsed = std::strtoll(number.c_str(), nullptr, 10);
    if (errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX) return false;
    value = static_cast<int>(parsed);
    return true;
}

std::string NotAnIntegerText() { return "Please enter an integer."; }

std::string IntegerRangeText(int min, int max)
{
    char text[96];
    std::snprintf(text, sizeof text, "Please enter an integer between %d and %d.", min, max);
    return text;
}

void DdxInt(DataExchange& exchange, int id, int& value, int min, int max)
{
    if (exchange.Failed()) return;
    HWND control = exchange.Control(id);
    if (!control) return;
    if (!exchange.Saving()) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", value);
        SetWindowTextA(control, text);
        return;
    }
    int parsed = 0;
    if (!ParseInteger(WindowText(control), parsed)) {
        AppMessageBox(NotAnIntegerText(), MB_OK | MB_ICONEXCLAMATION);
        exchange.Fail(id);
        return;
    }
    if (parsed < min || parsed > max) {
        AppMessageBox(IntegerRangeText(min, max), MB_OK | MB_ICONEXCLAMATION);
        exchange.Fail(id);
        return;
    }
    value = parsed;
}

}  // namespace ui
