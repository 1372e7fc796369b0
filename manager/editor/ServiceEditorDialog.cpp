#include "ServiceEditorDialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "DefinitionRules.h"
#include "DefinitionWriter.h"
#include "EditorIds.h"
#include "InstallerResultDialog.h"
#include "MessageBox.h"
#include "Messages.h"
#include "PageActions.h"
#include "ParameterReader.h"
#include "PasswordDialog.h"
#include "PathText.h"
#include "ServiceAccount.h"
#include "ShellDialogs.h"
#include "UniqueResource.h"

namespace editor {

namespace {

constexpr int kApplicationIcon = 128;
constexpr int kSheetMargin = 7;  // pixels between the sheet's corner and the frame's
constexpr UINT kFocusNameMessage = WM_APP + 1;

constexpr ui::ToolButton kToolButtons[] = {
    {IDC_EDITOR_NEW, IDB_EDITOR_NEW, IDS_TIP_EDITOR_NEW},
    {IDC_EDITOR_OPEN, IDB_EDITOR_OPEN, IDS_TIP_EDITOR_OPEN},
    {IDC_EDITOR_SAVE, IDB_EDITOR_SAVE, IDS_TIP_EDITOR_SAVE},
    {IDC_EDITOR_SAVE_AS, IDB_EDITOR_SAVE_AS, IDS_TIP_EDITOR_SAVE_AS},
    ui::kToolSeparator,
    {IDC_EDITOR_VIEW_XML, IDB_EDITOR_VIEW_XML, IDS_TIP_EDITOR_VIEW_XML},
};
constexpr ui::CommandTip kOtherTips[] = {{IDC_EDITOR_INSTALL, IDS_TIP_EDITOR_INSTALL}, {IDCANCEL, IDS_TIP_EDITOR_CLOSE}};

// A new file of the editor's own in the temporary folder. The run-time library's naming keeps
// only three characters of the prefix under some systems, so the name is made here; creating
// the file reserves it against other editors.
std::string MakeTemporaryPath()
{
    char folder[path_text::kMaxPathBytes] = {};
    const DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder) return {};
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[48];
        std::snprintf(name, sizeof name, "VLSvcConfig%lx_%u", GetCurrentProcessId(), ++counter);
        const std::string path = std::string(folder) + name;
        UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return path;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
    return {};
}

FileRequest DefinitionFileRequest(HWND owner, bool save, const std::string& initialName)
{
    FileRequest request;
    request.owner = owner;
    request.save = save;
    request.defaultExtension = "xml";
    request.initialName = initialName;
    request.filters = {{"XML Files (*.xml)", "*.xml"}, {"All Files (*.*)", "*.*"}};
    return request;
}

// Makes a folder the current directory for its lifetime and puts the previous one back.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& folder)
    {
        const DWORD needed = GetCurrentDirectoryA(0, nullptr);
        if (needed > 0) {
            std::string previous(needed, '\0');
            const DWORD length = GetCurrentDirectoryA(needed, previous.data());
            if (length > 0 && length < needed) {
                previous.resize(length);
                previous_ = previous;
            }
        }
        SetCurrentDirectoryA(folder.c_str());
    }
    ~CurrentDirectory()
    {
        if (!previous_.empty()) SetCurrentDirectoryA(previous_.c_str());
    }
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    std::string previous_;
};

}  // namespace

ServiceEditorDialog::ServiceEditorDialog(EditorOwner& owner) : ServiceEditorDialog(owner, std::string()) {}

ServiceEditorDialog::ServiceEditorDialog(EditorOwner& owner, const std::string& serviceName)
    : Dialog(IDD_SERVICE_EDITOR),
      owner_(owner),
      toolbar_(kToolButtons, kOtherTips),
      logOn_([this] { return program_.Handle() ? program_.ItemText(IDC_SHORT_NAME) : record_.Name; }),
      sheet_(messages::StringResource(IDS_SERVICE_DEFINITION))
{
    for (EditorPage* page : pages_) sheet_.AddPage(*page);
    ResetRecord();
    if (!serviceName.empty()) registry_data::ReadParameters(serviceName, record_, registry_data::kEditorRead);
    RecordToPages(false);
    temporaryPath_ = MakeTemporaryPath();
    if (!temporaryPath_.empty()) definition_writer::WriteDefinitionFile(record_, temporaryPath_);
    icon_ = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kApplicationIcon));
}

ServiceEditorDialog::~ServiceEditorDialog()
{
    DeleteTemporaryFile();
    // The window goes while the pages it shows still exist.
    if (Handle()) DestroyWindow(Handle());
}

bool ServiceEditorDialog::Open(const std::string& title)
{
    if (!Create(owner_.OwnerWindow())) return false;
    SetTitle(title);
    ShowWindow(Handle(), SW_SHOW);
    return true;
}

BOOL ServiceEditorDialog::OnInitDialog()
{
    Dialog::OnInitDialog();
    if (icon_) {
        SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
        SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    }
    toolbar_.Create(Handle(), IDC_EDITOR_TOOLBAR);

    if (sheet_.Create(Handle(), WS_CHILD | WS_VISIBLE | WS_TABSTOP, WS_EX_CONTROLPARENT)) {
        RECT frame{};
        GetWindowRect(Item(IDC_EDITOR_SHEET_FRAME), &frame);
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&frame), 2);
        // First in the tab order, and above the frame it covers.
        SetWindowPos(sheet_.Handle(), HWND_TOP, frame.left - kSheetMargin, frame.top - kSheetMargin, 0, 0,
                     SWP_NOSIZE | SWP_NOACTIVATE);
        // Every page window exists, with its own initialisation done, before a command
        // gathers the pages; the first is current at the end.
        for (int page = 1; page < static_cast<int>(pages_.size()); ++page) sheet_.SetActivePage(page);
        sheet_.SetActivePage(0);
        PlaceButtonsBelowSheet();
    }
    SetFocus(program_.Item(IDC_SHORT_NAME));
    return FALSE;
}

// The sheet takes the size of its largest page at the screen's resolution, which the template
// cannot know; where it reached over the buttons, a click on them landed on the sheet. The buttons
// keep their places across and go below the sheet, and the window is fitted around both.
void ServiceEditorDialog::PlaceButtonsBelowSheet()
{
    RECT placed{};
    GetWindowRect(sheet_.Handle(), &placed);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&placed), 2);
    RECT margin{0, 0, 7, 7};  // the template's margin, in dialog units
    MapDialogRect(Handle(), &margin);
    int bottom = 0;
    for (int id : {IDC_EDITOR_INSTALL, IDCANCEL}) {
        RECT button{};
        GetWindowRect(Item(id), &button);
        MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&button), 2);
        const int top = placed.bottom + margin.bottom;
        SetWindowPos(Item(id), nullptr, button.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        bottom = top + (button.bottom - button.top);
    }
    RECT client{}, window{};
    GetClientRect(Handle(), &client);
    GetWindowRect(Handle(), &window);
    const int width = std::max<int>(client.right, placed.right + margin.right);
    const int height = bottom + margin.bottom;
    SetWindowPos(Handle(), nullptr, 0, 0, (window.right - window.left) + width - client.right,
                 (window.bottom - window.top) + height - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool ServiceEditorDialog::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_EDITOR_INSTALL: Install(); return true;
    case IDC_EDITOR_VIEW_XML: ViewXml(); return true;
    case IDC_EDITOR_SAVE: Save(); return true;
    case IDC_EDITOR_SAVE_AS: SaveAs(); return true;
    case IDC_EDITOR_NEW: NewDefinition(); return true;
    case IDC_EDITOR_OPEN: OpenFile(); return true;
    default: return false;
    }
}

bool ServiceEditorDialog::OnNotify(NMHDR& header, LRESULT&) { return toolbar_.AnswerToolTip(header); }

bool ServiceEditorDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR&)
{
    // Showing the window hands the focus to the short name, after the system has placed it.
    if (message == WM_SHOWWINDOW && wParam) {
        PostMessageA(Handle(), kFocusNameMessage, 0, 0);
    } else if (message == kFocusNameMessage) {
        if (program_.Handle() && sheet_.ActiveIndex() == 0) SetFocus(program_.Item(IDC_SHORT_NAME));
        return true;
    }
    return false;
}

bool ServiceEditorDialog::PreTranslateMessage(MSG& message)
{
    // Ctrl+Tab and Ctrl+Page Up/Down turn the sheet's pages.
    const bool pageKey = message.message == WM_KEYDOWN &&
                         (message.wParam == VK_TAB || message.wParam == VK_PRIOR || message.wParam == VK_NEXT) &&
                         (GetKeyState(VK_CONTROL) & 0x8000);
    if (pageKey && sheet_.Handle() &&
        SendMessageA(sheet_.Handle(), PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&message))) {
        return true;
    }
    return Dialog::PreTranslateMessage(message);
}

void ServiceEditorDialog::ResetRecord()
{
    record_ = definition_writer::NewDefinition();
    confirmedRestart_.clear();
}

void ServiceEditorDialog::RecordToPages(bool refresh)
{
    for (EditorPage* page : pages_) page->FromRecord(record_);
    if (!refresh) return;
    for (EditorPage* page : pages_) page->Refresh();
    for (EditorPage* page : pages_) page->UpdateData(false);
}

void ServiceEditorDialog::PagesToRecord()
{
    // A page that refuses a value has reported it; the record gets the value it held before.
    for (EditorPage* page : pages_) page->UpdateData(true);
    // The Log On page comes after the Program page: the virtual account is named after the service.
    for (EditorPage* page : pages_) page->ToRecord(record_);
}

void ServiceEditorDialog::FocusOn(const ValidationFailure& failure)
{
    for (std::size_t index = 0; index < pages_.size(); ++index) {
        if (pages_[index]->Id() != failure.page) continue;
        if (sheet_.ActiveIndex() != static_cast<int>(index)) sheet_.SetActivePage(static_cast<int>(index));
        if (HWND control = pages_[index]->Item(failure.control)) SetFocus(control);
        return;
    }
}

bool ServiceEditorDialog::WriteReporting(const std::string& path, const char* what)
{
    std::string reason;
    if (!path.empty() && definition_writer::WriteDefinitionFile(record_, path, &reason)) return true;
    std::string text = std::string("The service definition could not be written to ") + what + ":\r\n" +
                       (path.empty() ? std::string("(no file name)") : path);
    if (!reason.empty()) text += "\r\n\r\n" + reason;
    ui::AppMessageBox(text, MB_OK | MB_ICONSTOP);
    return false;
}

ValidationFailure ServiceEditorDialog::ValidateStorable() const
{
    for (const EditorPage* page : pages_) {
        ValidationFailure failure = page->ValidateTexts();
        if (failure.messageId != 0) return failure;
    }
    // A file that breaks these does not load again.
    const ValidationFailure failure = ValidateLimits(record_);
    return failure.messageId != 0 ? failure : ValidateNotifications(record_);
}

bool ServiceEditorDialog::Refuse(const ValidationFailure& failure)
{
    if (!ShowFailure(failure)) return false;
    FocusOn(failure);
    return true;
}

bool ServiceEditorDialog::GatherStorable()
{
    PagesToRecord();
    // Writing checks nothing else, but a number that does not convert, or half a stop program,
    // would be lost unseen.
    return !Refuse(ValidateStorable());
}

bool ServiceEditorDialog::ConfirmComputerRestart()
{
    const std::string failures = definition_rules::ComputerRestartFailures(record_);
    if (failures.empty() || failures == confirmedRestart_) return true;
    if (!messages::AskYesNo(MSG_RECOVERY_RESTARTS_COMPUTER, {failures.c_str()})) {
        std::size_t step = 0;
        while (record_.RecoverySteps[step].Action != 2) ++step;
        FocusOn({MSG_RECOVERY_RESTARTS_COMPUTER, Page::LogOn, kRecoveryControls[step].action});
        return false;
    }
    confirmedRestart_ = failures;
    return true;
}

void ServiceEditorDialog::Install()
{
    PagesToRecord();
    ValidationFailure failure = Validate(record_);
    if (failure.messageId == 0) failure = ValidateStorable();
    if (Refuse(failure)) return;
    std::optional<ui::SecretText> password;
    const service_account::Account account = service_account::Classify(record_.Account, record_.Name);
    if (service_account::NeedsPassword(account.kind)) {
        password = AskPassword(Handle(), account.name);
        if (!password) return;
    }
    if (!WriteReporting(temporaryPath_, "the temporary file")) return;
    owner_.InstallServiceDefinition(record_.Name, temporaryPath_, record_.StartUpMode == 1,
                                    password ? &*password : nullptr);
}

void ServiceEditorDialog::ViewXml()
{
    if (temporaryPath_.empty()) return;
    if (!GatherStorable()) return;
    if (!WriteReporting(temporaryPath_, "the temporary file")) return;
    if (!StartProgram("notepad " + temporaryPath_)) {
        ui::AppMessageBox("Notepad could not be started.\r\n\r\n" + messages::SystemErrorText(GetLastError()),
                          MB_OK | MB_ICONSTOP);
    }
}

void ServiceEditorDialog::Save()
{
    if (currentPath_.empty()) {
        SaveAs();
        return;
    }
    if (!GatherStorable() || !ConfirmComputerRestart()) return;
    WriteReporting(currentPath_, "the file");
}

void ServiceEditorDialog::SaveAs()
{
    const auto chosen = ChooseFile(DefinitionFileRequest(Handle(), true, currentPath_));
    if (!chosen) return;
    if (!GatherStorable() || !ConfirmComputerRestart()) return;
    currentPath_ = *chosen;
    WriteReporting(currentPath_, "the file");
}

void ServiceEditorDialog::NewDefinition()
{
    ResetRecord();
    RecordToPages(true);
}

void ServiceEditorDialog::OpenFile()
{
    const auto chosen = ChooseFile(DefinitionFileRequest(Handle(), false, currentPath_));
    if (!chosen) return;
    currentPath_ = *chosen;
    ResetRecord();
    std::string details;
    bool loaded = false;
    {
        // Definitions name their DTD relative to the installation directory.
        CurrentDirectory inInstallation(owner_.InstallationDir());
        unsigned char forceReplace = 0;
        try {
            LoadXMLFile(currentPath_.c_str(), &record_, &forceReplace, 1);
            loaded = true;
        } catch (const CExcep& failure) {
            if (failure.code != 0 && failure.message) details = failure.message;
        }
    }
    if (!loaded) {
        // The library may have filled part of the record before it stopped.
        ResetRecord();
        runner::InstallerResultDialog(MSG_CONFIG_NOT_LOADED, "File Open Error", details).DoModal(Handle());
        return;
    }
    RecordToPages(true);
}

void ServiceEditorDialog::DeleteTemporaryFile()
{
    if (temporaryPath_.empty()) return;
    DeleteFileA(temporaryPath_.c_str());
    temporaryPath_.clear();
}

void ServiceEditorDialog::Close()
{
    DeleteTemporaryFile();
    ResetRecord();
    EndDialog(IDCANCEL);
}

}  // namespace editor
