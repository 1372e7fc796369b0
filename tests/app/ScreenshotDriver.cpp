// Drives a running service manager from outside for the scripts, one step per run:
//   title                    print the main window's caption
//   wait CAPTION             wait (up to 30 s) until a visible window has this caption
//   rect CAPTION             print the window's frame as WxH+X+Y for cropping
//   click CAPTION ID         post a click to control ID of the window
//   command CAPTION ID       post WM_COMMAND ID to the window
//   row CAPTION ID N         click row N of list view ID of the window
//   delete SERVICE           delete a service from the service database
// IDs are the names of the resource headers (IDC_SERVICE_LIST, IDOK, ...), so that the scripts
// hold no numbers. Windows are looked for on the virtual desktop named "velmora", where the
// scripts start the program.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "MainWindowIds.h"
#include "Product.h"
#include "ResourceIds.h"

namespace {

struct NamedId {
    const char* name;
    int id;
};

#define VELMORA_ID(name) {#name, name}
const NamedId kIds[] = {
    VELMORA_ID(IDOK), VELMORA_ID(IDCANCEL),
    // The main window, its menu and the About box.
    VELMORA_ID(IDC_NEW), VELMORA_ID(IDC_EDIT), VELMORA_ID(IDC_REMOVE), VELMORA_ID(IDC_START), VELMORA_ID(IDC_STOP),
    VELMORA_ID(IDC_RESTART), VELMORA_ID(IDC_REFRESH), VELMORA_ID(IDC_OWN_ONLY), VELMORA_ID(IDC_SERVICE_LIST),
    VELMORA_ID(ID_HELP_ABOUT), VELMORA_ID(ID_HELP_WEB_SITE), VELMORA_ID(ID_FILE_SERVICES),
    VELMORA_ID(ID_FILE_EVENT_VIEWER), VELMORA_ID(IDC_ABOUT_DETAILS), VELMORA_ID(IDC_ABOUT_SYSTEM_INFO),
    // The host runner's result dialogs.
    VELMORA_ID(IDC_RESULT_DETAILS),
};
#undef VELMORA_ID

// The id of a name in kIds; 0 (no control) for an unknown name.
int IdNamed(const char* name)
{
    for (const NamedId& known : kIds) {
        if (std::strcmp(known.name, name) == 0) return known.id;
    }
    std::fprintf(stderr, "no id named \"%s\"\n", name);
    return 0;
}

HWND Find(const char* caption)
{
    bool onDesktop = false;
    for (int i = 0; i < 300; ++i) {
        // Window searches see only the caller's desktop, which the program may not have made yet.
        if (!onDesktop) {
            if (HDESK desktop = OpenDesktopA("velmora", 0, FALSE, GENERIC_ALL)) onDesktop = SetThreadDesktop(desktop);
        }
        HWND window = FindWindowA(nullptr, caption);
        if (window && IsWindowVisible(window)) return window;
        Sleep(100);
    }
    std::fprintf(stderr, "no window \"%s\"\n", caption);
    return nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "title") == 0) {
        std::printf("%s\n", app::MainWindowTitle().c_str());
        return 0;
    }
    if (argc < 3) return 2;
    const char* step = argv[1];
    if (std::strcmp(step, "delete") == 0) {
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        SC_HANDLE service = manager ? OpenServiceA(manager, argv[2], DELETE) : nullptr;
        const bool deleted = service && DeleteService(service);
        if (service) CloseServiceHandle(service);
        if (manager) CloseServiceHandle(manager);
        return deleted ? 0 : 1;
    }
    // An unknown id fails at once rather than after the wait for the window.
    const int id = argc > 3 ? IdNamed(argv[3]) : 0;
    if (argc > 3 && id == 0) return 2;
    HWND window = Find(argv[2]);
    if (!window) return 1;
    if (std::strcmp(step, "wait") == 0) return 0;
    if (std::strcmp(step, "rect") == 0) {
        RECT frame{};
        GetWindowRect(window, &frame);
        std::printf("%ldx%ld+%ld+%ld\n", frame.right - frame.left, frame.bottom - frame.top, frame.left, frame.top);
        return 0;
    }
    if (argc < 4) return 2;
    if (std::strcmp(step, "click") == 0) return PostMessageA(GetDlgItem(window, id), BM_CLICK, 0, 0) ? 0 : 1;
    if (std::strcmp(step, "command") == 0) return PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0) ? 0 : 1;
    if (std::strcmp(step, "row") == 0 && argc == 5) {
        // Item rectangles cannot be asked for across processes; rows sit below the header at the
        // height of a small icon and a line.
        HWND header = FindWindowExA(GetDlgItem(window, id), nullptr, "SysHeader32", nullptr);
        RECT below{};
        if (!header || !GetWindowRect(header, &below)) return 1;
        SetForegroundWindow(window);
        SetCursorPos(below.left + 60, below.bottom + 8 + 17 * std::atoi(argv[4]));
        INPUT click[2]{};
        click[0].type = click[1].type = INPUT_MOUSE;
        click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        return SendInput(2, click, sizeof(INPUT)) == 2 ? 0 : 1;
    }
    return 2;
}
