#include "ServiceEnvVarDialog.h"

#include "DataExchange.h"
#include "EditorIds.h"
#include "PageActions.h"
#include "PageValues.h"

namespace editor {

ServiceEnvVarDialog::ServiceEnvVarDialog(std::string name, std::string value)
    : Dialog(IDD_ENV_VARIABLE), name_(std::move(name)), value_(std::move(value))
{
}

BOOL ServiceEnvVarDialog::OnInitDialog()
{
    const BOOL result = Dialog::OnInitDialog();
    // Over the editor that asked for it, not in the middle of the screen.
    CentreOverOwner(*this);
    if (!name_.empty()) {
        SetTitle("Edit Environment Variable");
        EnableWindow(Item(IDC_VARIABLE_NAME), FALSE);
    } else {
        SetTitle("New Environment Variable");
        EnableWindow(Item(IDOK), FALSE);
    }
    return result;
}

void ServiceEnvVarDialog::DoDataExchange(ui::DataExchange& exchange)
{
    ui::DdxText(exchange, IDC_VARIABLE_NAME, name_);
    ui::DdxText(exchange, IDC_VARIABLE_VALUE, value_);
}

bool ServiceEnvVarDialog::OnCommand(int id, int code, HWND)
{
    if (id != IDC_VARIABLE_NAME) return false;
    // Only the name is read: a change arrives while the values are being shown, before the
    // value field has its text.
    if (code == EN_CHANGE) {
        EnableWindow(Item(IDOK), !ItemText(IDC_VARIABLE_NAME).empty());
        return true;
    }
    if (code == EN_KILLFOCUS) {
        TrimField(*this, id);
        return true;
    }
    return false;
}

void ServiceEnvVarDialog::OnOK()
{
    if (!UpdateData(true)) return;
    // A name of blanks only would become a variable without a name.
    name_ = Trimmed(name_);
    if (name_.empty()) return;
    EndDialog(IDOK);
}

}  // namespace editor
