#include "ServiceEnvPage.h"

#include <commctrl.h>

#include "EditorIds.h"
#include "ReportList.h"
#include "ServiceEnvVarDialog.h"

namespace editor {

ServiceEnvPage::ServiceEnvPage() : EditorPage(IDD_PAGE_ENVIRONMENT, Page::Environment) {}

BOOL ServiceEnvPage::OnInitDialog()
{
    const BOOL result = PropertyPage::OnInitDialog();
    SetUpReportList(Item(IDC_ENV_LIST), {{"Variable", 140}, {"Value", 260}});
    Refresh();
    return result;
}

void ServiceEnvPage::Refresh()
{
    if (!Handle()) return;
    SendMessageA(Item(IDC_ENV_LIST), LVM_DELETEALLITEMS, 0, 0);
    for (std::size_t row = 0; row < variables_.size(); ++row) ShowRow(row, true);
}

void ServiceEnvPage::ShowRow(std::size_t row, bool insert)
{
    ShowListRow(Item(IDC_ENV_LIST), row, {variables_[row].name, variables_[row].value}, insert);
}

bool ServiceEnvPage::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_ENV_NEW: NewVariable(); return true;
    case IDC_ENV_EDIT: EditVariable(); return true;
    case IDC_ENV_REMOVE: RemoveVariable(); return true;
    default: return false;
    }
}

bool ServiceEnvPage::OnNotify(NMHDR& header, LRESULT& result)
{
    if (header.idFrom == IDC_ENV_LIST && header.code == NM_DBLCLK) {
        UpdateData(true);
        EditVariable();
        result = 0;
        return true;
    }
    return PropertyPage::OnNotify(header, result);
}

std::size_t ServiceEnvPage::MarkedRow() const
{
    const std::size_t row = editor::MarkedRow(Item(IDC_ENV_LIST), variables_.size());
    return row == kNoRow ? kNoVariable : row;
}

void ServiceEnvPage::NewVariable()
{
    ServiceEnvVarDialog dialog;
    if (dialog.DoModal(Handle()) != IDOK) return;
    const std::size_t before = variables_.size();
    const std::size_t row = SetVariable(variables_, dialog.Name(), dialog.Value());
    ShowRow(row, variables_.size() != before);
}

void ServiceEnvPage::EditVariable()
{
    const std::size_t row = MarkedRow();
    if (row == kNoVariable) return;
    const std::string name = variables_[row].name;
    ServiceEnvVarDialog dialog(name, variables_[row].value);
    if (dialog.DoModal(Handle()) != IDOK) return;
    for (std::size_t changed : SetEveryVariable(variables_, name, dialog.Value())) {
        ShowRow(changed, false);
    }
}

void ServiceEnvPage::RemoveVariable()
{
    // The rows mirror the list, so the marked row is the variable to remove, also when an
    // earlier one has the same name.
    const std::size_t row = MarkedRow();
    if (row == kNoVariable) return;
    variables_.erase(variables_.begin() + static_cast<std::ptrdiff_t>(row));
    SendMessageA(Item(IDC_ENV_LIST), LVM_DELETEITEM, row, 0);
}

}  // namespace editor
