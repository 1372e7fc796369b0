// Stands in for the programs the recipes in examples/ run (node.exe, java.exe, python.exe), so
// that the recipes can be installed and run as written. It says how it was started, serves
// HTTP 200 on 127.0.0.1 at the port its PORT or SERVER_PORT variable names (when one does), and
// ends on Ctrl-C, saying so, as a program whose shutdown hooks run.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

HANDLE stopped = nullptr;

BOOL WINAPI OnControl(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    std::printf("standin: shutdown on Ctrl-C\n");
    std::fflush(stdout);
    SetEvent(stopped);
    return TRUE;
}

unsigned short PortFromEnvironment()
{
    for (const char* name : {"PORT", "SERVER_PORT"}) {
        const char* value = std::getenv(name);
        if (value && *value) return static_cast<unsigned short>(std::strtoul(value, nullptr, 10));
    }
    return 0;
}

// Answers every connection with 200 until the program ends; each request is read for at most 2 s.
void Serve(SOCKET listener)
{
    for (;;) {
        const SOCKET client = accept(listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;
        const DWORD timeout = 2000;
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
        char request[4096];
        recv(client, request, sizeof request, 0);
        const char answer[] = "HTTP/1.0 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";
        send(client, answer, static_cast<int>(sizeof answer - 1), 0);
        closesocket(client);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    stopped = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnControl, TRUE);
    std::string arguments;
    for (int i = 1; i < argc; ++i) arguments += std::string(" ") + argv[i];
    std::printf("standin: started with%s\n", arguments.c_str());
    std::fflush(stdout);

    const unsigned short port = PortFromEnvironment();
    if (port != 0) {
        WSADATA wsa{};
        WSAStartup(MAKEWORD(2, 2), &wsa);
        const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (listener == INVALID_SOCKET || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener, 16) != 0) {
            std::printf("standin: port %u is in use\n", port);
            return 3;
        }
        std::printf("standin: listening on 127.0.0.1:%u\n", port);
        std::fflush(stdout);
        std::thread(Serve, listener).detach();
    }
    WaitForSingleObject(stopped, INFINITE);
    return 0;
}
