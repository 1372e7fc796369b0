// Opens the definition editor on a realistic definition, for screenshots: EditorPreview TAB
// READY [variable|exitaction|notification|password]. TAB is the page to show (0 to 10); READY is a
// file created once the window is drawn; "variable" also opens the variable dialog of the
// environment's second row, "exitaction" the exit action dialog of the supervision page's second
// row, "notification" the notification dialog of the Notify page's second row, "password" the
// password that Install asks for. The programs the definition names are created first, because
// opening a definition checks that they exist. The account and the recovery actions are chosen
// on the Log On / Recovery page as a user would.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "EditorIds.h"
#include "ServiceEditorDialog.h"
#include "ShellDialogs.h"

namespace {

const char kFolder[] = "C:\\Program Files\\Mail Relay";

const char kDefinition[] = R"(<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<!DOCTYPE Service SYSTEM "Velmora.dtd">
<Service>
 <Program>
  <Name>MailRelay</Name>
  <DisplayName>Mail Relay</DisplayName>
  <Description>Forwards the queued mail of the branch offices to the central mail host</Description>
  <WorkingDir>C:\Program Files\Mail Relay</WorkingDir>
  <Executable>C:\Program Files\Mail Relay\relay.exe</Executable>
  <Parameters>--queue D:\mail\queue --port 2525</Parameters>
  <Delay>5000</Delay>
  <ConsoleApp>true</ConsoleApp>
  <ForceReplace>true</ForceReplace>
 </Program>
 <Options>
  <AffinityMask>3</AffinityMask>
  <Priority>5</Priority>
  <InteractWithDesktop>false</InteractWithDesktop>
  <StartUpMode>1</StartUpMode>
  <UponExit>1</UponExit>
  <ShowWindow>1</ShowWindow>
  <JobType>1</JobType>
  <LoadOrderGroup>MailServices</LoadOrderGroup>
  <ExpandVariables>true</ExpandVariables>
  <Dependencies>
   <GroupName>NetworkProvider</GroupName>
   <GroupName>TDI</GroupName>
   <ServiceName>Tcpip</ServiceName>
   <ServiceName>Dnscache</ServiceName>
   <ServiceName>LanmanWorkstation</ServiceName>
  </Dependencies>
 </Options>
 <Debug>
  <DebugEnabled>true</DebugEnabled>
  <DebugLocation>C:\Program Files\Mail Relay\logs\relay-debug.log</DebugLocation>
 </Debug>
 <Environment>
  <Variable Name="RELAY_HOME">C:\Program Files\Mail Relay</Variable>
  <Variable Name="PATH">C:\Program Files\Mail Relay\bin;C:\Windows\system32</Variable>
  <Variable Name="JAVA_OPTS">-Xmx512m -Drelay.mode=branch</Variable>
  <Variable Name="TZ">UTC</Variable>
 </Environment>
 <SMF>
  <SMFEnabled>true</SMFEnabled>
  <SMFFrequency>10000</SMFFrequency>
 </SMF>
 <PreService>
  <PreWorkingDir>C:\Program Files\Mail Relay</PreWorkingDir>
  <PreExecutable>C:\Program Files\Mail Relay\check-queue.bat</PreExecutable>
  <PreParameters>/repair</PreParameters>
  <PreDelay>20000</PreDelay>
 </PreService>
 <PostService>
  <PostWorkingDir>C:\Program Files\Mail Relay</PostWorkingDir>
  <PostExecutable>C:\Program Files\Mail Relay\flush.exe</PostExecutable>
  <PostDelay>3000</PostDelay>
 </PostService>
 <Output>
  <OutputLocation>C:\Program Files\Mail Relay\logs\relay.log</OutputLocation>
  <ErrorLocation>C:\Program Files\Mail Relay\logs\relay.log</ErrorLocation>
  <RotateSize>10485760</RotateSize>
  <RotateDaily>true</RotateDaily>
  <RotateKeep>14</RotateKeep>
  <TimeStamp>true</TimeStamp>
 </Output>
 <Supervision>
  <StopTimeout>15000</StopTimeout>
  <ExitAction Code="0">3</ExitAction>
  <ExitAction Code="0xC0000005">1</ExitAction>
  <ExitAction Code="2">0</ExitAction>
  <ExitAction>1</ExitAction>
  <RestartLimit>5</RestartLimit>
  <RestartPeriod>300000</RestartPeriod>
  <RestartAt>03:00</RestartAt>
  <RestartAt>15:30</RestartAt>
 </Supervision>
 <StopService>
  <StopWorkingDir>C:\Program Files\Mail Relay</StopWorkingDir>
  <StopExecutable>C:\Program Files\Mail Relay\relayctl.exe</StopExecutable>
  <StopParameters>drain --wait 10</StopParameters>
 </StopService>
 <Health>
  <ReadyCheck>tcp://127.0.0.1:2525</ReadyCheck>
  <LiveCheck>http://127.0.0.1:8025/health</LiveCheck>
  <LiveGrace>60000</LiveGrace>
 </Health>
 <Limits>
  <MemoryLimit>2048</MemoryLimit>
  <CpuLimit>80</CpuLimit>
  <CpuPeriod>600000</CpuPeriod>
  <HandleLimit>10000</HandleLimit>
  <JobMemoryLimit>4096</JobMemoryLimit>
 </Limits>
 <Notify>
  <Hook On="Restart,RestartLimit">"C:\Program Files\Mail Relay\alert.exe" --event %VELMORA_EVENT%</Hook>
  <Webhook On="RestartLimit,HealthFailed,Stopped" Header="Authorization: Bearer 7f3c9a2e">https://alerts.branch.example/velmora</Webhook>
  <HookTimeout>60000</HookTimeout>
 </Notify>
</Service>
)";

class PreviewOwner : public editor::EditorOwner {
public:
    void InstallServiceDefinition(const std::string&, const std::string&, bool, const ui::SecretText*) override {}
    std::string InstallationDir() const override
    {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        return std::filesystem::path(path).parent_path().string();
    }
    HWND OwnerWindow() const override { return nullptr; }
};

std::string readyFile;

void Choose(HWND page, int list, int position)
{
    SendMessageA(GetDlgItem(page, list), CB_SETCURSEL, position, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(page, list)));
}

void FillLogOnPage(HWND page)
{
    Choose(page, IDC_ACCOUNT_KIND, 5);
    SetDlgItemTextA(page, IDC_ACCOUNT_NAME, "BRANCH\\mailrelay");
    CheckDlgButton(page, IDC_DELAYED_START, BST_CHECKED);
    SetDlgItemTextA(page, IDC_PRESHUTDOWN_TIMEOUT, "30000");
    const struct {
        int list, delay, action;
        const char* ms;
    } steps[] = {{IDC_RECOVERY_FIRST, IDC_RECOVERY_FIRST_DELAY, 1, "5000"},
                 {IDC_RECOVERY_SECOND, IDC_RECOVERY_SECOND_DELAY, 1, "60000"},
                 {IDC_RECOVERY_LATER, IDC_RECOVERY_LATER_DELAY, 3, "0"}};
    for (const auto& step : steps) {
        Choose(page, step.list, step.action);
        SetDlgItemTextA(page, step.delay, step.ms);
    }
    SetDlgItemTextA(page, IDC_RECOVERY_RESET, "3600");
    SetDlgItemTextA(page, IDC_RECOVERY_PROGRAM, "C:\\Program Files\\Mail Relay\\alert.exe");
    SetDlgItemTextA(page, IDC_RECOVERY_PARAMETERS, "--notify postmaster --service MailRelay");
}

void Touch(const std::string& path) { std::ofstream(path, std::ios::binary) << "MZ"; }

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const int tab = __argc > 1 ? std::atoi(__argv[1]) : 0;
    const std::string ready = __argc > 2 ? __argv[2] : "";
    const std::string dialog = __argc > 3 ? __argv[3] : "";

    std::filesystem::create_directories(std::string(kFolder) + "\\logs");
    for (const char* program : {"relay.exe", "check-queue.bat", "flush.exe", "relayctl.exe"}) Touch(std::string(kFolder) + "\\" + program);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string file = std::string(temp) + "MailRelay.xml";
    std::ofstream(file, std::ios::binary) << kDefinition;

    PreviewOwner owner;
    editor::ServiceEditorDialog editor(owner);
    if (!editor.Open("Edit Service Definition")) return 1;
    editor::SetFileChooser([&](const editor::FileRequest&) { return std::optional<std::string>(file); });
    SendMessageA(editor.Handle(), WM_COMMAND, MAKEWPARAM(IDC_EDITOR_OPEN, BN_CLICKED), 0);
    editor::SetFileChooser(nullptr);
    SetWindowPos(editor.Handle(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    // Filled while it is the current page, as a user would: showing a page again shows its values.
    editor.Sheet().SetActivePage(7);
    FillLogOnPage(PropSheet_GetCurrentPageHwnd(editor.Sheet().Handle()));
    editor.Sheet().SetActivePage(tab);

    const struct {
        const char* name;
        int list, edit;
    } listDialogs[] = {{"variable", IDC_ENV_LIST, IDC_ENV_EDIT},
                       {"exitaction", IDC_EXIT_ACTIONS, IDC_EXIT_EDIT},
                       {"notification", IDC_NOTIFY_LIST, IDC_NOTIFY_EDIT}};
    for (const auto& shown : listDialogs) {
        if (dialog != shown.name) continue;
        HWND page = PropSheet_GetCurrentPageHwnd(editor.Sheet().Handle());
        HWND list = GetDlgItem(page, shown.list);
        LVITEMA item{};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&item));
        SendMessageA(list, LVM_SETSELECTIONMARK, 0, 1);
        PostMessageA(page, WM_COMMAND, MAKEWPARAM(shown.edit, BN_CLICKED), 0);
    }
    if (dialog == "password") {
        PostMessageA(editor.Handle(), WM_COMMAND, MAKEWPARAM(IDC_EDITOR_INSTALL, BN_CLICKED), 0);
        SetTimer(nullptr, 0, 700, [](HWND, UINT, UINT_PTR timer, DWORD) {
            KillTimer(nullptr, timer);
            if (HWND asked = FindWindowA(nullptr, "Account Password")) SetDlgItemTextA(asked, IDC_PASSWORD, "secret");
        });
    }
    // Announced once every window, an opened dialog included, has painted.
    SetTimer(nullptr, 0, 1500, [](HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        if (!readyFile.empty()) std::ofstream(readyFile) << "ready";
    });
    readyFile = ready;

    MSG message{};
    while (editor.Handle() && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!editor.PreTranslateMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return 0;
}
