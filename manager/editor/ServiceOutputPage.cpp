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
    ui::DdxText(exchange, IDC_OUTPUT_FILE, values_.outputFile);
    ui::DdxText(exchange, IDC_ERROR_FILE, values_.errorFile);
    ui::DdxText(exchange, IDC_ROTATE_SIZE, values_.rotateSize);
    ui::DdxCheck(exchange, IDC_ROTATE_DAILY, values_.rotateDaily);
    ui::DdxText(exchange, IDC_ROTATE_KEEP, values_.rotateKeep);
    ui::DdxCheck(exchange, IDC_OUTPUT_TIME_STAMP, values_.timeStamp);
}

bool ServiceOutputPage::OnCommand(int id, int code, HWND)
{
    if (code == BN_CLICKED && id == IDC_BROWSE_OUTPUT_FILE) {
        BrowseLogFile(*this, IDC_OUTPUT_FILE, true);
    } else if (code == BN_CLICKED && id == IDC_BROWSE_ERROR_FILE) {
        BrowseLogFile(*this, IDC_ERROR_FILE, true);
    } else if (code == EN_KILLFOCUS) {
        static constexpr BlankDefault kKeep[] = {{IDC_ROTATE_KEEP, ServiceDefinition::kDefaultRotateKeep}};
        LeaveField(*this, id, kKeep);
    } else {
        return false;
    }
    return true;
}

}  // namespace editor
