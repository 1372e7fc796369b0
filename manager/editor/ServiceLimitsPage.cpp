#include "ServiceLimitsPage.h"

#include "DataExchange.h"
#include "EditorIds.h"
#include "PageActions.h"

namespace editor {

ServiceLimitsPage::ServiceLimitsPage() : EditorPage(IDD_PAGE_LIMITS, Page::Limits) {}

BOOL ServiceLimitsPage::OnInitDialog()
{
    // A limit crossed leads to the same actions as the program's exit.
    FillExitActions(*this, IDC_LIMIT_ACTION);
    return PropertyPage::OnInitDialog();
}

void ServiceLimitsPage::DoDataExchange(ui::DataExchange& exchange)
{
    // The numbers go as text: the validation names what is wrong with them.
    ExchangeFields(exchange, fields_);
}

bool ServiceLimitsPage::OnCommand(int id, int code, HWND)
{
    if (code != EN_KILLFOCUS) return false;
    LeaveField(*this, Page::Limits, id);
    return true;
}

}  // namespace editor
