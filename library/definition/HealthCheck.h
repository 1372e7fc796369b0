#pragma once

#include <cstdint>
#include <string>

// A readiness or liveness check as a definition writes it:
//   tcp://HOST:PORT               a TCP connection is accepted
//   http://HOST[:PORT]/PATH       a GET answers 200 to 399 (https:// the same over TLS)
//   program:COMMAND LINE          a program ends with exit code 0
//   line:TEXT                     a line of the program's output contains TEXT (readiness only)
// Parsed in one place, so that the install checks, the editor and the host agree on every text.
namespace health_check {

enum class Scheme { None, Tcp, Http, Https, Program, Line };

struct Check {
    Scheme scheme = Scheme::None;
    std::string host;       // tcp, http, https
    std::uint16_t port = 0;
    std::string path;       // http, https: from its "/", "/" when none is written
    std::string command;    // program: the command line; line: the text looked for
    std::string problem;    // why the text is no check; empty when it is one
};

namespace detail {

inline bool StartsWith(const std::string& text, const char* prefix, std::size_t& length)
{
    length = 0;
    while (prefix[length] != '\0') {
        if (length >= text.size()) return false;
        const char a = text[length], b = prefix[length];
        if ((a >= 'A' && a <= 'Z' ? char(a - 'A' + 'a') : a) != b) return false;
        ++length;
    }
    return true;
}

// "HOST[:PORT]": false, with the problem, when the host is empty or the port is not 1 to 65535.
inline bool Authority(const std::string& text, bool portNeeded, std::uint16_t defaultPort, Check& check)
{
    std::string host = text;
    std::string port;
    if (!host.empty() && host.front() == '[') {  // an IPv6 address
        const std::size_t close = host.find(']');
        if (close == std::string::npos) return check.problem = "the address has no closing ]", false;
        if (close + 1 < host.size()) {
            if (host[close + 1] != ':') return check.problem = "text follows the address", false;
            port = host.substr(close + 2);
            if (port.empty()) return check.problem = "the port is missing", false;
        }
        host = host.substr(1, close - 1);
    } else if (const std::size_t colon = host.rfind(':'); colon != std::string::npos) {
        port = host.substr(colon + 1);
        host.resize(colon);
        if (port.empty()) return check.problem = "the port is missing", false;
    }
    if (host.empty()) return check.problem = "the host is empty", false;
    if (host.find_first_of(" \t\r\n/?#@") != std::string::npos) return check.problem = "the host is not a name or an address", false;
    if (port.empty()) {
        if (portNeeded) return check.problem = "the port is missing", false;
        check.port = defaultPort;
    } else {
        std::uint32_t value = 0;
        for (char c : port) {
            if (c < '0' || c > '9' || port.size() > 5) return check.problem = "the port \"" + port + "\" is not a number", false;
            value = value * 10 + std::uint32_t(c - '0');
        }
        if (value < 1 || value > 65535) return check.problem = "the port " + port + " is not from 1 to 65535", false;
        check.port = static_cast<std::uint16_t>(value);
    }
    check.host = host;
    return true;
}

}  // namespace detail

inline Check Parse(const std::string& text)
{
    Check check;
    std::size_t length = 0;
    if (detail::StartsWith(text, "tcp://", length)) {
        check.scheme = Scheme::Tcp;
        const std::string rest = text.substr(length);
        if (rest.find('/') != std::string::npos) {
            check.problem = "a TCP check names a host and a port only";
        } else {
            detail::Authority(rest, true, 0, check);
        }
    } else if (detail::StartsWith(text, "http://", length) || detail::StartsWith(text, "https://", length)) {
        const bool secure = length == 8;
        check.scheme = secure ? Scheme::Https : Scheme::Http;
        const std::string rest = text.substr(length);
        const std::size_t slash = rest.find('/');
        check.path = slash == std::string::npos ? "/" : rest.substr(slash);
        if (check.path.find_first_of(" \t\r\n") != std::string::npos)
            check.problem = "the path has blanks in it";
        else
            detail::Authority(rest.substr(0, slash), false, secure ? 443 : 80, check);
    } else if (detail::StartsWith(text, "program:", length) || detail::StartsWith(text, "line:", length)) {
        check.scheme = length == 8 ? Scheme::Program : Scheme::Line;
        check.command = text.substr(length);
        if (check.command.find_first_not_of(" \t\r\n") == std::string::npos)
            check.problem = check.scheme == Scheme::Program ? "no program is named" : "no text is given to look for";
    } else {
        check.problem = "it does not begin with tcp://, http://, https://, program: or line:";
    }
    return check;
}

}  // namespace health_check
