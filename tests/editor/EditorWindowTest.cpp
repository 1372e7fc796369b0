#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "DefinitionWriter.h"
#include "EditorIds.h"
#include "EditorTestSupport.h"
#include "Messages.h"
#include "Seams.h"

namespace {

using definition_writer::DefinitionText;
using definition_writer::NewDefinition;

void Pump()
{
    MSG message{};
    for (int i = 0; i < 20; ++i) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    }
}

std::string Tooltip(editor::ServiceEditorDialog& editor, UINT_PTR command)
{
    NMTTDISPINFOA info{};
    info.hdr.hwndFrom = editor.Toolbar();
    info.hdr.idFrom = command;
    info.hdr.code = TTN_GETDISPINFOA;
    SendMessageA(editor.Handle(), WM_NOTIFY, command, reinterpret_cast<LPARAM>(&info));
    return info.lpszText ? info.lpszText : "";
}

std::wstring WideTooltip(editor::ServiceEditorDialog& editor, UINT_PTR command)
{
    NMTTDISPINFOW info{};
    info.hdr.idFrom = command;
    info.hdr.code = TTN_GETDISPINFOW;
    SendMessageA(editor.Handle(), WM_NOTIFY, command, reinterpret_cast<LPARAM>(&info));
    return info.lpszText ? info.lpszText : L"";
}

TEST(ServiceEditor, WindowHasItsToolbarSheetAndPagesWithTheShortNameFocused)
{
    EditorFixture f;
    editor::ServiceEditorDialog& editor = f.Editor();
    EXPECT_EQ(editor.TemplateId(), 159);
    EXPECT_EQ(editor.Title(), "New Service Definition");

    HWND toolbar = editor.Toolbar();
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(GetDlgCtrlID(toolbar), 160);
    const LONG toolbarStyle = GetWindowLongA(toolbar, GWL_STYLE);
    EXPECT_TRUE(toolbarStyle & TBSTYLE_TOOLTIPS);
    EXPECT_TRUE(toolbarStyle & WS_BORDER);
    EXPECT_EQ(toolbarStyle & CCS_TOP, CCS_TOP);
    std::vector<int> commands;
    const int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        commands.push_back(button.fsStyle & BTNS_SEP ? 0 : button.idCommand);
        if (!(button.fsStyle & BTNS_SEP)) {
            EXPECT_TRUE(button.fsState & TBSTATE_ENABLED);
        }
    }
    EXPECT_EQ(commands, (std::vector<int>{1077, 1078, 1075, 1076, 0, 1073}));

    const struct {
        int command;
        const char* tip;
    } tips[] = {{1077, "New service definition"},
                {1078, "Open a service definition file"},
                {1075, "Save the service definition to the current file"},
                {1076, "Save the service definition as a chosen file"},
                {1073, "View the service definition (as XML)"},
                {4711, ""}};
    for (const auto& tip : tips) {
        SCOPED_TRACE(tip.command);
        EXPECT_EQ(Tooltip(editor, tip.command), tip.tip);
        const std::string ansi = tip.tip;
        EXPECT_EQ(WideTooltip(editor, tip.command), std::wstring(ansi.begin(), ansi.end()));
    }

    HWND sheet = editor.Sheet().Handle();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(GetParent(sheet), editor.Handle());
    EXPECT_TRUE(GetWindowLongA(sheet, GWL_STYLE) & WS_CHILD);
    EXPECT_TRUE(GetWindowLongA(sheet, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    RECT frame{}, placed{};
    GetWindowRect(editor.Item(1074), &frame);
    GetWindowRect(sheet, &placed);
    EXPECT_EQ(placed.left, frame.left - 7);
    EXPECT_EQ(placed.top, frame.top - 7);

    HWND tabs = PropSheet_GetTabControl(sheet);
    const char* titles[] = {"Program", "Settings", "Dependencies", "Environment", "Pre-service / Post-service",
                            "Output", "Supervision", "Log On / Recovery", "Health", "Limits", "Notify"};
    ASSERT_EQ(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0), 11);
    for (int i = 0; i < 11; ++i) {
        char text[64] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(text, titles[i]);
        // Every page window exists before any command gathers the pages.
        EXPECT_NE(f.Page(i), nullptr) << titles[i];
    }
    EXPECT_EQ(editor.Sheet().ActiveIndex(), kProgramPage);

    EXPECT_TRUE(IsWindowVisible(editor.Item(1072)));
    EXPECT_EQ(ui::WindowText(editor.Item(1072)), "&Install");
    EXPECT_TRUE(IsWindowVisible(editor.Item(IDCANCEL)));
    EXPECT_EQ(LOWORD(SendMessageA(editor.Handle(), DM_GETDEFID, 0, 0)), IDCANCEL);
    for (int hidden : {1, 1073, 1075, 1076, 1077, 1078}) EXPECT_FALSE(IsWindowVisible(editor.Item(hidden))) << hidden;

    Pump();
    EXPECT_EQ(GetFocus(), GetDlgItem(f.Page(kProgramPage), 1000));
}

// A real mouse click at a button's centre reaches that button: the sheet, sized by its largest
// page, stays clear of Install and Cancel, which once lay under its bottom edge.
TEST(ServiceEditor, MouseClicksReachInstallAndCancelBelowTheSheet)
{
    EditorFixture f;
    f.FillValid("Relay6");
    editor::ServiceEditorDialog& editor = f.Editor();
    RECT sheet{};
    GetWindowRect(editor.Sheet().Handle(), &sheet);
    const auto click = [&](int id, const std::function<bool()>& acted) {
        RECT button{};
        GetWindowRect(editor.Item(id), &button);
        EXPECT_GT(button.top, sheet.bottom) << id;
        SetForegroundWindow(editor.Handle());
        SetCursorPos((button.left + button.right) / 2, (button.top + button.bottom) / 2);
        INPUT press[2]{};
        press[0].type = press[1].type = INPUT_MOUSE;
        press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        ASSERT_EQ(SendInput(2, press, sizeof(INPUT)), 2u);
        for (int round = 0; round < 200 && !acted(); ++round) Pump();
        EXPECT_TRUE(acted()) << id;
    };
    click(1072, [&] { return f.owner.installs.size() == 1; });
    click(IDCANCEL, [&] { return editor.Handle() == nullptr; });
}

TEST(ServiceEditor, InstallChecksTheRulesInOrderAndFocusesTheOffendingControl)
{
    struct Case {
        const char* what;
        std::function<void(EditorFixture&)> change;
        unsigned message;  // 0: installed
        int page;
        int control;
    };
    const Case cases[] = {
        {"no name, no display name", [](EditorFixture& f) { f.SetText(kProgramPage, 1000, ""); f.SetText(kProgramPage, 1037, ""); },
         0x6d, kProgramPage, 1000},
        {"no display name", [](EditorFixture& f) { f.SetText(kProgramPage, 1037, ""); }, 0x6e, kProgramPage, 1037},
        {"name begins with a digit", [](EditorFixture& f) { f.SetText(kProgramPage, 1000, "9Relay"); }, 0x6f,
         kProgramPage, 1000},
        {"name with a hyphen", [](EditorFixture& f) { f.SetText(kProgramPage, 1000, "mail-relay"); }, 0x70,
         kProgramPage, 1000},
        {"name with a blank", [](EditorFixture& f) { f.SetText(kProgramPage, 1000, "mail relay"); }, 0x70,
         kProgramPage, 1000},
        {"no executable", [](EditorFixture& f) { f.SetText(kProgramPage, 1006, ""); }, 0x4b0, kProgramPage, 1006},
        {"missing executable", [](EditorFixture& f) { f.SetText(kProgramPage, 1006, f.folder + "\\none.exe"); },
         0x4b1, kProgramPage, 1006},
        {"executable is a folder", [](EditorFixture& f) { f.SetText(kProgramPage, 1006, f.folder); }, 0x4b2,
         kProgramPage, 1006},
        {"executable is a text file",
         [](EditorFixture& f) { f.SetText(kProgramPage, 1006, f.dir.Write("notes.txt", "x")); }, 0x4b3, kProgramPage,
         1006},
        {"no working directory", [](EditorFixture& f) { f.SetText(kProgramPage, 1005, ""); }, 0x4b5, kProgramPage,
         1005},
        {"missing working directory", [](EditorFixture& f) { f.SetText(kProgramPage, 1005, f.folder + "\\gone"); },
         0x4b6, kProgramPage, 1005},
        {"working directory is a file", [](EditorFixture& f) { f.SetText(kProgramPage, 1005, f.program); }, 0x4b7,
         kProgramPage, 1005},
        {"pre-service program missing",
         [](EditorFixture& f) { f.SetText(kPrePostPage, 1049, f.folder + "\\pre.exe"); }, 0x4ca, kPrePostPage, 1049},
        {"pre-service program without its folder", [](EditorFixture& f) { f.SetText(kPrePostPage, 1049, f.program); },
         0x4cd, kPrePostPage, 1048},
        {"post-service folder is a file",
         [](EditorFixture& f) {
             f.SetText(kPrePostPage, 1013, f.program);
             f.SetText(kPrePostPage, 1011, f.program);
         },
         0x4e8, kPrePostPage, 1011},
        {"pre-service block without a program is not checked",
         [](EditorFixture& f) {
             f.SetText(kPrePostPage, 1048, "Q:\\nowhere");
             f.SetText(kPrePostPage, 1050, "-x");
         },
         0, 0, 0},
        {"monitoring interval 49", [](EditorFixture& f) { f.SetText(kSettingsPage, 1041, "49"); }, 0x71,
         kSettingsPage, 1041},
        {"monitoring interval 50", [](EditorFixture& f) { f.SetText(kSettingsPage, 1041, "50"); }, 0, 0, 0},
        {"blank output file", [](EditorFixture& f) { f.SetText(kOutputPage, 1080, " \t"); }, 0x4fb, kOutputPage,
         1080},
        {"blank error file", [](EditorFixture& f) { f.SetText(kOutputPage, 1082, " "); }, 0x4fc, kOutputPage, 1082},
        {"size with a unit", [](EditorFixture& f) { f.SetText(kOutputPage, 1084, "10 MB"); }, 0x4fd, kOutputPage,
         1084},
        {"size beyond 32 bits", [](EditorFixture& f) { f.SetText(kOutputPage, 1084, "4294967296"); }, 0x4fe,
         kOutputPage, 1084},
        {"1001 files kept", [](EditorFixture& f) { f.SetText(kOutputPage, 1086, "1001"); }, 0x4ff, kOutputPage, 1086},
        {"negative files kept", [](EditorFixture& f) { f.SetText(kOutputPage, 1086, "-1"); }, 0x4ff, kOutputPage,
         1086},
        {"program rules before output rules",
         [](EditorFixture& f) {
             f.SetText(kProgramPage, 1000, "");
             f.SetText(kOutputPage, 1084, "x");
         },
         0x6d, kProgramPage, 1000},
        {"output at its limits",
         [](EditorFixture& f) {
             f.SetText(kOutputPage, 1084, "4294967295");
             f.SetText(kOutputPage, 1086, "0");
         },
         0, 0, 0},
        {"stop timeout 600001", [](EditorFixture& f) { f.SetText(kSupervisionPage, 1093, "600001"); }, 0x500,
         kSupervisionPage, 1093},
        {"stop timeout with a unit", [](EditorFixture& f) { f.SetText(kSupervisionPage, 1093, "5 s"); }, 0x500,
         kSupervisionPage, 1093},
        {"stop program without its folder", [](EditorFixture& f) { f.SetText(kSupervisionPage, 1090, f.program); },
         0x505, kSupervisionPage, 1088},
        {"stop folder without a program", [](EditorFixture& f) { f.SetText(kSupervisionPage, 1088, f.folder); },
         0x501, kSupervisionPage, 1090},
        {"stop program that does not exist",
         [](EditorFixture& f) {
             f.SetText(kSupervisionPage, 1088, f.folder);
             f.SetText(kSupervisionPage, 1090, f.folder + "\\none.exe");
         },
         0x502, kSupervisionPage, 1090},
        {"negative restart limit", [](EditorFixture& f) { f.SetText(kSupervisionPage, 1098, "-1"); }, 0x508,
         kSupervisionPage, 1098},
        {"restart period 0", [](EditorFixture& f) { f.SetText(kSupervisionPage, 1099, "0"); }, 0x509,
         kSupervisionPage, 1099},
        {"restart period over a day", [](EditorFixture& f) { f.SetText(kSupervisionPage, 1099, "86400001"); },
         0x509, kSupervisionPage, 1099},
        {"output rules before supervision rules",
         [](EditorFixture& f) {
             f.SetText(kSupervisionPage, 1099, "0");
             f.SetText(kOutputPage, 1086, "1001");
         },
         0x4ff, kOutputPage, 1086},
        {"supervision at its limits",
         [](EditorFixture& f) {
             f.SetText(kSupervisionPage, 1093, "600000");
             f.SetText(kSupervisionPage, 1088, f.folder);
             f.SetText(kSupervisionPage, 1090, f.program);
             f.SetText(kSupervisionPage, 1098, "4294967295");
             f.SetText(kSupervisionPage, 1099, "86400000");
         },
         0, 0, 0},
        {"the desktop with the Local Service account",
         [](EditorFixture& f) {
             CheckDlgButton(f.Page(kSettingsPage), 1002, BST_CHECKED);
             f.Choose(kLogOnPage, 1103, 1);
         },
         0x511, kSettingsPage, 1002},
        {"delayed manual start",
         [](EditorFixture& f) {
             CheckDlgButton(f.Page(kLogOnPage), 1105, BST_CHECKED);
             SendMessageA(GetDlgItem(f.Page(kSettingsPage), 1015), CB_SETCURSEL, 0, 0);
         },
         0x512, kLogOnPage, 1105},
        {"an account left blank", [](EditorFixture& f) { f.Choose(kLogOnPage, 1103, 5); }, 0x50e, kLogOnPage, 1104},
        {"pre-shutdown timeout with a unit", [](EditorFixture& f) { f.SetText(kLogOnPage, 1106, "30 s"); }, 0x513,
         kLogOnPage, 1106},
        {"a program to run without the program", [](EditorFixture& f) { f.Choose(kLogOnPage, 1111, 3); }, 0x517,
         kLogOnPage, 1114},
        {"log on and recovery at their limits",
         [](EditorFixture& f) {
             f.Choose(kLogOnPage, 1103, 4);
             f.SetText(kLogOnPage, 1104, "CORP\\relay$");
             CheckDlgButton(f.Page(kLogOnPage), 1105, BST_CHECKED);
             f.SetText(kLogOnPage, 1106, "600000");
             f.Choose(kLogOnPage, 1107, 2);
             f.SetText(kLogOnPage, 1108, "86400000");
             f.SetText(kLogOnPage, 1110, "0");
             f.SetText(kLogOnPage, 1113, "4294967295");
         },
         0, 0, 0},
    };
    EditorFixture f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        f.Click(1077);
        f.Editor().Sheet().SetActivePage(kDependenciesPage);
        f.FillValid();
        c.change(f);
        f.owner.installs.clear();
        MessageBoxRecorder boxes;
        f.Click(1072);
        if (c.message == 0) {
            EXPECT_TRUE(boxes.boxes.empty());
            EXPECT_EQ(f.owner.installs.size(), 1u);
            continue;
        }
        EXPECT_TRUE(f.owner.installs.empty());
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, messages::FormatMessageText(c.message));
        EXPECT_EQ(boxes.boxes[0].style, UINT(MB_OK | MB_ICONSTOP));
        EXPECT_EQ(f.Editor().Sheet().ActiveIndex(), c.page);
        EXPECT_EQ(GetFocus(), GetDlgItem(f.Page(c.page), c.control));
    }
}

TEST(ServiceEditor, InstallHandsTheTemporaryFileOverWithTheStartFlagOnlyForAutomatic)
{
    EditorFixture f;
    f.FillValid("Relay2");
    const struct {
        int mode;
        bool start;
    } cases[] = {{0, false}, {1, true}, {2, false}};
    HWND mode = GetDlgItem(f.Page(kSettingsPage), 1015);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        SendMessageA(mode, CB_SETCURSEL, c.mode, 0);
        f.owner.installs.clear();
        f.Click(1072);
        ASSERT_EQ(f.owner.installs.size(), 1u);
        const FakeOwner::InstallCall& call = f.owner.installs[0];
        EXPECT_EQ(call.name, "Relay2");
        EXPECT_EQ(call.path, f.Editor().TemporaryPath());
        EXPECT_EQ(call.start, c.start);
        EXPECT_EQ(call.content, DefinitionText(f.Editor().Record()));
        EXPECT_EQ(f.Editor().Record().StartUpMode, static_cast<unsigned>(c.mode));
    }
}

TEST(ServiceEditor, SaveWithoutAFileIsSaveAsAndNewKeepsTheFile)
{
    EditorFixture f;
    const std::string file = (f.dir.Path() / "relay.xml").string();
    f.FillValid("Relay3");
    {
        FileChooserStub files;
        files.answers.push_back(file);
        f.Click(1075);
        ASSERT_EQ(files.requests.size(), 1u);
        const editor::FileRequest& request = files.requests[0];
        EXPECT_TRUE(request.save);
        EXPECT_EQ(request.defaultExtension, "xml");
        EXPECT_EQ(request.initialName, "");
        using Filters = std::vector<std::pair<std::string, std::string>>;
        EXPECT_EQ(request.filters, (Filters{{"XML Files (*.xml)", "*.xml"}, {"All Files (*.*)", "*.*"}}));
    }
    EXPECT_EQ(f.Editor().CurrentPath(), file);
    EXPECT_EQ(ReadFile(file), DefinitionText(f.Editor().Record()));
    EXPECT_EQ(f.Editor().Record().Name, "Relay3");

    // New keeps the file, so the next Save overwrites it, without asking.
    f.Click(1077);
    EXPECT_EQ(f.Text(kProgramPage, 1000), "");
    {
        FileChooserStub files;
        f.Click(1075);
        EXPECT_TRUE(files.requests.empty());
    }
    EXPECT_EQ(ReadFile(file), DefinitionText(NewDefinition()));

    // Save As starts from the current file; a cancelled dialog changes nothing.
    {
        FileChooserStub files;
        f.Click(1076);
        ASSERT_EQ(files.requests.size(), 1u);
        EXPECT_EQ(files.requests[0].initialName, file);
    }
    EXPECT_EQ(f.Editor().CurrentPath(), file);
}

// A recovery that restarts the computer is asked about once before it is saved: No saves nothing
// and shows the step, Yes saves, and the same steps are not asked about again.
TEST(ServiceEditor, ARecoveryThatRestartsTheComputerIsAskedAboutOnce)
{
    EditorFixture f;
    const std::string file = (f.dir.Path() / "reboot.xml").string();
    f.FillValid("Relay5");
    f.Choose(kLogOnPage, IDC_RECOVERY_SECOND, 2);
    const auto save = [&](int answer) {
        FileChooserStub files;
        files.answers.push_back(file);
        MessageBoxRecorder boxes(answer);
        f.Click(1076);
        return boxes.boxes;
    };
    const std::vector<MessageBoxRecorder::Box> refused = save(IDNO);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].text, messages::FormatMessageText(MSG_RECOVERY_RESTARTS_COMPUTER, {"its second failure"}));
    EXPECT_EQ(refused[0].style & MB_TYPEMASK, UINT(MB_YESNO));
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(GetFocus(), GetDlgItem(f.Page(kLogOnPage), IDC_RECOVERY_SECOND));

    EXPECT_EQ(save(IDYES).size(), 1u);
    EXPECT_EQ(ReadFile(file), DefinitionText(f.Editor().Record()));
    EXPECT_TRUE(save(IDNO).empty()) << "asked once";
}

TEST(ServiceEditor, FailedSaveTellsTheUserWhatWasNotWritten)
{
    EditorFixture f;
    f.FillValid("Relay4");
    // A folder of that name cannot be replaced by a file; neither can a file in a missing folder.
    const std::string taken = f.dir.Folder("taken.xml");
    const std::string nowhere = (f.dir.Path() / "no such folder" / "relay.xml").string();
    for (const std::string& target : {taken, nowhere}) {
        SCOPED_TRACE(target);
        FileChooserStub files;
        files.answers.push_back(target);
        MessageBoxRecorder boxes;
        f.Click(1076);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_NE(boxes.boxes[0].text.find(target), std::string::npos);
        EXPECT_EQ(boxes.boxes[0].style & MB_ICONMASK, UINT(MB_ICONSTOP));
    }
    EXPECT_EQ(GetFileAttributesA(taken.c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(FileExists(nowhere));
}

TEST(ServiceEditor, EachEditorHasItsOwnTemporaryFileWhichGoesWhenItCloses)
{
    FakeOwner owner;
    editor::ServiceEditorDialog first(owner);
    editor::ServiceEditorDialog second(owner);
    ASSERT_TRUE(first.Open("New Service Definition"));
    ASSERT_TRUE(second.Open("New Service Definition"));
    const std::string firstFile = first.TemporaryPath();
    const std::string secondFile = second.TemporaryPath();
    EXPECT_NE(firstFile, secondFile);
    for (const std::string& file : {firstFile, secondFile}) {
        EXPECT_NE(file.find("VLSvcConfig"), std::string::npos) << file;
        EXPECT_EQ(ReadFile(file), DefinitionText(NewDefinition()));
    }
    const struct {
        const char* what;
        std::function<void(editor::ServiceEditorDialog&)> close;
    } closers[] = {
        {"Cancel", [](editor::ServiceEditorDialog& e) { SendMessageA(e.Handle(), WM_COMMAND, IDCANCEL, 0); }},
        {"window close",
         [](editor::ServiceEditorDialog& e) {
             SendMessageA(e.Handle(), WM_CLOSE, 0, 0);
             Pump();  // the dialog manager posts the close as Cancel
         }},
    };
    SCOPED_TRACE(closers[0].what);
    closers[0].close(first);
    EXPECT_EQ(first.Handle(), nullptr);
    EXPECT_TRUE(first.TemporaryPath().empty());
    EXPECT_FALSE(FileExists(firstFile));
    EXPECT_TRUE(FileExists(secondFile));
    SCOPED_TRACE(closers[1].what);
    closers[1].close(second);
    EXPECT_EQ(second.Handle(), nullptr);
    EXPECT_FALSE(FileExists(secondFile));
}

TEST(ServiceEditor, ViewXmlWritesThePagesAndOpensNotepadOnTheFile)
{
    EditorFixture f;
    f.FillValid("Relay5");
    f.SetText(kProgramPage, 1000, "");  // View XML does not validate
    ProgramStarterStub starter;
    f.Click(1073);
    ASSERT_EQ(starter.commands.size(), 1u);
    EXPECT_EQ(starter.commands[0], "notepad " + f.Editor().TemporaryPath());
    EXPECT_EQ(ReadFile(f.Editor().TemporaryPath()), DefinitionText(f.Editor().Record()));
    EXPECT_NE(ReadFile(f.Editor().TemporaryPath()).find("<DisplayName>Relay Relay5</DisplayName>"), std::string::npos);
}

TEST(ServiceEditor, InstallAndViewXmlStopWithAMessageWhenTheTemporaryFileCannotBeWritten)
{
    EditorFixture f;
    f.FillValid("Relay6");
    // A folder in the temporary file's place cannot be replaced by a file.
    const std::string temporary = f.Editor().TemporaryPath();
    ASSERT_TRUE(DeleteFileA(temporary.c_str()));
    ASSERT_TRUE(CreateDirectoryA(temporary.c_str(), nullptr));
    ProgramStarterStub starter;
    for (int command : {1072, 1073}) {
        SCOPED_TRACE(command);
        MessageBoxRecorder boxes;
        f.Click(command);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_NE(boxes.boxes[0].text.find("temporary file"), std::string::npos);
        EXPECT_NE(boxes.boxes[0].text.find(temporary), std::string::npos);
    }
    EXPECT_TRUE(starter.commands.empty());
    EXPECT_TRUE(f.owner.installs.empty());
    RemoveDirectoryA(temporary.c_str());
}

TEST(ServiceEditor, OpenOfAnInvalidFileShowsTheLibraryErrorsAndLeavesTheRecordReset)
{
    EditorFixture f;
    f.FillValid("Relay7");
    f.Editor().PagesToRecord();
    const std::string bad = f.dir.Write("bad.xml", DefinitionDir::Xml("<Name>9bad</Name>"));

    FileChooserStub files;
    files.answers.push_back(bad);
    std::vector<int> shown;
    std::string title, message, details;
    ModalRecorder dialogs([&](ui::Dialog& dialog) {
        shown.push_back(dialog.TemplateId());
        if (dialog.TemplateId() == 146) {
            title = dialog.Title();
            message = dialog.ItemText(1063);
            SendMessageA(dialog.Handle(), WM_COMMAND, MAKEWPARAM(1064, BN_CLICKED), 0);
        } else {
            details = dialog.ItemText(1061);
        }
    });
    f.Click(1078);
    ASSERT_EQ(files.requests.size(), 1u);
    EXPECT_FALSE(files.requests[0].save);
    EXPECT_EQ(files.requests[0].defaultExtension, "xml");
    EXPECT_EQ(shown, (std::vector<int>{146, 155}));
    EXPECT_EQ(title, "File Open Error");
    EXPECT_EQ(message, "Error: Invalid service config; file not loaded.");
    EXPECT_EQ(details.rfind("Invalid service configuration, errors are as follows:", 0), 0u) << details;
    EXPECT_GT(details.size(), std::string("Invalid service configuration, errors are as follows:\r\n").size());

    EXPECT_EQ(f.Editor().CurrentPath(), bad);
    EXPECT_EQ(DefinitionText(f.Editor().Record()), DefinitionText(NewDefinition()));
    // The pages still show what they showed before.
    EXPECT_EQ(f.Text(kProgramPage, 1000), "Relay7");
}

TEST(ServiceEditor, OpenShowsTheFileInTheInstallationDirectoryAndPutsTheCurrentDirectoryBack)
{
    EditorFixture f;
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, before);
    // Written beside no DTD: it is found through the installation directory.
    TempDir elsewhere;
    const std::string file = elsewhere.Write(
        "relay.xml", DefinitionDir::Xml(DefinitionDir::Required("Relay8", f.program, f.folder) +
                                            "<Description>Tom &amp; Jerry</Description>",
                                        "<Environment><Variable Name=\"HOME\">D:\\relay</Variable></Environment>"));
    ASSERT_TRUE(f.OpenFile(file));
    char after[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(after, before);
    EXPECT_EQ(f.Editor().Record().Name, "Relay8");
    EXPECT_EQ(f.Text(kProgramPage, 1000), "Relay8");
    EXPECT_EQ(f.Text(kProgramPage, 1004), "Tom & Jerry");
    HWND list = GetDlgItem(f.Page(kEnvironmentPage), 1059);
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(CellText(list, 0, 0), "HOME");
    EXPECT_EQ(CellText(list, 0, 1), "D:\\relay");
}

}  // namespace

namespace {

// A definition in other scripts opens with its texts as written, in the wide view of the
// controls too, and saves to the same bytes.
TEST(ServiceEditor, TextsInOtherScriptsShowAsWrittenAndSaveToTheSameBytes)
{
    EditorFixture f;
    ServiceDefinition d = NewDefinition();
    d.Name = "Relay9";
    d.DisplayName = u8"Служба примера";
    d.Description = u8"Περιγραφή: 你好 🙂";
    d.Service = {f.program, f.folder, u8"--слово", 3000};
    d.Environment = {{"GREETING", u8"你好，世界"}};
    const std::string file = (f.dir.Path() / "intl.xml").string();
    ASSERT_TRUE(definition_writer::WriteDefinitionFile(d, file));
    ASSERT_TRUE(f.OpenFile(file));

    const struct {
        int id;
        const wchar_t* shown;
    } fields[] = {{1037, L"Служба примера"}, {1004, L"Περιγραφή: 你好 🙂"}, {1009, L"--слово"}};
    for (const auto& field : fields) {
        wchar_t text[128] = {};
        GetDlgItemTextW(f.Page(kProgramPage), field.id, text, 128);
        EXPECT_STREQ(text, field.shown) << field.id;
    }
    wchar_t value[64] = {};
    LVITEMW cell{};
    cell.iSubItem = 1;
    cell.pszText = value;
    cell.cchTextMax = 64;
    SendMessageW(GetDlgItem(f.Page(kEnvironmentPage), 1059), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&cell));
    EXPECT_STREQ(value, L"你好，世界");

    const std::string saved = (f.dir.Path() / "saved.xml").string();
    {
        FileChooserStub files;
        files.answers.push_back(saved);
        f.Click(1076);
    }
    EXPECT_EQ(ReadFile(saved), ReadFile(file));
}

}  // namespace
