// A minimal service for the tests: it runs until stopped and can be paused and continued. While a
// file "hold-stop" is beside it, a stop stays pending without progress (for at most two minutes),
// as a service that does not stop would.
#include <windows.h>

namespace {

SERVICE_STATUS_HANDLE statusHandle = nullptr;
SERVICE_STATUS status{};
HANDLE stopEvent = nullptr;

void Report(DWORD state)
{
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_START_PENDING ? 0 : SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE;
    status.dwWin32ExitCode = NO_ERROR;
    status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED || state == SERVICE_PAUSED ? 0 : 2000;
    SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI Control(DWORD control, DWORD, LPVOID, LPVOID)
{
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        Report(SERVICE_STOP_PENDING);
        SetEvent(stopEvent);
        return NO_ERROR;
    case SERVICE_CONTROL_PAUSE:
        Report(SERVICE_PAUSED);
        return NO_ERROR;
    case SERVICE_CONTROL_CONTINUE:
        Report(SERVICE_RUNNING);
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD argc, LPSTR* argv)
{
    statusHandle = RegisterServiceCtrlHandlerExA(argc > 0 ? argv[0] : "", Control, nullptr);
    if (!statusHandle) return;
    stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Report(SERVICE_RUNNING);
    WaitForSingleObject(stopEvent, INFINITE);
    CloseHandle(stopEvent);
    // No C++ runtime: the tests copy this program alone into other folders.
    char hold[MAX_PATH + 16] = {};
    DWORD length = GetModuleFileNameA(nullptr, hold, MAX_PATH);
    if (length >= MAX_PATH) length = 0;
    while (length > 0 && hold[length - 1] != '\\') --length;
    lstrcpyA(hold + length, "hold-stop");
    for (int i = 0; i < 1200 && GetFileAttributesA(hold) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
    Report(SERVICE_STOPPED);
}

}  // namespace

int main()
{
    char name[] = "";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
