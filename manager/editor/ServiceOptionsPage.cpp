#include "ServiceOptionsPage.h"

#include <vector>

#include "DataExchange.h"
#include "EditorIds.h"
#include "PageActions.h"

namespace editor {

namespace {
constexpr int kMaxInterval = 100000000;
const int kCpuBoxIds[kCpuBoxes] = {IDC_CPU0, IDC_CPU1, IDC_CPU2, IDC_CPU3,
                                   IDC_CPU4, IDC_CPU5, IDC_CPU6, IDC_CPU7};

struct ListItems {
    int list;
    std::vector<const char*> items;  // the stored value is the position
};
const ListItems kLists[] = {
    {IDC_SHOW_WINDOW, {"Normal", "Hidden", "Minimized", "Maximized"}},
    {IDC_JOB_TYPE, {"No Job", "Global Job", "Local Job"}},
    {IDC_STARTUP_MODE, {"Manual", "Automatic", "Disabled"}},
    {IDC_UPON_EXIT, {kExitActionNames.begin(), kExitActionNames.end()}},
    {IDC_PRIORITY,
     {"Normal", "Idle (runs only when the system is idle)", "High (time-critical tasks)",
      "Real Time (preempts all other processes)", "Below Normal", "Above Normal"}},
};
}  // namespace

ServiceOptionsPage::ServiceOptionsPage() : EditorPage(IDD_PAGE_OPTIONS, Page::Settings) {}

BOOL ServiceOptionsPage::OnInitDialog()
{
    for (const ListItems& list : kLists) {
        for (const char* item : list.items) {
            SendMessageA(Item(list.list), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
    }
    const BOOL result = PropertyPage::OnInitDialog();
    Refresh();
    for (int box : kCpuBoxIds) EnableWindow(Item(box), FALSE);
    return result;
}

void ServiceOptionsPage::DoDataExchange(ui::DataExchange& exchange)
{
    ui::DdxCheck(exchange, IDC_INTERACT_DESKTOP, values_.interactWithDesktop);
    ui::DdxComboIndex(exchange, IDC_SHOW_WINDOW, values_.showWindow);
    ui::DdxComboIndex(exchange, IDC_JOB_TYPE, values_.jobType);
    ui::DdxText(exchange, IDC_LOAD_ORDER_GROUP, values_.loadOrderGroup);
    ui::DdxComboIndex(exchange, IDC_STARTUP_MODE, values_.startUpMode);
    ui::DdxComboIndex(exchange, IDC_UPON_EXIT, values_.uponExit);
    ui::DdxInt(exchange, IDC_MONITOR_INTERVAL, values_.monitorInterval, 0, kMaxInterval);
    ui::DdxComboIndex(exchange, IDC_PRIORITY, values_.priority);
    for (int bit = 0; bit < kCpuBoxes; ++bit) ui::DdxCheck(exchange, kCpuBoxIds[bit], values_.cpu[bit]);
    ui::DdxCheck(exchange, IDC_DEBUG_ENABLED, values_.debugEnabled);
    ui::DdxText(exchange, IDC_DEBUG_LOG_FILE, values_.debugLogFile);
}

bool ServiceOptionsPage::OnCommand(int id, int code, HWND)
{
    // A click or a new choice applies its rule from the control's own state, so that a bad
    // number elsewhere on the page is not reported by a click on a check box.
    if (id == IDC_DEBUG_ENABLED && code == BN_CLICKED) {
        ApplyDebugRule(SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED);
    } else if (id == IDC_UPON_EXIT && code == CBN_SELCHANGE) {
        ApplyMonitoringRule(static_cast<int>(SendMessageA(Item(id), CB_GETCURSEL, 0, 0)));
    } else if (id == IDC_BROWSE_LOG_FILE && code == BN_CLICKED) {
        BrowseLogFile(*this, IDC_DEBUG_LOG_FILE);
    } else if ((id == IDC_LOAD_ORDER_GROUP || id == IDC_DEBUG_LOG_FILE) && code == EN_KILLFOCUS) {
        TrimField(*this, id);
    } else {
        return false;
    }
    return true;
}

void ServiceOptionsPage::Refresh()
{
    if (!Handle()) return;
    ApplyDebugRule(values_.debugEnabled == BST_CHECKED);
    ApplyMonitoringRule(values_.uponExit);
}

void ServiceOptionsPage::ApplyDebugRule(bool debugging)
{
    EnableWindow(Item(IDC_DEBUG_LOG_FILE), debugging);
    EnableWindow(Item(IDC_BROWSE_LOG_FILE), debugging);
}

void ServiceOptionsPage::ApplyMonitoringRule(int exitAction)
{
    EnableWindow(Item(IDC_MONITOR_INTERVAL), MonitoringApplies(exitAction));
}

}  // namespace editor
