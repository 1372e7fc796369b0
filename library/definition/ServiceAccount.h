#pragma once

// The accounts a service can log on as, told apart by how the name is written. Header-only: the
// install checks, the service database calls and the editor's page share it.

#include <cstddef>
#include <string>

namespace service_account {

enum class Kind {
    LocalSystem,     // the default: empty, "LocalSystem" or "NT AUTHORITY\SYSTEM"
    LocalService,    // "NT AUTHORITY\LocalService", or "LocalService"
    NetworkService,  // "NT AUTHORITY\NetworkService", or "NetworkService"
    Virtual,         // "NT SERVICE\<the service's name>"
    Managed,         // a group-managed service account, "DOMAIN\name$"
    User,            // ".\user" or "DOMAIN\user": the only kind with a password
    Invalid,
};

struct Account {
    Kind kind = Kind::Invalid;
    // The name the service database is given; empty for LocalSystem.
    std::string name;
    // Why the text names no account this service can log on as; empty when it does.
    std::string problem;
};

// Longest account text taken: a domain name and a user name with the separator.
constexpr std::size_t kMaxAccountText = 256;

namespace detail {

inline bool SameText(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return i == a.size() && !b[i];
}

// Characters Windows refuses in account names.
inline bool HasForbidden(const std::string& text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20) return true;
        for (const char* bad = "\"/[]:;|=,+*?<>@"; *bad; ++bad)
            if (c == *bad) return true;
    }
    return false;
}

inline Account Refused(std::string problem)
{
    Account a;
    a.problem = std::move(problem);
    return a;
}

}  // namespace detail

inline Account Classify(const std::string& text, const std::string& serviceName)
{
    using detail::SameText;
    const auto quoted = [&text] { return "\"" + text + "\""; };
    if (text.empty() || SameText(text, "LocalSystem") || SameText(text, ".\\LocalSystem") ||
        SameText(text, "NT AUTHORITY\\SYSTEM"))
        return {Kind::LocalSystem, "", ""};
    if (SameText(text, "LocalService") || SameText(text, "NT AUTHORITY\\LocalService"))
        return {Kind::LocalService, "NT AUTHORITY\\LocalService", ""};
    if (SameText(text, "NetworkService") || SameText(text, "NT AUTHORITY\\NetworkService"))
        return {Kind::NetworkService, "NT AUTHORITY\\NetworkService", ""};
    if (text.size() > kMaxAccountText)
        return detail::Refused("Account is too long: " + std::to_string(text.size()) + " characters, at most " +
                               std::to_string(kMaxAccountText));

    const std::size_t separator = text.find('\\');
    if (separator == std::string::npos && text.find('@') != std::string::npos)
        return detail::Refused("Account " + quoted() + " is written as user@domain; write it as DOMAIN\\user");
    if (separator == std::string::npos)
        return detail::Refused("Account " + quoted() + " needs its domain: \".\\" + text +
                               "\" for an account of this computer, or \"DOMAIN\\" + text + "\"");
    const std::string domain = text.substr(0, separator);
    const std::string user = text.substr(separator + 1);
    if (domain.empty() || user.empty() || user.find('\\') != std::string::npos ||
        detail::HasForbidden(domain) || detail::HasForbidden(user) || user.find_first_not_of(". ") == std::string::npos)
        return detail::Refused("Account " + quoted() + " is not an account name (DOMAIN\\name)");
    if (SameText(domain, "NT SERVICE")) {
        if (!SameText(user, serviceName.c_str()))
            return detail::Refused("Account " + quoted() + " is the virtual account of another service; this "
                                   "service's own is \"NT SERVICE\\" + serviceName + "\"");
        return {Kind::Virtual, "NT SERVICE\\" + serviceName, ""};
    }
    if (SameText(domain, "NT AUTHORITY"))
        return detail::Refused("Account " + quoted() + " is no account a service can use; the system's own are "
                               "LocalSystem, NT AUTHORITY\\LocalService and NT AUTHORITY\\NetworkService");
    if (user.back() == '$') {
        if (domain == ".")
            return detail::Refused("Account " + quoted() + " names a managed service account, which belongs to a "
                                   "domain: write \"DOMAIN\\" + user + "\"");
        return {Kind::Managed, text, ""};
    }
    return {Kind::User, text, ""};
}

inline bool NeedsPassword(Kind kind) { return kind == Kind::User; }

}  // namespace service_account
