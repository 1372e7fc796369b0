#include <winsock2.h>
#include <ws2tcpip.h>

#include "HealthProbe_win.h"

#include <winhttp.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

#include "PathText.h"
#include "Platform.h"
#include "UniqueResource.h"

namespace host {

namespace {

// A worker abandoned at a stop still ends by its own timeouts; the caller waits this much more
// than the check's time for its answer before calling the check timed out.
constexpr DWORD kWorkerMarginMs = 250;
// What a program check writes is kept up to this many bytes for the debug log.
constexpr std::size_t kProgramOutputKept = 4096;

std::string TimedOut(DWORD ms) { return "timed out after " + std::to_string(ms) + " ms"; }

template <typename Function>
bool Bind(HMODULE module, Function& function, const char* name)
{
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

// Runs `work` on a thread of its own and waits for its result, the time or `quit`. A worker not
// waited for finishes alone; it holds everything it uses.
template <typename Result, typename Work>
Result OnWorker(Work work, DWORD timeoutMs, HANDLE quit, Result onTimeout, Result onQuit)
{
    struct Shared {
        Result result;
        UniqueHandle done{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    };
    const auto shared = std::make_shared<Shared>();
    if (!shared->done) return onTimeout;
    try {
        std::thread([shared, work] {
            shared->result = work();
            SetEvent(shared->done.get());
        }).detach();
    } catch (const std::system_error&) {
        return onTimeout;
    }
    const HANDLE handles[] = {shared->done.get(), quit};
    const DWORD woke = WaitForMultipleObjects(quit ? 2 : 1, handles, FALSE, timeoutMs + kWorkerMarginMs);
    if (woke == WAIT_OBJECT_0) return shared->result;
    return woke == WAIT_OBJECT_0 + 1 ? onQuit : onTimeout;
}

// The socket functions, loaded on first use and kept for the life of the process.
struct Sockets {
    decltype(&WSAStartup) startup = nullptr;
    decltype(&getaddrinfo) resolve = nullptr;
    decltype(&freeaddrinfo) freeInfo = nullptr;
    decltype(&socket) open = nullptr;
    decltype(&ioctlsocket) control = nullptr;
    decltype(&connect) connectTo = nullptr;
    decltype(&select) wait = nullptr;
    decltype(&getsockopt) option = nullptr;
    decltype(&closesocket) close = nullptr;
    decltype(&WSAGetLastError) lastError = nullptr;
    bool ready = false;

    static const Sockets& Get()
    {
        static const Sockets loaded = [] {
            Sockets s;
            const HMODULE m = LoadLibraryA("ws2_32.dll");
            WSADATA data;
            s.ready = m && Bind(m, s.startup, "WSAStartup") && Bind(m, s.resolve, "getaddrinfo") &&
                      Bind(m, s.freeInfo, "freeaddrinfo") && Bind(m, s.open, "socket") &&
                      Bind(m, s.control, "ioctlsocket") && Bind(m, s.connectTo, "connect") &&
                      Bind(m, s.wait, "select") && Bind(m, s.option, "getsockopt") &&
                      Bind(m, s.close, "closesocket") && Bind(m, s.lastError, "WSAGetLastError") &&
                      s.startup(MAKEWORD(2, 2), &data) == 0;
            return s;
        }();
        return loaded;
    }
};

std::string SocketError(int code)
{
    switch (code) {
    case WSAECONNREFUSED: return "connection refused";
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH: return "no route to the host";
    case WSAETIMEDOUT: return "the connection timed out";
    default: {
        const std::string text = platform::SystemErrorText(static_cast<DWORD>(code));
        return text.empty() ? "socket error " + std::to_string(code) : text;
    }
    }
}

// FD_ISSET without the socket library's helper, which is not loaded until a check needs it.
bool Contains(const fd_set& set, SOCKET socket)
{
    for (u_int i = 0; i < set.fd_count && i < FD_SETSIZE; ++i)
        if (set.fd_array[i] == socket) return true;
    return false;
}

ProbeResult ConnectOnce(const health_check::Check& check, DWORD timeoutMs)
{
    const Sockets& s = Sockets::Get();
    if (!s.ready) return {false, "the socket library cannot be loaded"};
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (s.resolve(check.host.c_str(), std::to_string(check.port).c_str(), &hints, &found) != 0 || !found)
        return {false, "the host " + check.host + " is not found"};
    const std::unique_ptr<addrinfo, decltype(s.freeInfo)> addresses(found, s.freeInfo);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    ProbeResult result{false, TimedOut(timeoutMs)};
    for (const addrinfo* a = found; a; a = a->ai_next) {
        const SOCKET socket = s.open(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (socket == INVALID_SOCKET) continue;
        u_long nonBlocking = 1;
        s.control(socket, FIONBIO, &nonBlocking);
        if (s.connectTo(socket, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) {
            s.close(socket);
            return {true, {}};
        }
        if (s.lastError() == WSAEWOULDBLOCK) {
            const ULONGLONG now = GetTickCount64();
            const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(socket, &writable);
            FD_SET(socket, &failed);
            timeval wait{static_cast<long>(left / 1000), static_cast<long>(left % 1000) * 1000};
            const int ready = s.wait(0, nullptr, &writable, &failed, &wait);
            int error = 0;
            int size = sizeof error;
            if (ready > 0 && s.option(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 &&
                error == 0 && Contains(writable, socket)) {
                s.close(socket);
                return {true, {}};
            }
            result.detail = ready == 0 ? TimedOut(timeoutMs) : SocketError(error ? error : s.lastError());
        } else {
            result.detail = SocketError(s.lastError());
        }
        s.close(socket);
    }
    return result;
}

// The HTTP functions, loaded on first use and kept for the life of the process.
struct Http {
    decltype(&WinHttpOpen) open = nullptr;
    decltype(&WinHttpConnect) connect = nullptr;
    decltype(&WinHttpOpenRequest) request = nullptr;
    decltype(&WinHttpSetTimeouts) timeouts = nullptr;
    decltype(&WinHttpSetOption) option = nullptr;
    decltype(&WinHttpSendRequest) send = nullptr;
    decltype(&WinHttpReceiveResponse) receive = nullptr;
    decltype(&WinHttpQueryHeaders) query = nullptr;
    decltype(&WinHttpCloseHandle) close = nullptr;
    HMODULE module = nullptr;
    bool ready = false;

    static const Http& Get()
    {
        static const Http loaded = [] {
            Http h;
            h.module = LoadLibraryA("winhttp.dll");
            const HMODULE m = h.module;
            h.ready = m && Bind(m, h.open, "WinHttpOpen") && Bind(m, h.connect, "WinHttpConnect") &&
                      Bind(m, h.request, "WinHttpOpenRequest") && Bind(m, h.timeouts, "WinHttpSetTimeouts") &&
                      Bind(m, h.option, "WinHttpSetOption") && Bind(m, h.send, "WinHttpSendRequest") &&
                      Bind(m, h.receive, "WinHttpReceiveResponse") && Bind(m, h.query, "WinHttpQueryHeaders") &&
                      Bind(m, h.close, "WinHttpCloseHandle");
            return h;
        }();
        return loaded;
    }
};

std::string HttpError(DWORD code, DWORD timeoutMs)
{
    switch (code) {
    case ERROR_WINHTTP_TIMEOUT: return TimedOut(timeoutMs);
    case ERROR_WINHTTP_CANNOT_CONNECT: return "connection refused";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: return "the host is not found";
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID: return "the server's certificate does not verify";
    case ERROR_WINHTTP_CONNECTION_ERROR: return "the connection was reset";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: return "the answer is not HTTP";
    default: return "HTTP error " + std::to_string(code);
    }
}

HttpAnswer SendOnce(const HttpRequest& r, const health_check::Check& target, DWORD timeoutMs)
{
    const Http& h = Http::Get();
    if (!h.ready) return {0, "the HTTP library cannot be loaded"};
    const auto closer = [&h](HINTERNET handle) {
        if (handle) h.close(handle);
    };
    using Handle = std::unique_ptr<void, decltype(closer)>;
    const Handle session(h.open(L"Velmora", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS, 0),
                         closer);
    if (!session) return {0, HttpError(GetLastError(), timeoutMs)};
    const int ms = static_cast<int>(timeoutMs);
    const int connectMs = r.connectMs ? static_cast<int>(std::min<DWORD>(r.connectMs, timeoutMs)) : ms;
    h.timeouts(session.get(), connectMs, connectMs, ms, ms);
    const Handle connection(h.connect(session.get(), path_text::Wide(target.host).c_str(), target.port, 0), closer);
    if (!connection) return {0, HttpError(GetLastError(), timeoutMs)};
    const bool secure = target.scheme == health_check::Scheme::Https;
    const std::wstring verb = path_text::Wide(r.verb);
    const Handle request(h.request(connection.get(), verb.c_str(), path_text::Wide(target.path).c_str(), nullptr,
                                   WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0),
                         closer);
    if (!request) return {0, HttpError(GetLastError(), timeoutMs)};
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
    h.option(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects);
    if (secure && r.insecure) {
        DWORD ignore = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID |
                       SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
        h.option(request.get(), WINHTTP_OPTION_SECURITY_FLAGS, &ignore, sizeof ignore);
    }
    const std::wstring headers = path_text::Wide(r.headers);
    const DWORD bodySize = static_cast<DWORD>(r.body.size());
    if (!h.send(request.get(), headers.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : headers.c_str(),
                headers.empty() ? 0 : static_cast<DWORD>(-1L), bodySize ? const_cast<char*>(r.body.data()) : nullptr,
                bodySize, bodySize, 0) ||
        !h.receive(request.get(), nullptr))
        return {0, HttpError(GetLastError(), timeoutMs)};
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!h.query(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                 &status, &size, WINHTTP_NO_HEADER_INDEX))
        return {0, "the answer has no status"};
    return {status, {}};
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId)
{
    struct Search {
        DWORD id;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->id && s->found.size() < 1000) s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A program check's command line: a quoted path, or the text up to the first blank, then its
// parameters.
ServiceDefinition::Invocation CheckProgram(const std::string& commandLine, const std::string& workingDir)
{
    ServiceDefinition::Invocation program;
    const std::size_t start = commandLine.find_first_not_of(" \t");
    std::size_t end = 0;
    if (commandLine[start] == '"') {
        end = commandLine.find('"', start + 1);
        program.Executable = commandLine.substr(start + 1, end == std::string::npos ? end : end - start - 1);
        end = end == std::string::npos ? commandLine.size() : end + 1;
    } else {
        end = std::min(commandLine.find_first_of(" \t", start), commandLine.size());
        program.Executable = commandLine.substr(start, end - start);
    }
    const std::size_t parameters = commandLine.find_first_not_of(" \t", end);
    if (parameters != std::string::npos) program.Parameters = commandLine.substr(parameters);
    program.WorkingDir = workingDir;
    return program;
}

}  // namespace

HttpAnswer SendHttp(const HttpRequest& request, DWORD timeoutMs, HANDLE quit)
{
    // The worker keeps its own copies: it may outlive the caller.
    const health_check::Check target = *request.target;
    HttpRequest copy = request;
    return OnWorker<HttpAnswer>(
        [copy, target, timeoutMs] {
            HttpRequest r = copy;
            r.target = &target;
            return SendOnce(r, target, timeoutMs);
        },
        timeoutMs, quit, HttpAnswer{0, TimedOut(timeoutMs)}, HttpAnswer{0, "stopped"});
}

ProbeResult Probe::Run(DWORD timeoutMs, HANDLE quit, std::string* output) const
{
    using health_check::Scheme;
    switch (check_.scheme) {
    case Scheme::Tcp: return Connect(timeoutMs, quit);
    case Scheme::Http:
    case Scheme::Https: {
        HttpRequest request;
        request.target = &check_;
        request.insecure = insecure_;
        const HttpAnswer answer = SendHttp(request, timeoutMs, quit);
        if (answer.status == 0) return {false, answer.error};
        return {answer.status >= 200 && answer.status <= 399, "HTTP " + std::to_string(answer.status)};
    }
    case Scheme::Program: return RunProgram(timeoutMs, quit, output);
    default: return {false, "not a check the host can run"};
    }
}

ProbeResult Probe::Connect(DWORD timeoutMs, HANDLE quit) const
{
    const health_check::Check check = check_;
    return OnWorker<ProbeResult>([check, timeoutMs] { return ConnectOnce(check, timeoutMs); }, timeoutMs, quit,
                                 ProbeResult{false, TimedOut(timeoutMs)}, ProbeResult{false, "stopped"});
}

ProbeResult Probe::RunProgram(DWORD timeoutMs, HANDLE quit, std::string* output) const
{
    // What the program writes is read by a thread of its own until every holder of the pipe has
    // closed it; the program and its children are ended with their job at the timeout.
    struct Pipe {
        std::mutex mutex;
        std::string text;
        std::uint64_t dropped = 0;
        UniqueHandle read;
        UniqueHandle done{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    };
    const auto pipe = std::make_shared<Pipe>();
    ProgramHandles handles;
    {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        HANDLE read = nullptr, write = nullptr;
        if (!pipe->done || !CreatePipe(&read, &write, &inherited, 0))
            return {false, "cannot make a pipe for the check program"};
        pipe->read.reset(read);
        handles.output.reset(write);
        handles.merged = true;
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    }
    LaunchSettings launch = launch_;
    launch.consoleApp = 0;
    const Job none;
    LaunchResult started;
    {
        const std::lock_guard<std::mutex> hold(LaunchLock());
        started = Launch(CheckProgram(check_.command, workingDir_), launch, JobType::Local, none,
                         StandardInput::NullDevice, &handles);
        handles = ProgramHandles();
    }
    if (!started.program) {
        const std::string why = started.refused.empty() ? platform::SystemErrorText(started.error) : started.refused;
        return {false, "the check program cannot be started: " + why};
    }
    try {
        std::thread([pipe] {
            char buffer[1024];
            DWORD got = 0;
            while (ReadFile(pipe->read.get(), buffer, sizeof buffer, &got, nullptr) && got) {
                const std::lock_guard<std::mutex> hold(pipe->mutex);
                const std::size_t room = kProgramOutputKept - std::min(kProgramOutputKept, pipe->text.size());
                pipe->text.append(buffer, std::min<std::size_t>(room, got));
                pipe->dropped += got - std::min<std::size_t>(room, got);
            }
            SetEvent(pipe->done.get());
        }).detach();
    } catch (const std::system_error&) {
        SetEvent(pipe->done.get());
    }
    RunningProgram& program = started.program;
    const HANDLE handlesToWait[] = {program.Process(), quit};
    const DWORD woke = WaitForMultipleObjects(quit ? 2 : 1, handlesToWait, FALSE, timeoutMs);
    ProbeResult result;
    if (woke == WAIT_OBJECT_0) {
        const DWORD code = program.ExitCode();
        result = {code == 0, "exit code " + ExitCodeText(code)};
    } else {
        result = {false, woke == WAIT_OBJECT_0 + 1 ? "stopped" : TimedOut(timeoutMs)};
    }
    program.End();
    program.WaitGone(kEndedWaitMs);
    if (output) {
        WaitForSingleObject(pipe->done.get(), kWorkerMarginMs);
        const std::lock_guard<std::mutex> hold(pipe->mutex);
        *output = pipe->text;
        if (pipe->dropped) *output += "... (" + std::to_string(pipe->dropped) + " more bytes)";
    }
    return result;
}

ProbeResult WindowWatch::Run(DWORD processId, DWORD timeoutMs)
{
    const ULONGLONG now = GetTickCount64();
    std::map<HWND, ULONGLONG> silent;
    ULONGLONG longest = 0;
    for (HWND window : TopLevelWindowsOf(processId)) {
        DWORD_PTR answer = 0;
        const DWORD wait = std::min<DWORD>(timeoutMs, hungMs_);
        if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, wait, &answer)) continue;
        if (!IsWindow(window)) continue;
        const auto before = silentSince_.find(window);
        const ULONGLONG since = before == silentSince_.end() ? now : before->second;
        silent[window] = since;
        longest = std::max(longest, GetTickCount64() - since);
    }
    silentSince_ = std::move(silent);
    if (longest >= hungMs_) return {false, "window not responding for " + std::to_string(longest) + " ms"};
    return {true, {}};
}

}  // namespace host
