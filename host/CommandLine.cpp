#include "CommandLine.h"

namespace host {

const char kUsage[] =
    "Usage:\n"
    "  Velmora -v                 print the version\n"
    "  Velmora -i DEFINITION.xml  install the service a definition file describes\n"
    "  Velmora -u \"NAME\"          remove the installed service NAME\n"
    "  Velmora -c \"NAME\"          run the installed service NAME in this console (Ctrl-C stops)\n"
    "  Velmora -s                 run as the service process (started by the service control manager)\n";

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trim(const std::string& text)
{
    std::string::size_type begin = 0;
    std::string::size_type end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::string Unquote(const std::string& text)
{
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
    return text;
}

}  // namespace

std::string ArgumentsOf(const std::string& raw)
{
    std::string::size_type pos = 0;
    while (pos < raw.size() && IsBlank(raw[pos])) ++pos;
    if (pos < raw.size() && raw[pos] == '"') {
        const std::string::size_type close = raw.find('"', pos + 1);
        pos = close == std::string::npos ? raw.size() : close + 1;
    } else {
        while (pos < raw.size() && !IsBlank(raw[pos])) ++pos;
    }
    return raw.substr(pos);
}

Invocation ParseArguments(const std::string& arguments)
{
    const std::string text = Trim(arguments);
    Invocation result;
    if (text.size() < 2 || (text[0] != '-' && text[0] != '/')) return result;
    if (text.size() > 2 && !IsBlank(text[2])) return result;
    const std::string rest = Unquote(Trim(text.substr(2)));
    switch (text[1]) {
    case 'v': result.command = Command::Version; break;
    case 's': result.command = Command::Service; break;
    case 'i': result.command = Command::Install; break;
    case 'u': result.command = Command::Uninstall; break;
    case 'c': result.command = Command::Console; break;
    default: return result;
    }
    const bool needsArgument = result.command == Command::Install || result.command == Command::Uninstall ||
                               result.command == Command::Console;
    if (needsArgument == rest.empty()) return Invocation();
    result.argument = rest;
    return result;
}

}  // namespace host
