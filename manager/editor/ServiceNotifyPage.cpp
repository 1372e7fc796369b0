#include "ServiceNotifyPage.h"

#include <commctrl.h>

#include "DataExchange.h"
#include "EditorIds.h"
#include "NotificationDialog.h"
#include "PageActions.h"
#include "ReportList.h"

namespace editor {

ServiceNotifyPage::ServiceNotifyPage() : EditorPage(IDD_PAGE_NOTIFY, Page::Notify) {}

BOOL ServiceNotifyPage::OnInitDialog()
{
    const BOOL result = PropertyPage::OnInitDialog();
    SetUpReportList(Item(IDC_NOTIFY_LIST), {{"Kind", 68}, {"Events", 114}, {"Command line or URL", 172}, {"Header", 110}});
    Refresh();
    return result;
}

void ServiceNotifyPage::Refresh()
{
    if (!Handle()) return;
    SendMessageA(Item(IDC_NOTIFY_LIST), LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t row = 0; row < values_.notifications.size(); ++row) ShowRow(row, true);
}

void ServiceNotifyPage::ShowRow(std::size_t row, bool insert)
{
    const ServiceDefinition::Notification& n = values_.notifications[row];
    ShowListRow(Item(IDC_NOTIFY_LIST), row, {n.webhook ? "Webhook" : "Hook", n.on, n.target, MaskedHeader(n.header)},
                insert);
}

void ServiceNotifyPage::DoDataExchange(ui::DataExchange& exchange)
{
    // The number goes as text: the validation names what is wrong with it.
    ExchangeFields(exchange, values_.fields);
}

bool ServiceNotifyPage::OnCommand(int id, int code, HWND)
{
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_NOTIFY_ADD: AddEntry(); return true;
        case IDC_NOTIFY_EDIT: EditEntry(); return true;
        case IDC_NOTIFY_REMOVE: RemoveEntry(); return true;
        default: return false;
        }
    }
    if (code != EN_KILLFOCUS) return false;
    LeaveField(*this, Page::Notify, id);
    return true;
}

bool ServiceNotifyPage::OnNotify(NMHDR& header, LRESULT& result)
{
    if (header.idFrom == IDC_NOTIFY_LIST && header.code == NM_DBLCLK) {
        EditEntry();
        result = 0;
        return true;
    }
    return PropertyPage::OnNotify(header, result);
}

void ServiceNotifyPage::AddEntry()
{
    const auto entry = AskNotification(Handle(), nullptr);
    if (!entry) return;
    values_.notifications.push_back(*entry);
    ShowRow(values_.notifications.size() - 1, true);
}

void ServiceNotifyPage::EditEntry()
{
    const std::size_t row = MarkedRow(Item(IDC_NOTIFY_LIST), values_.notifications.size());
    if (row == kNoRow) return;
    const auto entry = AskNotification(Handle(), &values_.notifications[row]);
    if (!entry) return;
    values_.notifications[row] = *entry;
    ShowRow(row, false);
}

void ServiceNotifyPage::RemoveEntry()
{
    const std::size_t row = MarkedRow(Item(IDC_NOTIFY_LIST), values_.notifications.size());
    if (row == kNoRow) return;
    values_.notifications.erase(values_.notifications.begin() + static_cast<std::ptrdiff_t>(row));
    SendMessageA(Item(IDC_NOTIFY_LIST), LVM_DELETEITEM, row, 0);
}

}  // namespace editor
