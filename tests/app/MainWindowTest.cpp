#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "Definitions.h"
#include "MainWindowIds.h"
#include "Messages.h"
#include "AppTestSupport.h"
#include "Seams.h"
#include "ServiceManagerWindow.h"
#include "ServiceControl.h"
#include "ServiceEditorDialog.h"
#include "SystemTools.h"

namespace {

constexpr int kOwn = 1;
constexpr int kOther = 0;

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(services_.Create("vlmwown1", "VL Main Own One", own_.CommandLine()));
        ASSERT_TRUE(services_.Create("vlmwown2", "VL Main Own Two", own_.CommandLine(), SERVICE_AUTO_START));
        ASSERT_TRUE(services_.Create("vlmwother1", "AAA VL Other One", TestService()));
        ASSERT_TRUE(services_.Create("vlmwother2", "AAB VL Other Two", TestService(), SERVICE_DISABLED));
    }
    void Open(bool useManagementConsole = true)
    {
        window_ = std::make_unique<app::ServiceManagerWindow>(wintest::ProgramFolder(), useManagementConsole);
        ASSERT_TRUE(window_->Create(nullptr));
        ShowWindow(window_->Handle(), SW_SHOW);
    }
    static std::string TestService() { return wintest::ProgramFolder() + "\\velmora_test_service.exe"; }
    HWND List() const { return window_->Item(IDC_SERVICE_LIST); }
    int Find(const std::string& name) const { return IndexOf(*window_, name); }
    std::string SelectedName() const
    {
        const scm::ScmService* selected = window_->SelectedService();
        return selected ? selected->Name() : "";
    }
    void Select(const std::string& name)
    {
        const int index = Find(name);
        ASSERT_GE(index, 0) << name;
        ClickItem(*window_, IDC_SERVICE_LIST, index);
    }
    void ShowAll() { SendMessageA(window_->Item(IDC_OWN_ONLY), BM_CLICK, 0, 0); }
    std::string Column(const std::string& name, int column) const { return ItemText(List(), Find(name), column); }

    ServiceSet services_;
    OwnServiceProgram own_;
    std::unique_ptr<app::ServiceManagerWindow> window_;
};

TEST_F(MainWindow, FilterStartsOnOwnServicesAndTheColumnsShowNameStateAndStartType)
{
    Open();
    EXPECT_EQ(window_->Title(), "Velmora Tessel Service Manager v1.5.1 GA ");
    EXPECT_EQ(SendMessageA(window_->Item(IDC_OWN_ONLY), BM_GETCHECK, 0, 0), BST_CHECKED);
    for (int i = 0; i < window_->ItemCount(); ++i) {
        EXPECT_TRUE(window_->ServiceAt(i)->IsOwnService()) << window_->ServiceAt(i)->Name();
        EXPECT_EQ(ItemImage(List(), i), kOwn);
    }
    ASSERT_GE(Find("vlmwown1"), 0);
    EXPECT_EQ(Find("vlmwother1"), -1);
    EXPECT_EQ(Column("vlmwown1", 0), "VL Main Own One");
    EXPECT_EQ(Column("vlmwown1", 1), "Stopped");
    EXPECT_EQ(Column("vlmwown1", 2), "Manual");
    EXPECT_EQ(Column("vlmwown2", 2), "Automatic");
    const int ownCount = window_->ItemCount();

    ShowAll();
    EXPECT_GT(window_->ItemCount(), ownCount + 1);
    ASSERT_GE(Find("vlmwother2"), 0);
    EXPECT_EQ(Column("vlmwother2", 0), "AAB VL Other Two");
    EXPECT_EQ(Column("vlmwother2", 2), "Disabled");
    EXPECT_EQ(ItemImage(List(), Find("vlmwother2")), kOther);
    EXPECT_EQ(ItemImage(List(), Find("vlmwown2")), kOwn);
    // The list keeps itself sorted by the shown name.
    for (int i = 1; i < window_->ItemCount(); ++i) {
        EXPECT_LE(lstrcmpiA(ItemText(List(), i - 1, 0).c_str(), ItemText(List(), i, 0).c_str()), 0);
    }
    char title[32] = {};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = title;
    column.cchTextMax = sizeof title;
    const std::vector<std::pair<std::string, int>> columns = {{"Service", 210}, {"Status", 90}, {"Startup Type", 90}};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(SendMessageA(List(), LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column)));
        EXPECT_EQ(title, columns[i].first);
        EXPECT_EQ(column.cx, columns[i].second);
    }
}

TEST_F(MainWindow, CommandStateFollowsTheSelectedService)
{
    Open();
    ShowAll();
    struct Case {
        const char* name;
        bool edit;
        bool startStop;
    };
    const Case cases[] = {{"vlmwown1", true, true}, {"vlmwother1", false, true}, {"vlmwother2", false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Select(c.name);
        EXPECT_EQ(window_->UpdateCommandState(), c.edit);
        EXPECT_EQ(IsWindowEnabled(window_->Item(IDC_EDIT)) != FALSE, c.edit);
        for (int id : {IDC_START, IDC_STOP, IDC_RESTART}) {
            EXPECT_EQ(IsWindowEnabled(window_->Item(id)) != FALSE, c.startStop) << id;
            EXPECT_FALSE(IsWindowVisible(window_->Item(id)));
        }
    }
}

TEST_F(MainWindow, NewAndEditOpenEditorsAndAnEarlierOneStaysOpen)
{
    Open();
    ShowAll();
    auto lastEditor = [&] { return dynamic_cast<editor::ServiceEditorDialog*>(window_->LastEditor()); };
    auto title = [](HWND window) {
        char text[128] = {};
        GetWindowTextA(window, text, sizeof text);
        return std::string(text);
    };

    Select("vlmwother1");
    SendMessageA(window_->Handle(), WM_COMMAND, MAKEWPARAM(IDC_EDIT, BN_CLICKED), 0);
    EXPECT_EQ(lastEditor(), nullptr) << "a service not run by the host is not edited";

    // The editor shows what the library stored for the service.
    {
        UniqueHkey key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\vlmwown1\\Parameters", 0,
                                  nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        const char exe[] = "C:\\apps\\own.exe";
        RegSetValueExA(key.get(), "ServiceExe", 0, REG_SZ, reinterpret_cast<const BYTE*>(exe), sizeof exe);
    }
    Select("vlmwown1");
    SendMessageA(window_->Handle(), WM_COMMAND, MAKEWPARAM(IDC_EDIT, BN_CLICKED), 0);
    editor::ServiceEditorDialog* edit = lastEditor();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(title(edit->Handle()), "Edit Service Definition");
    EXPECT_EQ(edit->Record().Name, "vlmwown1");
    EXPECT_EQ(edit->Record().Service.Executable, "C:\\apps\\own.exe");
    const HWND editWindow = edit->Handle();

    SendMessageA(window_->Handle(), WM_COMMAND, MAKEWPARAM(IDC_NEW, BN_CLICKED), 0);
    editor::ServiceEditorDialog* fresh = lastEditor();
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, edit);
    EXPECT_EQ(title(fresh->Handle()), "New Service Definition");
    EXPECT_EQ(fresh->Record().Name, "");
    EXPECT_TRUE(IsWindow(editWindow)) << "the earlier editor stays open";
    EXPECT_NE(fresh->TemporaryPath(), edit->TemporaryPath());
}

TEST_F(MainWindow, RefreshKeepsTheSelectionOrFallsBackToTheItemBefore)
{
    Open();
    ShowAll();
    Select("vlmwown2");
    Command(*window_, IDC_REFRESH);
    EXPECT_EQ(SelectedName(), "vlmwown2");

    // Gone: the item before its old place.
    const int place = Find("vlmwown2");
    const std::string before = window_->ServiceAt(place - 1)->Name();
    wintest::RemoveServiceQuietly("vlmwown2");
    Command(*window_, IDC_REFRESH);
    EXPECT_EQ(Find("vlmwown2"), -1);
    EXPECT_EQ(SelectedName(), before);
    EXPECT_EQ(SelectionMark(*window_, IDC_SERVICE_LIST), place - 1);

    // Hidden by the filter: the two "AA" services sort first among all services.
    struct Case {
        const char* selected;
        int expected;
    };
    for (const Case& c : {Case{"vlmwother2", 0}, Case{"vlmwother1", 0}}) {
        SCOPED_TRACE(c.selected);
        Select(c.selected);
        ASSERT_LE(Find(c.selected), 1);
        ShowAll();  // filter on again
        EXPECT_EQ(SelectionMark(*window_, IDC_SERVICE_LIST), c.expected);
        EXPECT_EQ(window_->SelectedService(), window_->ServiceAt(c.expected));
        ShowAll();
    }
}

// Wine's service manager treats key names without regard to case, so two services whose
// names differ only in case cannot both exist there; the exact comparison is shown on the list.
TEST_F(MainWindow, SelectionIsRestoredByTheExactKeyName)
{
    Open();
    for (const char* name : {"vlcase", "VLCASE", "VlCase"}) {
        window_->AddServiceItem(std::make_unique<scm::ScmService>(name, UniqueScHandle()));
    }
    for (const char* name : {"VLCASE", "vlcase", "VlCase"}) {
        window_->RestoreSelection(name, 0);
        EXPECT_EQ(SelectedName(), name);
    }
    window_->RestoreSelection("vLcAsE", 2);
    EXPECT_EQ(SelectionMark(*window_, IDC_SERVICE_LIST), 1);
    // An old place past the end selects nothing rather than a missing item.
    SendMessageA(List(), LVM_SETSELECTIONMARK, 0, -1);
    window_->RestoreSelection("vLcAsE", window_->ItemCount() + 5);
    EXPECT_EQ(window_->SelectedService(), nullptr);
}

TEST_F(MainWindow, StartStopAndRestartActOnTheSelectedService)
{
    Open();
    Select("vlmwown1");
    Command(*window_, IDC_START);
    ASSERT_TRUE(wintest::WaitForState("vlmwown1", SERVICE_RUNNING));
    Command(*window_, IDC_REFRESH);
    EXPECT_EQ(Column("vlmwown1", 1), "Running");
    EXPECT_EQ(SelectedName(), "vlmwown1");

    Command(*window_, IDC_STOP);
    ASSERT_TRUE(wintest::WaitForState("vlmwown1", SERVICE_STOPPED));
    Command(*window_, IDC_REFRESH);
    EXPECT_EQ(Column("vlmwown1", 1), "Stopped");

    // From stopped, the stop half does nothing and the start half starts it.
    Command(*window_, IDC_RESTART);
    EXPECT_TRUE(wintest::WaitForState("vlmwown1", SERVICE_RUNNING));

    // Without a selection nothing is sent.
    SendMessageA(List(), LVM_SETSELECTIONMARK, 0, -1);
    Command(*window_, IDC_STOP);
    Sleep(300);
    EXPECT_EQ(wintest::ServiceState("vlmwown1"), DWORD(SERVICE_RUNNING));
}

class MainWindowFlows : public MainWindow {
protected:
    // A definition the host program installs from the build's folder.
    std::string Definition(const std::string& name, const std::string& extra = "")
    {
        return definitions_.Write(name + ".xml",
                                  DefinitionDir::Xml(DefinitionDir::Required(name, definitions_.Program(),
                                                                             definitions_.Folder("work")) +
                                                     extra));
    }
    void InstallThroughHost(const std::string& name)
    {
        services_.Track(name);
        const wintest::CommandResult installed =
            wintest::Run("\"" + wintest::ProgramFolder() + "\\Velmora.exe\" -i " + Definition(name));
        ASSERT_EQ(installed.exitCode, 0) << installed.output;
    }
    // Keeps what the host wrote but runs the test service, so the service really runs.
    void RunAsTestService(const std::string& name)
    {
        UniqueScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        UniqueScHandle service(OpenServiceA(manager.get(), name.c_str(), SERVICE_ALL_ACCESS));
        ASSERT_TRUE(ChangeServiceConfigA(service.get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                         own_.CommandLine().c_str(), nullptr, nullptr, nullptr, nullptr, nullptr,
                                         nullptr));
    }
    DefinitionDir definitions_;
};

// A Velmora service whose program really runs: the timer fills its run figures in place, and
// View Output is there for the output file it writes, View Debug Log not, as it keeps none.
TEST_F(MainWindowFlows, ARunningServiceShowsItsRunFiguresAndItsOutputFile)
{
    const std::string work = definitions_.Folder("live");
    services_.Track("vlmwlive");
    const std::string definition = definitions_.Write(
        "vlmwlive.xml",
        DefinitionDir::Xml(DefinitionDir::Required("vlmwlive", wintest::ProgramFolder() + "\\VelmoraExample.exe", work),
                           "<Output><OutputLocation>" + work + "\\out.log</OutputLocation></Output>"));
    const wintest::CommandResult installed =
        wintest::Run("\"" + wintest::ProgramFolder() + "\\Velmora.exe\" -i " + definition);
    ASSERT_EQ(installed.exitCode, 0) << installed.output;
    ASSERT_EQ(wintest::StartNamedService("vlmwlive"), DWORD(NO_ERROR));
    ASSERT_TRUE(wintest::WaitForState("vlmwlive", SERVICE_RUNNING));
    Open();
    Select("vlmwlive");
    // The CPU share needs two reads, kFiguresMs apart; the window's messages are served meanwhile.
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (GetTickCount64() < deadline && Column("vlmwlive", 7).empty()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    EXPECT_EQ(Column("vlmwlive", 1), "Running");
    const std::string pid = Column("vlmwlive", 3);
    EXPECT_TRUE(!pid.empty() && pid.find_first_not_of("0123456789") == std::string::npos) << pid;
    EXPECT_TRUE(wintest::Contains(Column("vlmwlive", 4), " s") || wintest::Contains(Column("vlmwlive", 4), " min"))
        << Column("vlmwlive", 4);
    EXPECT_EQ(Column("vlmwlive", 5), "0");
    EXPECT_TRUE(wintest::Contains(Column("vlmwlive", 6), " MB")) << Column("vlmwlive", 6);
    EXPECT_TRUE(wintest::Contains(Column("vlmwlive", 7), " %")) << Column("vlmwlive", 7);
    EXPECT_EQ(SelectedName(), "vlmwlive");
    EXPECT_EQ(Column("vlmwown1", 3), "");  // a service whose host publishes nothing shows nothing

    HMENU service = GetSubMenu(GetMenu(window_->Handle()), 1);
    SendMessageA(window_->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(service), 1);
    EXPECT_FALSE(GetMenuState(service, ID_SERVICE_VIEW_OUTPUT, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(service, ID_SERVICE_VIEW_DEBUG_LOG, MF_BYCOMMAND) & MF_GRAYED);
    wintest::StopNamedService("vlmwlive");
    EXPECT_TRUE(wintest::WaitForState("vlmwlive", SERVICE_STOPPED));
}

TEST_F(MainWindowFlows, RemoveAsksFirstOnlyWhenTheServiceRuns)
{
    InstallThroughHost("vlmwinstalled");
    InstallThroughHost("vlmwrunning");
    RunAsTestService("vlmwrunning");
    Open();
    Select("vlmwinstalled");
    {
        MessageBoxRecorder boxes;
        Command(*window_, IDC_REMOVE);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, "The service was successfully removed.\r\n");
        EXPECT_EQ(boxes.boxes[0].style & MB_ICONMASK, UINT(MB_ICONINFORMATION));
    }
    EXPECT_FALSE(wintest::ServiceExists("vlmwinstalled"));
    EXPECT_EQ(Find("vlmwinstalled"), -1);

    scm::StartOrStopService("vlmwrunning", true);
    ASSERT_TRUE(wintest::WaitForState("vlmwrunning", SERVICE_RUNNING));
    Command(*window_, IDC_REFRESH);
    Select("vlmwrunning");
    {
        MessageBoxRecorder declined(IDCANCEL);
        Command(*window_, IDC_REMOVE);
        ASSERT_EQ(declined.boxes.size(), 1u);
        EXPECT_EQ(declined.boxes[0].text, messages::FormatMessageText(MSG_STOP_BEFORE_REMOVE));
        EXPECT_EQ(declined.boxes[0].style & MB_TYPEMASK, UINT(MB_OKCANCEL));
    }
    EXPECT_EQ(wintest::ServiceState("vlmwrunning"), DWORD(SERVICE_RUNNING));
    EXPECT_EQ(SelectedName(), "vlmwrunning");
    {
        MessageBoxRecorder agreed(IDOK);
        std::string details;
        ModalRecorder result([&](ui::Dialog& shown) {
            ModalRecorder inner([&](ui::Dialog& more) { details = ControlText(more.Handle(), 1061); });
            Command(shown, 1064);
        });
        Command(*window_, IDC_REMOVE);
        ASSERT_EQ(agreed.boxes.size(), 2u) << details;
        EXPECT_EQ(agreed.boxes[0].text, messages::FormatMessageText(MSG_STOP_BEFORE_REMOVE));
        EXPECT_EQ(agreed.boxes[1].text, "The service was successfully removed.\r\n");
    }
    EXPECT_TRUE(wintest::WaitForState("vlmwrunning", 0));
    EXPECT_EQ(Find("vlmwrunning"), -1);
}

TEST_F(MainWindowFlows, InstallAsksOnlyForAListedServiceThatRuns)
{
    services_.Track("vlmwfresh");
    Open();
    {
        MessageBoxRecorder boxes;
        window_->InstallServiceDefinition("vlmwfresh", Definition("vlmwfresh"), false, nullptr);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, "The service was successfully installed.\r\n");
    }
    ASSERT_GE(Find("vlmwfresh"), 0);
    EXPECT_EQ(window_->ServiceAt(Find("vlmwfresh"))->Config()->lpBinaryPathName,
              wintest::ProgramFolder() + "\\Velmora.exe -s");

    scm::StartOrStopService("vlmwown1", true);
    ASSERT_TRUE(wintest::WaitForState("vlmwown1", SERVICE_RUNNING));
    Command(*window_, IDC_REFRESH);
    const std::string replacement = Definition("vlmwown1", "<ForceReplace>1</ForceReplace>");
    {
        MessageBoxRecorder declined(IDCANCEL);
        window_->InstallServiceDefinition("vlmwown1", replacement, false, nullptr);
        ASSERT_EQ(declined.boxes.size(), 1u);
        EXPECT_EQ(declined.boxes[0].text, messages::FormatMessageText(MSG_STOP_BEFORE_INSTALL));
    }
    EXPECT_EQ(wintest::ServiceState("vlmwown1"), DWORD(SERVICE_RUNNING));
    {
        MessageBoxRecorder agreed(IDOK);
        window_->InstallServiceDefinition("vlmwown1", replacement, false, nullptr);
        ASSERT_EQ(agreed.boxes.size(), 2u) << agreed.boxes.back().text;
        EXPECT_EQ(agreed.boxes[0].text, messages::FormatMessageText(MSG_STOP_BEFORE_INSTALL));
        EXPECT_EQ(agreed.boxes[1].text, "The service was successfully installed.\r\n");
    }
    ASSERT_GE(Find("vlmwown1"), 0);
    EXPECT_EQ(window_->ServiceAt(Find("vlmwown1"))->Config()->lpBinaryPathName,
              wintest::ProgramFolder() + "\\Velmora.exe -s");
}

TEST_F(MainWindowFlows, FailedInstallShowsTheResultWithTheHostsOutput)
{
    services_.Track("vlmwbad");
    Open();
    const std::string bad = Definition("vlmwbad", "<Delay>soon</Delay>");
    std::string text, details;
    ModalRecorder result([&](ui::Dialog& shown) {
        text = ControlText(shown.Handle(), 1063);
        ModalRecorder inner([&](ui::Dialog& more) { details = ControlText(more.Handle(), 1061); });
        Command(shown, 1064);
    });
    window_->InstallServiceDefinition("vlmwbad", bad, true, nullptr);
    EXPECT_EQ(result.templates, std::vector<int>{146});
    EXPECT_EQ(text, "Error: The service installation failed.");
    EXPECT_TRUE(wintest::Contains(details, "Invalid value (soon) for element \"Delay\"")) << details;
    EXPECT_FALSE(wintest::ServiceExists("vlmwbad"));
}

void SetControlKey(bool down)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

// Keys go through the window's own modal loop, as they do when the program runs.
TEST_F(MainWindow, ControlAOpensAboutEnterExitsAndEscapeCancels)
{
    for (const WPARAM last : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) {
        app::ServiceManagerWindow window(wintest::ProgramFolder(), true);
        ModalRecorder about([](ui::Dialog&) {});
        Soon([&] {
            HWND list = window.Item(IDC_SERVICE_LIST);
            SetControlKey(true);
            PostMessageA(list, WM_KEYDOWN, 'A', 1);
            Soon([&window, last] {
                SetControlKey(false);
                PostMessageA(window.Item(IDC_SERVICE_LIST), WM_KEYDOWN, last, 1);
            });
        });
        EXPECT_EQ(window.RunModal(nullptr), last == VK_RETURN ? IDOK : IDCANCEL);
        EXPECT_EQ(about.templates, std::vector<int>{IDD_ABOUT});
    }
}

TEST_F(MainWindow, MenuAndAcceleratorsCarryTheCommands)
{
    Open();
    HMENU menu = GetMenu(window_->Handle());
    ASSERT_NE(menu, nullptr);
    struct Item {
        int menu;
        int position;
        UINT id;
        const char* text;
    };
    const Item items[] = {
        {0, 0, ID_FILE_SERVICES, "&Services Control Panel...\tCtrl+S"},
        {0, 1, ID_FILE_EVENT_VIEWER, "Event &Viewer...\tCtrl+V"},
        {0, 3, IDC_REFRESH, "Refres&h...\tF5"},
        {0, 5, IDCANCEL, "E&xit"},
        {1, 0, IDC_NEW, "&New...\tCtrl+N"},
        {1, 1, IDC_EDIT, "&Edit...\tCtrl+E"},
        {1, 2, IDC_REMOVE, "&Remove...\tCtrl+DEL"},
        {1, 4, IDC_START, "Start...\tCtrl+1"},
        {1, 5, IDC_STOP, "Stop...\tCtrl+2"},
        {1, 6, IDC_RESTART, "Restart...\tCtrl+3"},
        {1, 8, ID_SERVICE_VIEW_OUTPUT, "View &Output"},
        {1, 9, ID_SERVICE_VIEW_DEBUG_LOG, "View &Debug Log"},
        {2, 0, ID_HELP_WEB_SITE, "Visit &Web Site...\tCtrl+W"},
        {2, 1, ID_HELP_ABOUT, "&About...\tCtrl+A"},
    };
    for (const Item& item : items) {
        HMENU popup = GetSubMenu(menu, item.menu);
        char text[64] = {};
        GetMenuStringA(popup, item.position, text, sizeof text, MF_BYPOSITION);
        EXPECT_EQ(GetMenuItemID(popup, item.position), item.id) << item.text;
        EXPECT_STREQ(text, item.text);
    }
    for (int separator : {2, 4}) EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 0), separator), 0u);
    for (int separator : {3, 7}) EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 1), separator), 0u);

    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_ACCELERATORS));
    ACCEL accelerators[16] = {};
    const int count = CopyAcceleratorTableA(table, accelerators, 16);
    const std::vector<std::pair<WORD, WORD>> expected = {
        {'S', ID_FILE_SERVICES}, {'V', ID_FILE_EVENT_VIEWER}, {VK_F5, IDC_REFRESH},     {'N', IDC_NEW},
        {'E', IDC_EDIT},         {VK_DELETE, IDC_REMOVE},     {'1', IDC_START},         {'2', IDC_STOP},
        {'3', IDC_RESTART},      {'W', ID_HELP_WEB_SITE},     {'A', ID_HELP_ABOUT},
    };
    ASSERT_EQ(count, static_cast<int>(expected.size()));
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(accelerators[i].key, expected[i].first) << i;
        EXPECT_EQ(accelerators[i].cmd, expected[i].second) << i;
        const BYTE control = expected[i].first == VK_F5 ? 0 : FCONTROL;
        EXPECT_EQ(accelerators[i].fVirt & (FCONTROL | FVIRTKEY), control | FVIRTKEY) << i;
    }
}

TEST_F(MainWindow, ToolbarButtonsAndTheirTips)
{
    Open();
    HWND toolbar = window_->Item(IDC_TOOLBAR);
    ASSERT_NE(toolbar, nullptr);
    const std::vector<int> commands = {IDC_NEW, IDC_EDIT, IDC_REMOVE, 0, IDC_START, IDC_STOP, IDC_RESTART, 0,
                                       IDC_REFRESH};
    ASSERT_EQ(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0), static_cast<LRESULT>(commands.size()));
    for (size_t i = 0; i < commands.size(); ++i) {
        TBBUTTON button{};
        SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        EXPECT_EQ(button.idCommand, commands[i]) << i;
        EXPECT_EQ((button.fsStyle & BTNS_SEP) != 0, commands[i] == 0) << i;
        if (commands[i] != 0) {
            EXPECT_TRUE(button.fsState & TBSTATE_ENABLED) << i;
        }
    }
    const std::vector<std::pair<int, std::string>> tips = {
        {IDC_NEW, "Create a new service definition"}, {IDC_EDIT, "Edit the selected service"},
        {IDC_REMOVE, "Remove the selected service"},  {IDC_START, "Start the selected service"},
        {IDC_STOP, "Stop the selected service"},      {IDC_RESTART, "Restart the selected service"},
        {IDC_REFRESH, "Refresh (F5)"},                {IDOK, "Exit"},
        {IDC_OWN_ONLY, ""},
    };
    for (const auto& [id, text] : tips) {
        NMTTDISPINFOA narrow{};
        narrow.hdr.code = TTN_GETDISPINFOA;
        narrow.hdr.idFrom = static_cast<UINT_PTR>(id);
        SendMessageA(window_->Handle(), WM_NOTIFY, id, reinterpret_cast<LPARAM>(&narrow));
        EXPECT_EQ(std::string(narrow.lpszText ? narrow.lpszText : "?"), text) << id;
        NMTTDISPINFOW wide{};
        wide.hdr.code = TTN_GETDISPINFOW;
        wide.hdr.idFrom = static_cast<UINT_PTR>(id);
        SendMessageA(window_->Handle(), WM_NOTIFY, id, reinterpret_cast<LPARAM>(&wide));
        EXPECT_EQ(std::wstring(wide.lpszText ? wide.lpszText : L"?"), std::wstring(text.begin(), text.end())) << id;
    }
}

TEST_F(MainWindow, ToolsRunTheConsoleOrControlPanelForms)
{
    std::vector<std::pair<std::string, UINT>> launched;
    app::ProgramLauncher previous = app::SetProgramLauncher(
        [&](const std::string& command, UINT show) { launched.emplace_back(command, show); });
    const std::string system = app::SystemDirectory();
    for (bool console : {true, false}) {
        Open(console);
        Command(*window_, ID_FILE_SERVICES);
        Command(*window_, ID_FILE_EVENT_VIEWER);
        window_.reset();
    }
    app::SetProgramLauncher(std::move(previous));
    ASSERT_EQ(launched.size(), 4u);
    EXPECT_EQ(launched[0].first, "mmc.exe " + system + "\\services.msc /s");
    EXPECT_EQ(launched[1].first, "mmc.exe " + system + "\\eventvwr.msc /s");
    EXPECT_EQ(launched[2].first, "rundll32.exe shell32.dll,Control_RunDLL srvmgr.cpl Services");
    EXPECT_EQ(launched[3].first, "rundll32.exe shell32.dll,Control_RunDLL eventvwr.cpl EventViewer");
    for (const auto& run : launched) EXPECT_EQ(run.second, UINT(SW_SHOW));
}

// The registered browser command is read whole: one longer than 256 bytes is neither cut into a
// different command nor written past a buffer.
TEST_F(MainWindow, WebSiteOpensInTheRegisteredBrowser)
{
    const char* key = "htmlfile\\shell\\open\\command";
    const std::string longBrowser = "\"C:\\" + std::string(300, 'b') + "\\browser.exe\" -new";
    std::vector<std::pair<std::string, UINT>> launched;
    app::ProgramLauncher previous = app::SetProgramLauncher(
        [&](const std::string& command, UINT show) { launched.emplace_back(command, show); });
    Open();
    HKEY command = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &command, nullptr),
              ERROR_SUCCESS);
    char saved[1024] = {};
    DWORD savedSize = sizeof saved;
    const bool hadValue = RegQueryValueExA(command, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(saved),
                                           &savedSize) == ERROR_SUCCESS;
    for (const std::string& browser : {std::string("\"C:\\Tools\\browse.exe\""), longBrowser}) {
        RegSetValueExA(command, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(browser.c_str()),
                       static_cast<DWORD>(browser.size() + 1));
        Command(*window_, ID_HELP_WEB_SITE);
    }
    if (hadValue) {
        RegSetValueExA(command, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(saved), savedSize);
    } else {
        RegDeleteValueA(command, nullptr);
    }
    RegCloseKey(command);
    app::SetProgramLauncher(std::move(previous));
    ASSERT_EQ(launched.size(), 2u);
    EXPECT_EQ(launched[0].first, "\"C:\\Tools\\browse.exe\" http://www.marrowfield.example/velmora/");
    EXPECT_EQ(launched[1].first, longBrowser + " http://www.marrowfield.example/velmora/");
    EXPECT_EQ(launched[0].second, UINT(SW_SHOWMAXIMIZED));
}

}  // namespace
