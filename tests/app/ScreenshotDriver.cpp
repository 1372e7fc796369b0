// Drives a running service manager from outside for the screenshot script, one step per run:
//   wait CAPTION             wait (up to 30 s) until a visible window has this caption
//   rect CAPTION             print the window's frame as WxH+X+Y for cropping
//   click CAPTION ID         post a click to control ID of the window
//   command CAPTION ID       post WM_COMMAND ID to the window
//   row CAPTION ID N         click row N of list view ID of the window
//   delete SERVICE           delete a service from the service database
// Windows are looked for on the virtual desktop named "velmora", where the script starts the
// program.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

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
    const int id = std::atoi(argv[3]);
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
