#include "ServiceHealthPage.h"

#include "DataExchange.h"
#include "EditorIds.h"
#include "PageActions.h"

namespace editor {

ServiceHealthPage::ServiceHealthPage() : EditorPage(IDD_PAGE_HEALTH, Page::Health) {}

BOOL ServiceHealthPage::OnInitDialog()
{
    // Failed checks lead to the same actions as the program's exit.
    FillExitActions(*this, IDC_LIVE_ACTION);
    return PropertyPage::OnInitDialog();
}

void ServiceHealthPage::DoDataExchange(ui::DataExchange& exchange)
{
    // The numbers go as text: the validation names what is wrong with them.
    ExchangeFields(exchange, fields_);
}

bool ServiceHealthPage::OnCommand(int id, int code, HWND)
{
    if (code != EN_KILLFOCUS) return false;
    LeaveField(*this, Page::Health, id);
    return true;
}

}  // namespace editor
