#include "ServiceProgramPage.h"

#include "DataExchange.h"
#include "EditorIds.h"
#include "PageActions.h"

namespace editor {

namespace {
constexpr int kMaxTime = 100000000;
}

ServiceProgramPage::ServiceProgramPage() : EditorPage(IDD_PAGE_PROGRAM, Page::Program) {}

void ServiceProgramPage::DoDataExchange(ui::DataExchange& exchange)
{
    ui::DdxText(exchange, IDC_SHORT_NAME, values_.name);
    ui::DdxText(exchange, IDC_DISPLAY_NAME, values_.displayName);
    ui::DdxText(exchange, IDC_DESCRIPTION, values_.description);
    ui::DdxCheck(exchange, IDC_CONSOLE_APP, values_.consoleApp);
    ui::DdxText(exchange, IDC_WORKING_DIR, values_.workingDir);
    ui::DdxText(exchange, IDC_EXECUTABLE, values_.executable);
    ui::DdxText(exchange, IDC_PARAMETERS, values_.parameters);
    ui::DdxInt(exchange, IDC_STARTUP_TIME, values_.startupTime, 0, kMaxTime);
    ExchangeFields(exchange, values_.fields);
}

bool ServiceProgramPage::OnCommand(int id, int code, HWND)
{
    switch (code) {
    case EN_KILLFOCUS:
        if (id == IDC_STARTUP_TIME) {
            DefaultTime(*this, id);
        } else {
            TrimField(*this, id);
        }
        return true;
    case EN_SETFOCUS:
        if (id == IDC_DISPLAY_NAME) SuggestDisplayName();
        return true;
    case BN_CLICKED:
        if (id == IDC_BROWSE_DIR) {
            BrowseFolder(*this, IDC_WORKING_DIR);
        } else if (id == IDC_BROWSE_EXE) {
            BrowseExecutable(*this, IDC_EXECUTABLE, IDC_WORKING_DIR);
        } else {
            return false;
        }
        return true;
    default:
        return false;
    }
}

void ServiceProgramPage::SuggestDisplayName()
{
    if (ItemText(IDC_DISPLAY_NAME).empty()) SetItemText(IDC_DISPLAY_NAME, ItemText(IDC_SHORT_NAME));
}

}  // namespace editor
