#include "CommandLine.h"

#include <vector>

namespace host {

const char kUsage[] =
    "Usage: (commands and options in any letter case, also as /word or --word)\n"
    "  Velmora -v, --version          print the version\n"
    "  Velmora -h, -?, --help         print this text\n"
    "  Velmora -i, --install DEFINITION.xml\n"
    "                                 install the service a definition file describes\n"
    "  Velmora -u, --uninstall \"NAME\" remove the installed Velmora service NAME (stopped first when it\n"
    "                                 runs; nothing is removed when it does not stop)\n"
    "  Velmora -c, --console \"NAME\"   run the installed service NAME in this console (Ctrl-C stops)\n"
    "  Velmora -c DEFINITION.xml      run a definition file in this console without installing it\n"
    "  Velmora -s, --service          run as the service process (started by the service control manager)\n"
    "  Velmora -list [-t | -json]     list the services this installation hosts (-t: tab-separated)\n"
    "  Velmora -status \"NAME\" [-json] show the state of NAME\n"
    "  Velmora -start \"NAME\"          start NAME and wait until it runs\n"
    "  Velmora -stop \"NAME\"           stop NAME and wait until it has stopped\n"
    "  Velmora -restart \"NAME\"        stop NAME if it runs, then start it\n"
    "  Velmora -export \"NAME\" [FILE]  write the definition of the installed service NAME to FILE\n"
    "                                 (to standard output without FILE)\n"
    "  Velmora -update DEFINITION.xml [-whatif]\n"
    "                                 apply a definition to its service in place (installs it when\n"
    "                                 missing; restarts it when it runs and changed); -whatif only\n"
    "                                 prints what would change\n"
    "  Velmora -password \"NAME\"       set a new password for the user account the service NAME logs\n"
    "                                 on as (read from the console, or one line of standard input)\n"
    "  Velmora -stopall               stop the running services of this installation and record them\n"
    "                                 in StoppedForUpgrade.txt beside Velmora.exe (before an upgrade)\n"
    "  Velmora -startstopped          start the services -stopall recorded (after an upgrade)\n"
    "  Velmora -checkuninstall [-messagebox]\n"
    "                                 exit 0 when no service of this installation is installed;\n"
    "                                 -messagebox also shows a refusal in a message box\n"
    "Exit codes: 0 done (-status: running), 1 failed, 2 wrong command line, 3 -status: stopped,\n"
    "  4 not installed, 5 -status: start pending, 6 -status: stop pending, 7 -status: paused,\n"
    "  8 needs administrator rights, 9 not run by Velmora (nothing changed),\n"
    "  10 -update -whatif: something would change, 11 -c: the service is running,\n"
    "  12 -checkuninstall: services of this installation are installed.\n";

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

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

// One argument: blank-separated, or double-quoted with blanks inside. `begin`/`end` span it in
// the text, quotes included, so that a path can be taken back as it was written.
struct Token {
    std::string text;
    std::string::size_type begin;
    std::string::size_type end;
    bool quoted;
};

// False on a quote that is not closed.
bool Split(const std::string& text, std::vector<Token>& tokens)
{
    std::string::size_type pos = 0;
    for (;;) {
        while (pos < text.size() && IsBlank(text[pos])) ++pos;
        if (pos == text.size()) return true;
        const std::string::size_type begin = pos;
        if (text[pos] == '"') {
            const std::string::size_type close = text.find('"', pos + 1);
            if (close == std::string::npos) return false;
            pos = close + 1;
            tokens.push_back({text.substr(begin + 1, close - begin - 1), begin, pos, true});
            continue;
        }
        while (pos < text.size() && !IsBlank(text[pos])) ++pos;
        tokens.push_back({text.substr(begin, pos - begin), begin, pos, false});
    }
}

// The word of a switch without its -, / or -- and in lower case; empty when it is no switch.
std::string SwitchWord(const Token& token)
{
    if (token.quoted || token.text.size() < 2 || (token.text[0] != '-' && token.text[0] != '/')) return "";
    const std::string::size_type start = token.text.compare(0, 2, "--") == 0 ? 2 : 1;
    std::string word;
    for (std::string::size_type i = start; i < token.text.size(); ++i) word += Lower(token.text[i]);
    return word;
}

enum class Operand { None, Path, Name, NameAndFile };

// Each command once: its short and long word, what follows it, and the options it takes.
struct Switch {
    const char* word;
    const char* longWord;
    Command command;
    Operand operand;
    const char* needs;  // what a missing operand is called in the error
};
const Switch kSwitches[] = {
    {"v", "version", Command::Version, Operand::None, ""},
    {"h", "help", Command::Help, Operand::None, ""},
    {"?", "help", Command::Help, Operand::None, ""},
    {"i", "install", Command::Install, Operand::Path, "a definition file"},
    {"u", "uninstall", Command::Uninstall, Operand::Name, "a service name"},
    {"c", "console", Command::Console, Operand::Path, "a service name or a definition file"},
    {"s", "service", Command::Service, Operand::None, ""},
    {"list", "list", Command::List, Operand::None, ""},
    {"status", "status", Command::Status, Operand::Name, "a service name"},
    {"start", "start", Command::Start, Operand::Name, "a service name"},
    {"stop", "stop", Command::Stop, Operand::Name, "a service name"},
    {"restart", "restart", Command::Restart, Operand::Name, "a service name"},
    {"export", "export", Command::Export, Operand::NameAndFile, "a service name"},
    {"update", "update", Command::Update, Operand::Path, "a definition file"},
    {"stopall", "stopall", Command::StopAll, Operand::None, ""},
    {"startstopped", "startstopped", Command::StartStopped, Operand::None, ""},
    {"checkuninstall", "checkuninstall", Command::CheckUninstall, Operand::None, ""},
    {"password", "password", Command::Password, Operand::Name, "a service name"},
};

struct Option {
    const char* word;
    Command command;
    bool Invocation::*flag;
};
const Option kOptions[] = {{"t", Command::List, &Invocation::tabs},
                           {"json", Command::List, &Invocation::json},
                           {"json", Command::Status, &Invocation::json},
                           {"whatif", Command::Update, &Invocation::whatIf},
                           {"messagebox", Command::CheckUninstall, &Invocation::messageBox}};

Invocation Wrong(const std::string& error)
{
    Invocation wrong;
    wrong.error = error;
    return wrong;
}

// Takes `token` as an option of the command; false when it is none.
bool TakeOption(const Token& token, Invocation& result)
{
    const std::string word = SwitchWord(token);
    for (const Option& option : kOptions) {
        if (option.command != result.command || word != option.word) continue;
        if (result.*option.flag) return false;  // given twice
        result.*option.flag = true;
        return true;
    }
    return false;
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
    std::vector<Token> tokens;
    if (!Split(arguments, tokens)) return Wrong("a quote in the command line is not closed");
    if (tokens.empty()) return Wrong("no command was given");
    const std::string word = SwitchWord(tokens[0]);
    const Switch* found = nullptr;
    for (const Switch& candidate : kSwitches)
        if (word == candidate.word || word == candidate.longWord) found = &candidate;
    if (!found) return Wrong("'" + tokens[0].text + "' is not a command");

    Invocation result;
    result.command = found->command;
    const std::string command = tokens[0].text;
    // The options are taken out first: wherever they stand, but only before or after a path, so
    // that an unquoted path keeps its blanks and words.
    std::vector<Token> rest;
    if (found->operand == Operand::Path) {
        rest.assign(tokens.begin() + 1, tokens.end());
        while (!rest.empty() && TakeOption(rest.back(), result)) rest.pop_back();
        while (!rest.empty() && TakeOption(rest.front(), result)) rest.erase(rest.begin());
    } else {
        for (std::size_t i = 1; i < tokens.size(); ++i)
            if (!TakeOption(tokens[i], result)) rest.push_back(tokens[i]);
    }
    if (result.tabs && result.json) return Wrong("-t and -json of '" + command + "' exclude each other");
    const auto unexpected = [&command](const Token& token) {
        return Wrong("unexpected argument '" + token.text + "' after '" + command + "'");
    };

    switch (found->operand) {
    case Operand::None:
        if (!rest.empty()) return unexpected(rest[0]);
        return result;
    case Operand::Name:
        if (rest.empty() || rest[0].text.empty()) return Wrong("'" + command + "' needs " + found->needs);
        if (rest.size() > 1) return unexpected(rest[1]);
        result.argument = rest[0].text;
        return result;
    case Operand::NameAndFile:
        // A service name holds no blank; what follows it is the file, quoted or not.
        if (rest.empty() || rest[0].text.empty()) return Wrong("'" + command + "' needs " + found->needs);
        result.argument = rest[0].text;
        if (rest.size() > 1) {
            if (rest[1].quoted && rest.size() > 2) return unexpected(rest[2]);
            result.file = Unquote(Trim(arguments.substr(rest[1].begin, rest.back().end - rest[1].begin)));
        }
        return result;
    case Operand::Path:
        if (rest.empty() || rest[0].text.empty()) return Wrong("'" + command + "' needs " + found->needs);
        // Quoted, it is one argument; unquoted, blanks and all up to the options, as the manager
        // passes it.
        if (rest[0].quoted) {
            if (rest.size() > 1) return unexpected(rest[1]);
            result.argument = rest[0].text;
        } else {
            result.argument = arguments.substr(rest[0].begin, rest.back().end - rest[0].begin);
        }
        return result;
    }
    return Wrong("'" + command + "' is not a command");
}

}  // namespace host
