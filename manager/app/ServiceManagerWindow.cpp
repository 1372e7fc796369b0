#include "ServiceManagerWindow.h"

#include <mbstring.h>

#include "AboutDialog.h"
#include "DataExchange.h"
#include "MainWindowIds.h"
#include "MessageBox.h"
#include "Messages.h"
#include "ParameterReader.h"
#include "Product.h"
#include "ScmConnection.h"
#include "ServiceControl.h"
#include "ServiceEditorDialog.h"
#include "ShellDialogs.h"
#include "StringIds.h"
#include "SystemTools.h"
#include "WaitCursor.h"

namespace app {

namespace {
constexpr ui::ToolButton kToolButtons[] = {
    {IDC_NEW, IDB_TOOL_NEW, IDS_TIP_NEW},
    {IDC_EDIT, IDB_TOOL_EDIT, IDS_TIP_EDIT},
    {IDC_REMOVE, IDB_TOOL_REMOVE, IDS_TIP_REMOVE},
    ui::kToolSeparator,
    {IDC_START, IDB_TOOL_START, IDS_TIP_START},
    {IDC_STOP, IDB_TOOL_STOP, IDS_TIP_STOP},
    {IDC_RESTART, IDB_TOOL_RESTART, IDS_TIP_RESTART},
    ui::kToolSeparator,
    {IDC_REFRESH, IDB_TOOL_REFRESH, IDS_TIP_REFRESH},
};
constexpr ui::CommandTip kOtherTips[] = {{IDOK, IDS_TIP_EXIT}};

struct Column {
    const char* title;
    int width;
};
constexpr Column kColumns[] = {{"Service", 210}, {"Status", 90},   {"Startup Type", 90}, {"Process ID", 80},
                               {"Run Time", 70}, {"Restarts", 60}, {"Memory", 70},        {"CPU", 50}};
constexpr int kFirstFigureColumn = 3;

constexpr UINT_PTR kFiguresTimer = 1;
constexpr UINT kFiguresRead = WM_APP + 1;

constexpr int kOtherServiceImage = 0;
constexpr int kOwnServiceImage = 1;

HICON LoadIconSized(int id, int size)
{
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
}

void SetSubItemText(HWND list, int item, int subItem, const char* text)
{
    LVITEMA column{};
    column.iSubItem = subItem;
    column.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, item, reinterpret_cast<LPARAM>(&column));
}

// Sets a cell's text only when it differs: a cell set again is drawn again.
void ChangeSubItemText(HWND list, int item, int subItem, const std::string& text)
{
    char shown[128] = {};
    LVITEMA column{};
    column.iSubItem = subItem;
    column.pszText = shown;
    column.cchTextMax = sizeof shown;
    SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&column));
    if (text != shown) SetSubItemText(list, item, subItem, text.c_str());
}
}  // namespace

ServiceManagerWindow::ServiceManagerWindow(std::string installationDir, bool useManagementConsole)
    : Dialog(IDD_SERVICE_MANAGER),
      installationDir_(std::move(installationDir)),
      useManagementConsole_(useManagementConsole),
      toolbar_(kToolButtons, kOtherTips),
      accelerators_(LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_ACCELERATORS)))
{
}

ServiceManagerWindow::~ServiceManagerWindow() { editors_.clear(); }

HWND ServiceManagerWindow::List() const { return Item(IDC_SERVICE_LIST); }

BOOL ServiceManagerWindow::OnInitDialog()
{
    SetTitle(MainWindowTitle());
    toolbar_.Create(Handle(), IDC_TOOLBAR);
    // Icons loaded from resources at their size need no destroying.
    SendMessageA(Handle(), WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconSized(IDI_SERVICE_MANAGER, GetSystemMetrics(SM_CXICON))));
    SendMessageA(Handle(), WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(LoadIconSized(IDI_SERVICE_MANAGER, GetSystemMetrics(SM_CXSMICON))));
    SetUpList();
    figures_ = std::make_unique<LiveFigureReader>(Handle(), kFiguresRead);
    const BOOL result = Dialog::OnInitDialog();
    RefreshServiceList();
    RequestFigures();
    SetTimer(Handle(), kFiguresTimer, kFiguresMs, nullptr);
    return result;
}

void ServiceManagerWindow::SetUpList()
{
    HWND list = List();
    images_.reset(ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 4));
    for (int icon : {IDI_OTHER_SERVICE, IDI_SERVICE_MANAGER}) {
        HICON image = LoadIconSized(icon, 16);
        ImageList_AddIcon(images_.get(), image);
        DestroyIcon(image);
    }
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_.get()));
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    int index = 0;
    for (const Column& column : kColumns) {
        LVCOLUMNA format{};
        format.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        format.fmt = LVCFMT_LEFT;
        format.cx = ui::Scaled(list, column.width);
        format.pszText = const_cast<char*>(column.title);
        format.iSubItem = index;
        SendMessageA(list, LVM_INSERTCOLUMNA, index++, reinterpret_cast<LPARAM>(&format));
    }
}

void ServiceManagerWindow::DoDataExchange(ui::DataExchange& exchange) { ui::DdxCheck(exchange, IDC_OWN_ONLY, ownOnly_); }

int ServiceManagerWindow::ItemCount() const
{
    return List() ? static_cast<int>(SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0)) : 0;
}

scm::ScmService* ServiceManagerWindow::ServiceAt(int index) const
{
    if (index < 0 || !List()) return nullptr;
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!SendMessageA(List(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
    if (item.lParam < 0 || static_cast<size_t>(item.lParam) >= services_.size()) return nullptr;
    return services_[static_cast<size_t>(item.lParam)].get();
}

scm::ScmService* ServiceManagerWindow::SelectedService() const
{
    if (!List()) return nullptr;
    return ServiceAt(static_cast<int>(SendMessageA(List(), LVM_GETSELECTIONMARK, 0, 0)));
}

void ServiceManagerWindow::ClearList()
{
    if (HWND list = List()) SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    services_.clear();
}

void ServiceManagerWindow::AddServiceItem(std::unique_ptr<scm::ScmService> service)
{
    HWND list = List();
    if (!list || !service) return;
    const std::string text = service->DisplayName();
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = ItemCount();
    item.pszText = const_cast<char*>(text.c_str());
    item.iImage = service->IsOwnService() ? kOwnServiceImage : kOtherServiceImage;
    item.lParam = static_cast<LPARAM>(services_.size());
    const int index = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) return;
    SetSubItemText(list, index, 1, service->StateName());
    SetSubItemText(list, index, 2, service->StartTypeName());
    // A refresh shows the figures last read at once; the next tick reads them again.
    const auto known = figuresShown_.find(service->Name());
    if (known != figuresShown_.end()) ShowFiguresAt(index, known->second);
    services_.push_back(std::move(service));
    SendMessageA(list, LVM_REDRAWITEMS, index, index);
}

void ServiceManagerWindow::Select(int index)
{
    HWND list = List();
    SendMessageA(list, LVM_ENSUREVISIBLE, index, FALSE);
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, index);
}

void ServiceManagerWindow::RestoreSelection(const std::string& keyName, int previousIndex)
{
    const int count = ItemCount();
    const auto* wanted = reinterpret_cast<const unsigned char*>(keyName.c_str());
    for (int i = 0; i < count; ++i) {
        const scm::ScmService* service = ServiceAt(i);
        if (service && _mbscmp(reinterpret_cast<const unsigned char*>(service->Name().c_str()), wanted) == 0) {
            Select(i);
            return;
        }
    }
    // When the list got shorter than the old position, nothing is left to select there.
    const int fallback = previousIndex > 0 ? previousIndex - 1 : 0;
    if (fallback < count) Select(fallback);
}

void ServiceManagerWindow::RefreshServiceList()
{
    ui::WaitCursor wait;
    HWND list = List();
    if (!list) return;
    std::string rememberedName;
    const int mark = static_cast<int>(SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0));
    const scm::ScmService* marked = ServiceAt(mark);
    const bool remembered = marked != nullptr;
    if (remembered) rememberedName = marked->Name();
    // The list is drawn once, when it is whole: not once for each row, and without a flash of
    // an empty list in between.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    ClearList();

    scm::ScmConnection connection;
    const int count = connection.Enumerate(SERVICE_WIN32, SERVICE_STATE_ALL);
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<scm::ScmService> service = connection.OpenService(connection.NameAt(i), SERVICE_ALL_ACCESS);
        if (!service || !service->QueryConfig()) continue;
        service->SetState(connection.StateAt(i));
        if (ownOnly_ == BST_UNCHECKED || service->IsOwnService()) AddServiceItem(std::move(service));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    if (remembered) RestoreSelection(rememberedName, mark);
    UpdateCommandState();
}

void ServiceManagerWindow::RequestFigures()
{
    if (!figures_) return;
    std::vector<std::string> names;
    for (const auto& service : services_)
        if (service->IsOwnService()) names.push_back(service->Name());
    if (!names.empty()) figures_->Request(std::move(names));
}

void ServiceManagerWindow::ShowFigures()
{
    HWND list = List();
    if (!figures_ || !list) return;
    const int count = ItemCount();
    for (LiveFigures& f : figures_->Take()) {
        for (int i = 0; i < count; ++i) {
            const scm::ScmService* service = ServiceAt(i);
            if (!service || service->Name() != f.name) continue;
            ShowFiguresAt(i, f);
            break;
        }
        figuresShown_[f.name] = std::move(f);
    }
}

void ServiceManagerWindow::ShowFiguresAt(int index, const LiveFigures& f)
{
    const std::string* texts[] = {&f.processId, &f.runTime, &f.restarts, &f.memory, &f.cpu};
    for (int column = 0; column < 5; ++column) ChangeSubItemText(List(), index, kFirstFigureColumn + column, *texts[column]);
}

std::string ServiceManagerWindow::SelectedFile(bool debugLog) const
{
    const scm::ScmService* service = SelectedService();
    if (!service || !service->IsOwnService()) return "";
    ServiceDefinition d;
    if (!registry_data::ReadParameters(service->Name(), d)) return "";
    std::string path = debugLog ? d.DebugLogFile : d.OutputFile;
    if (path.empty()) return "";
    // A relative path is the host's, which runs from the installation folder.
    const bool absolute = path.size() > 1 && (path[1] == ':' || (path[0] == '\\' && path[1] == '\\'));
    if (!absolute) path = installationDir_ + "\\" + path;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) ? path : "";
}

void ServiceManagerWindow::ViewSelectedFile(bool debugLog)
{
    const std::string path = SelectedFile(debugLog);
    if (path.empty()) return;
    if (!editor::StartProgram("notepad \"" + path + "\""))
        ui::AppMessageBox("Notepad could not be started.\r\n\r\n" + messages::SystemErrorText(GetLastError()),
                          MB_OK | MB_ICONSTOP);
}

bool ServiceManagerWindow::UpdateCommandState()
{
    bool own = false;
    bool startable = false;
    if (const scm::ScmService* service = SelectedService()) {
        own = service->IsOwnService();
        startable = service->StartType() == SERVICE_AUTO_START || service->StartType() == SERVICE_DEMAND_START;
    }
    EnableWindow(Item(IDC_EDIT), own);
    for (int id : {IDC_START, IDC_STOP, IDC_RESTART}) EnableWindow(Item(id), startable);
    return own;
}

void ServiceManagerWindow::SendToSelected(bool stop, bool start)
{
    ui::WaitCursor wait;
    UpdateData(true);
    const scm::ScmService* service = SelectedService();
    if (!service) return;
    // The refresh below deletes the service object, so the name is kept apart.
    const std::string name = service->Name();
    if (stop) scm::StartOrStopService(name, false);
    if (start) scm::StartOrStopService(name, true);
    Sleep(kSettleMs);
    RefreshServiceList();
}

void ServiceManagerWindow::NewDefinition()
{
    auto editor = std::make_unique<editor::ServiceEditorDialog>(*this);
    if (editor->Open("New Service Definition")) editors_.push_back(std::move(editor));
}

void ServiceManagerWindow::EditSelected()
{
    UpdateData(true);
    const scm::ScmService* service = SelectedService();
    if (!service || !service->IsOwnService()) return;
    auto editor = std::make_unique<editor::ServiceEditorDialog>(*this, service->Name());
    if (editor->Open("Edit Service Definition")) editors_.push_back(std::move(editor));
}

bool ServiceManagerWindow::OnCommand(int id, int code, HWND)
{
    switch (id) {
    case IDC_OWN_ONLY:
        if (code != BN_CLICKED) return false;
        UpdateData(true);
        RefreshServiceList();
        return true;
    case IDC_REFRESH:
        RefreshServiceList();
        return true;
    case IDC_NEW:
        NewDefinition();
        return true;
    case IDC_EDIT:
        EditSelected();
        return true;
    case IDC_REMOVE:
        RemoveSelectedService();
        return true;
    case IDC_START:
        SendToSelected(false, true);
        return true;
    case IDC_STOP:
        SendToSelected(true, false);
        return true;
    case IDC_RESTART:
        SendToSelected(true, true);
        return true;
    case ID_FILE_SERVICES:
        OpenServicesTool(useManagementConsole_);
        return true;
    case ID_FILE_EVENT_VIEWER:
        OpenEventViewer(useManagementConsole_);
        return true;
    case ID_HELP_WEB_SITE:
        VisitWebSite();
        return true;
    case ID_HELP_ABOUT:
        AboutDialog(installationDir_).DoModal(Handle());
        return true;
    case ID_SERVICE_VIEW_OUTPUT:
        ViewSelectedFile(false);
        return true;
    case ID_SERVICE_VIEW_DEBUG_LOG:
        ViewSelectedFile(true);
        return true;
    default:
        return false;
    }
}

bool ServiceManagerWindow::OnNotify(NMHDR& header, LRESULT&)
{
    if (toolbar_.AnswerToolTip(header)) return true;
    if (header.idFrom != IDC_SERVICE_LIST) return false;
    if (header.code == NM_CLICK) {
        UpdateData(true);
        UpdateCommandState();
        return true;
    }
    if (header.code == NM_DBLCLK) {
        UpdateData(true);
        if (UpdateCommandState()) EditSelected();
        return true;
    }
    return false;
}

bool ServiceManagerWindow::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result)
{
    switch (message) {
    case WM_TIMER:
        if (wParam != kFiguresTimer) return false;
        RequestFigures();
        break;
    case kFiguresRead:
        ShowFigures();
        break;
    case WM_INITMENUPOPUP:
        // The files may come and go: whether they are there is asked when the menu opens.
        for (const auto& [id, debugLog] : {std::pair{ID_SERVICE_VIEW_OUTPUT, false}, {ID_SERVICE_VIEW_DEBUG_LOG, true}})
            EnableMenuItem(reinterpret_cast<HMENU>(wParam), id,
                           MF_BYCOMMAND | (SelectedFile(debugLog).empty() ? MF_GRAYED : MF_ENABLED));
        break;
    default:
        return false;
    }
    result = 0;
    return true;
}

bool ServiceManagerWindow::PreTranslateMessage(MSG& message)
{
    if (accelerators_ && Handle() && TranslateAcceleratorA(Handle(), accelerators_, &message)) return true;
    return Dialog::PreTranslateMessage(message);
}

void ServiceManagerWindow::OnOK()
{
    if (!editors_.empty()) editors_.pop_back();
    EndDialog(IDOK);
}

void ServiceManagerWindow::OnCancel() { EndDialog(IDCANCEL); }

void ServiceManagerWindow::OnDestroy()
{
    KillTimer(Handle(), kFiguresTimer);
    figures_.reset();
    ClearList();
}

}  // namespace app
