#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include "HealthCheck.h"
#include "ProgramRunner_win.h"

// One try of a health check: a TCP connection, an HTTP request, a program run, or the program's
// windows answering messages. Each try is bounded by its timeout and ends early when `quit` is
// set, so that no check ever holds up a stop.
namespace host {

struct ProbeResult {
    bool passed = false;
    std::string detail;  // what failed: "connection refused", "HTTP 503", "timed out after 5000 ms"
};

// An HTTP or HTTPS request through the system's HTTP stack, loaded on first use so that a host
// without such checks never loads it. Redirects are not followed.
struct HttpRequest {
    const health_check::Check* target = nullptr;  // Http or Https
    const char* verb = "GET";
    std::string headers;  // "Name: value\r\n" lines, or empty
    std::string body;
    bool insecure = false;  // a certificate that does not verify is accepted
    DWORD connectMs = 0;    // the time to connect, when it is to be shorter than the whole
};
// The status code (0 when no answer came) and, without one, why.
struct HttpAnswer {
    DWORD status = 0;
    std::string error;
};
// Runs on a thread of its own, left to finish alone when `quit` is set or `timeoutMs` passes.
HttpAnswer SendHttp(const HttpRequest& request, DWORD timeoutMs, HANDLE quit);

// A check of a scheme other than line:. A program check runs with the service's settings in
// its working folder; what it writes goes to `output` (bounded).
class Probe {
public:
    Probe(health_check::Check check, bool insecure, LaunchSettings launch, std::string workingDir)
        : check_(std::move(check)), insecure_(insecure), launch_(std::move(launch)), workingDir_(std::move(workingDir))
    {
    }
    ProbeResult Run(DWORD timeoutMs, HANDLE quit, std::string* output = nullptr) const;

private:
    ProbeResult Connect(DWORD timeoutMs, HANDLE quit) const;
    ProbeResult RunProgram(DWORD timeoutMs, HANDLE quit, std::string* output) const;

    health_check::Check check_;
    bool insecure_;
    LaunchSettings launch_;
    std::string workingDir_;
};

// Whether the top-level windows of a process answer messages. A window that has not answered
// for `hungMs` fails the check; each window is asked once per try, for at most `timeoutMs`.
class WindowWatch {
public:
    explicit WindowWatch(std::uint32_t hungMs) : hungMs_(hungMs) {}
    ProbeResult Run(DWORD processId, DWORD timeoutMs);
    void Forget() { silentSince_.clear(); }

private:
    std::uint32_t hungMs_;
    std::map<HWND, ULONGLONG> silentSince_;  // windows that did not answer, since when
};

}  // namespace host
