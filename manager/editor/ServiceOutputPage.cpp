#include "ServiceOutputPage.h"

#include <string>

#include "DataExchange.h"
#include "EditorIds.h"
#include "PageActions.h"

namespace editor {

ServiceOutputPage::ServiceOutputPage() : EditorPage(IDD_PAGE_OUTPUT, Page::Output) {}

void ServiceOutputPage::DoDataExchange(ui::DataExchange& exchange)
{
    // The numbers go as text: the validation names what is wrong with them.
    ExchangeFields(exchange, values_.fields);
}

bool ServiceOutputPage::OnCommand(int id, int code, HWND)
{
    if (code == BN_CLICKED && id == IDC_BROWSE_OUTPUT_FILE) {
        BrowseLogFile(*this, IDC_OUTPUT_FILE, true);
    } else if (code == BN_CLICKED && id == IDC_BROWSE_ERROR_FILE) {
        BrowseLogFile(*this, IDC_ERROR_FILE, true);
    } else if (code == EN_KILLFOCUS) {
        LeaveField(*this, settings::Page::Output, id);
    } else {
        return false;
    }
    return true;
}

}  // namespace editor
