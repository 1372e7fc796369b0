// send_ctrl_c PID: presses Ctrl-C in the console of process PID, as a user at that console
// would. Joining another console means leaving one's own, so tests run this apart.
#include <windows.h>

#include <cstdlib>

namespace {
BOOL WINAPI Ignore(DWORD) { return TRUE; }
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    SetConsoleCtrlHandler(Ignore, TRUE);
    FreeConsole();
    if (!AttachConsole(std::strtoul(argv[1], nullptr, 10))) return 3;
    return GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) ? 0 : 4;
}
