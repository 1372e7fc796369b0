#include "CommandLine.h"

namespace host {

const char kUsage[] =
    "Usage:\n"
    "  Velmora -v                 print the version\n"
    "  Velmora -i DEFINITION.xml  install the service a definition file describes\n"
    "  Velmora -u \"NAME\"          remove the installed service NAME\n"
    "  Velmora -c \"NAME\"          run the installed service NAME in this console (Ctrl-C stops)\n"
    "  Velmora -s                 run as the service process (started by the service control manager)\n"
    "  Velmora -list [-t]         list the services this installation hosts (-t: tab-separated)\n"
    "  Velmora -status \"NAME\"     show the state of NAME; exit code 0 running, 3 stopped, 4 not installed,\n"
    "                             5 start pending, 6 stop pending, 7 paused, 1 failure\n"
    "  Velmora -start \"NAME\"      start NAME and wait until it runs\n"
    "  Velmora -stop \"NAME\"       stop NAME and wait until it has stopped\n"
    "  Velmora -restart \"NAME\"    stop NAME if it runs, then start it\n"
    "  Velmora -export \"NAME\" [FILE]  write the definition of the installed service NAME to FILE\n"
    "                             (to standard output without FILE)\n"
    "  Velmora -update DEFINITION.xml  apply a definition to its service in place (installs it when\n"
    "                             missing; restarts it when it runs and changed; \"unchanged\" otherwise)\n";

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

namespace {

// The commands named by a word: they take the service name as their argument.
struct WordCommand {
    const char* word;
    Command command;
};
const WordCommand kWordCommands[] = {{"list", Command::List},   {"status", Command::Status},
                                     {"start", Command::Start}, {"stop", Command::Stop},
                                     {"restart", Command::Restart}, {"export", Command::Export},
                                     {"update", Command::Update}};

Invocation ParseWord(const std::string& word, const std::string& rest)
{
    Invocation result;
    for (const WordCommand& candidate : kWordCommands)
        if (word == candidate.word) result.command = candidate.command;
    switch (result.command) {
    case Command::Usage: return result;
    case Command::List:
        if (rest == "-t" || rest == "/t") result.tabs = true;
        else if (!rest.empty()) return Invocation();
        return result;
    case Command::Export: {
        // A service name holds no blank; what follows it is the file, quoted or not.
        std::string::size_type end = 0;
        if (!rest.empty() && rest[0] == '"') {
            end = rest.find('"', 1);
            if (end == std::string::npos) return Invocation();
            result.argument = rest.substr(1, end - 1);
            ++end;
        } else {
            while (end < rest.size() && !IsBlank(rest[end])) ++end;
            result.argument = rest.substr(0, end);
        }
        result.file = Unquote(Trim(rest.substr(end)));
        if (result.argument.empty()) return Invocation();
        return result;
    }
    default:
        result.argument = Unquote(rest);
        if (result.argument.empty()) return Invocation();
        return result;
    }
}

}  // namespace

Invocation ParseArguments(const std::string& arguments)
{
    const std::string text = Trim(arguments);
    Invocation result;
    if (text.size() < 2 || (text[0] != '-' && text[0] != '/')) return result;
    std::string::size_type wordEnd = 1;
    while (wordEnd < text.size() && !IsBlank(text[wordEnd])) ++wordEnd;
    if (wordEnd > 2) return ParseWord(text.substr(1, wordEnd - 1), Trim(text.substr(wordEnd)));
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
