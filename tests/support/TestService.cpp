// A minimal service for the tests: it runs until stopped and can be paused and continued.
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
    Report(SERVICE_STOPPED);
}

}  // namespace

int main()
{
    char name[] = "";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
