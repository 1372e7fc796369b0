#include "ServiceDepsPage.h"

#include <algorithm>
#include <functional>

#include "DataExchange.h"
#include "EditorIds.h"
#include "PageActions.h"

namespace editor {

namespace {
constexpr int kMaxSelected = 1024;

void Fill(HWND listBox, const std::vector<std::string>& list)
{
    SendMessageA(listBox, LB_RESETCONTENT, 0, 0);
    for (const std::string& item : list) SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}
}  // namespace

ServiceDepsPage::ServiceDepsPage() : EditorPage(IDD_PAGE_DEPENDENCIES, Page::Dependencies) {}

BOOL ServiceDepsPage::OnInitDialog()
{
    const BOOL result = PropertyPage::OnInitDialog();
    Refresh();
    return result;
}

void ServiceDepsPage::Refresh()
{
    if (!Handle()) return;
    Fill(Item(IDC_SERVICE_DEPS), values_.services);
    Fill(Item(IDC_GROUP_DEPS), values_.groups);
}

void ServiceDepsPage::DoDataExchange(ui::DataExchange& exchange)
{
    ui::DdxText(exchange, IDC_SERVICE_DEP_NAME, serviceText_);
    ui::DdxText(exchange, IDC_GROUP_DEP_NAME, groupText_);
}

bool ServiceDepsPage::OnCommand(int id, int code, HWND)
{
    if (code == EN_KILLFOCUS && (id == IDC_SERVICE_DEP_NAME || id == IDC_GROUP_DEP_NAME)) {
        TrimField(*this, id);
        return true;
    }
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_ADD_SERVICE_DEP:
        UpdateData(true);
        Add(IDC_SERVICE_DEPS, serviceText_, values_.services);
        return true;
    case IDC_REMOVE_SERVICE_DEP:
        Remove(IDC_SERVICE_DEPS, values_.services);
        return true;
    case IDC_ADD_GROUP_DEP:
        UpdateData(true);
        Add(IDC_GROUP_DEPS, groupText_, values_.groups);
        return true;
    case IDC_REMOVE_GROUP_DEP:
        Remove(IDC_GROUP_DEPS, values_.groups);
        return true;
    default:
        return false;
    }
}

void ServiceDepsPage::Add(int listBox, const std::string& text, std::vector<std::string>& list)
{
    if (text.empty()) return;
    // The list box's own search: an item that begins with the text, in any case, blocks it.
    HWND box = Item(listBox);
    if (SendMessageA(box, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())) != LB_ERR) {
        return;
    }
    SendMessageA(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    Rebuild(listBox, list);
}

void ServiceDepsPage::Remove(int listBox, std::vector<std::string>& list)
{
    HWND box = Item(listBox);
    std::vector<int> selected(kMaxSelected);
    const LRESULT count = SendMessageA(box, LB_GETSELITEMS, kMaxSelected, reinterpret_cast<LPARAM>(selected.data()));
    selected.resize(count > 0 ? static_cast<size_t>(count) : 0);
    std::sort(selected.begin(), selected.end(), std::greater<int>());
    for (int position : selected) SendMessageA(box, LB_DELETESTRING, static_cast<WPARAM>(position), 0);
    Rebuild(listBox, list);
}

void ServiceDepsPage::Rebuild(int listBox, std::vector<std::string>& list) const
{
    HWND box = Item(listBox);
    list.clear();
    const LRESULT count = SendMessageA(box, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageA(box, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0) continue;
        std::string text(static_cast<size_t>(length) + 1, '\0');
        const LRESULT copied = SendMessageA(box, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        list.push_back(std::move(text));
    }
}

}  // namespace editor
