#include "ServiceLogOnPage.h"

#include <utility>

#include "DataExchange.h"
#include "DefinitionValidation.h"
#include "EditorIds.h"
#include "PageActions.h"

namespace editor {

namespace {
constexpr int kMaxAccountChars = 256;
}  // namespace

ServiceLogOnPage::ServiceLogOnPage(std::function<std::string()> serviceName)
    : EditorPage(IDD_PAGE_LOGON, Page::LogOn), serviceName_(std::move(serviceName))
{
}

BOOL ServiceLogOnPage::OnInitDialog()
{
    for (const char* name : kAccountKindNames)
        SendMessageA(Item(IDC_ACCOUNT_KIND), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    for (const RecoveryControls& step : kRecoveryControls) {
        for (const char* name : kRecoveryActionNames)
            SendMessageA(Item(step.action), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    SendMessageA(Item(IDC_ACCOUNT_NAME), EM_LIMITTEXT, kMaxAccountChars, 0);
    return PropertyPage::OnInitDialog();
}

void ServiceLogOnPage::DoDataExchange(ui::DataExchange& exchange)
{
    ui::DdxComboIndex(exchange, IDC_ACCOUNT_KIND, values_.accountKind);
    if (!exchange.Saving()) {
        ShowAccount();
    } else if (AccountIsTyped(shownKind_)) {
        ui::DdxText(exchange, IDC_ACCOUNT_NAME, values_.accountName);
    }
    // The numbers go as text: the validation names what is wrong with them.
    ExchangeFields(exchange, values_.fields);
    if (!exchange.Saving()) ApplyRecoveryRule();
}

bool ServiceLogOnPage::OnCommand(int id, int code, HWND)
{
    if (code == CBN_SELCHANGE && id == IDC_ACCOUNT_KIND) {
        // What was typed stays for when a typed kind is chosen again.
        if (AccountIsTyped(shownKind_)) values_.accountName = ItemText(IDC_ACCOUNT_NAME);
        values_.accountKind = static_cast<int>(SendMessageA(Item(id), CB_GETCURSEL, 0, 0));
        ShowAccount();
    } else if (code == CBN_SELCHANGE) {
        ApplyRecoveryRule();
    } else if (code == BN_CLICKED && id == IDC_RECOVERY_BROWSE) {
        BrowseExecutable(*this, IDC_RECOVERY_PROGRAM);
    } else if (code == EN_KILLFOCUS && !(id == IDC_ACCOUNT_NAME && !AccountIsTyped(shownKind_))) {
        LeaveField(*this, settings::Page::LogOn, id);
    } else {
        return false;
    }
    return true;
}

void ServiceLogOnPage::ShowAccount()
{
    shownKind_ = values_.accountKind;
    const bool typed = AccountIsTyped(shownKind_);
    SendMessageA(Item(IDC_ACCOUNT_NAME), EM_SETREADONLY, typed ? FALSE : TRUE, 0);
    if (typed) {
        SetItemText(IDC_ACCOUNT_NAME, values_.accountName);
        return;
    }
    const std::string name = AccountText(values_, serviceName_());
    SetItemText(IDC_ACCOUNT_NAME, name.empty() ? "LocalSystem" : name);
}

void ServiceLogOnPage::ApplyRecoveryRule()
{
    // A delay matters only before an action, the program only when an action runs it; the
    // rule reads the lists themselves, so that a bad number elsewhere is not reported here.
    bool runsProgram = false;
    for (const RecoveryControls& step : kRecoveryControls) {
        const auto action = SendMessageA(Item(step.action), CB_GETCURSEL, 0, 0);
        EnableWindow(Item(step.delay), action != 0);
        runsProgram = runsProgram || action == static_cast<LRESULT>(ServiceDefinition::kRecoveryRunProgram);
    }
    for (int id : {IDC_RECOVERY_PROGRAM, IDC_RECOVERY_BROWSE, IDC_RECOVERY_PARAMETERS})
        EnableWindow(Item(id), runsProgram);
}

}  // namespace editor
