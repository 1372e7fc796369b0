#include "ServiceSupervisionPage.h"

#include <commctrl.h>

#include <string>

#include "DataExchange.h"
#include "EditorIds.h"
#include "ExitActionDialog.h"
#include "PageActions.h"
#include "ReportList.h"

namespace editor {

ServiceSupervisionPage::ServiceSupervisionPage() : EditorPage(IDD_PAGE_SUPERVISION, Page::Supervision) {}

BOOL ServiceSupervisionPage::OnInitDialog()
{
    const BOOL result = PropertyPage::OnInitDialog();
    SetUpReportList(Item(IDC_EXIT_ACTIONS), {{"Exit code", 100}, {"Action", 210}});
    Refresh();
    return result;
}

void ServiceSupervisionPage::Refresh()
{
    if (!Handle()) return;
    SendMessageA(Item(IDC_EXIT_ACTIONS), LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t row = 0; row < values_.exitActions.size(); ++row) ShowRow(row, true);
}

void ServiceSupervisionPage::ShowRow(std::size_t row, bool insert)
{
    const ServiceDefinition::ExitCodeAction& a = values_.exitActions[row];
    ShowListRow(Item(IDC_EXIT_ACTIONS), row,
                {a.anyCode ? std::string("Every other code") : ExitCodeText(a.code), ExitActionName(a.action)}, insert);
}

void ServiceSupervisionPage::DoDataExchange(ui::DataExchange& exchange)
{
    // The numbers go as text: the validation names what is wrong with them.
    ExchangeFields(exchange, values_.fields);
}

bool ServiceSupervisionPage::OnCommand(int id, int code, HWND)
{
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_STOP_BROWSE_DIR: BrowseFolder(*this, IDC_STOP_WORKING_DIR); return true;
        case IDC_STOP_BROWSE_EXE: BrowseExecutable(*this, IDC_STOP_EXECUTABLE, IDC_STOP_WORKING_DIR); return true;
        case IDC_EXIT_ADD: AddAction(); return true;
        case IDC_EXIT_EDIT: EditAction(); return true;
        case IDC_EXIT_REMOVE: RemoveAction(); return true;
        default: return false;
        }
    }
    if (code != EN_KILLFOCUS) return false;
    LeaveField(*this, settings::Page::Supervision, id);
    return true;
}

bool ServiceSupervisionPage::OnNotify(NMHDR& header, LRESULT& result)
{
    if (header.idFrom == IDC_EXIT_ACTIONS && header.code == NM_DBLCLK) {
        EditAction();
        result = 0;
        return true;
    }
    return PropertyPage::OnNotify(header, result);
}

void ServiceSupervisionPage::AddAction()
{
    const auto entry = AskExitAction(Handle(), values_.exitActions, kNoExitAction);
    if (!entry) return;
    values_.exitActions.push_back(*entry);
    ShowRow(values_.exitActions.size() - 1, true);
}

void ServiceSupervisionPage::EditAction()
{
    const std::size_t row = MarkedRow(Item(IDC_EXIT_ACTIONS), values_.exitActions.size());
    if (row == kNoRow) return;
    const auto entry = AskExitAction(Handle(), values_.exitActions, row);
    if (!entry) return;
    values_.exitActions[row] = *entry;
    ShowRow(row, false);
}

void ServiceSupervisionPage::RemoveAction()
{
    const std::size_t row = MarkedRow(Item(IDC_EXIT_ACTIONS), values_.exitActions.size());
    if (row == kNoRow) return;
    values_.exitActions.erase(values_.exitActions.begin() + static_cast<std::ptrdiff_t>(row));
    SendMessageA(Item(IDC_EXIT_ACTIONS), LVM_DELETEITEM, row, 0);
}

}  // namespace editor
