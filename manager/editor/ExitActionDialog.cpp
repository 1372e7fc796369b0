#include "ExitActionDialog.h"

#include <string>

#include "DataExchange.h"
#include "DefinitionValidation.h"
#include "Dialog.h"
#include "EditorIds.h"
#include "PageActions.h"

namespace editor {

namespace {

class ExitActionDialog : public ui::Dialog {
public:
    ExitActionDialog(const ExitActions& actions, std::size_t editing)
        : Dialog(IDD_EXIT_ACTION), actions_(actions), editing_(editing)
    {
        if (editing_ == kNoExitAction) return;
        entry_ = actions_[editing_];
        if (!entry_.anyCode) codeText_ = ExitCodeText(entry_.code);
        otherCodes_ = entry_.anyCode ? 1 : 0;
        action_ = static_cast<int>(entry_.action);
    }

    const ServiceDefinition::ExitCodeAction& Entry() const { return entry_; }

protected:
    BOOL OnInitDialog() override
    {
        FillExitActions(*this, IDC_EXIT_ACTION);
        const BOOL result = Dialog::OnInitDialog();
        CentreOverOwner(*this);
        SetTitle(editing_ == kNoExitAction ? "New Exit Action" : "Edit Exit Action");
        EnableWindow(Item(IDC_EXIT_CODE), otherCodes_ == 0);
        return result;
    }

    void DoDataExchange(ui::DataExchange& exchange) override
    {
        ui::DdxText(exchange, IDC_EXIT_CODE, codeText_);
        ui::DdxCheck(exchange, IDC_EXIT_OTHER_CODES, otherCodes_);
        ui::DdxComboIndex(exchange, IDC_EXIT_ACTION, action_);
    }

    bool OnCommand(int id, int code, HWND) override
    {
        if (id == IDC_EXIT_OTHER_CODES && code == BN_CLICKED) {
            EnableWindow(Item(IDC_EXIT_CODE), SendMessageA(Item(id), BM_GETCHECK, 0, 0) != BST_CHECKED);
        } else if (id == IDC_EXIT_CODE && code == EN_KILLFOCUS) {
            TrimField(*this, id);
        } else {
            return false;
        }
        return true;
    }

    void OnOK() override
    {
        if (!UpdateData(true)) return;
        ServiceDefinition::ExitCodeAction entry;
        const ValidationFailure failure = CheckExitAction(codeText_, otherCodes_ != 0, actions_, editing_, entry);
        if (RefuseInDialog(*this, failure)) return;
        // An action beyond the list shows no choice; it keeps what it was until one is made.
        entry.action = action_ >= 0 ? static_cast<std::uint32_t>(action_) : entry_.action;
        entry_ = entry;
        EndDialog(IDOK);
    }

private:
    const ExitActions& actions_;
    std::size_t editing_;
    ServiceDefinition::ExitCodeAction entry_;
    std::string codeText_;
    int otherCodes_ = 0;
    int action_ = 0;
};

}  // namespace

std::optional<ServiceDefinition::ExitCodeAction> AskExitAction(HWND owner, const ExitActions& actions,
                                                               std::size_t editing)
{
    ExitActionDialog dialog(actions, editing);
    if (dialog.DoModal(owner) != IDOK) return std::nullopt;
    return dialog.Entry();
}

}  // namespace editor
