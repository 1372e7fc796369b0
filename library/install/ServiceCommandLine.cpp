#include "ServiceCommandLine.h"

#include <cstddef>

namespace service_control {

const char kHostProgramName[] = "Velmora.exe";

namespace {

// What an install writes around the host program's path, and what older installs wrote.
struct Form {
    const char* before;
    const char* after;
};
constexpr Form kForms[] = {{"", ""}, {"", " -s"}, {"\"", "\""}, {"\"", "\" -s"}};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `text` ends in `ending`, letter case ignored.
bool EndsInText(const std::string& text, const std::string& ending)
{
    if (text.size() < ending.size()) return false;
    const std::size_t start = text.size() - ending.size();
    for (std::size_t i = 0; i < ending.size(); ++i)
        if (Lower(text[start + i]) != Lower(ending[i])) return false;
    return true;
}

}  // namespace

std::string HostProgramPath(const std::string& hostDirectory) { return hostDirectory + "\\" + kHostProgramName; }

std::string HostCommandLine(const std::string& hostProgramPath)
{
    if (hostProgramPath.find(' ') == std::string::npos) return hostProgramPath + " -s";
    return "\"" + hostProgramPath + "\" -s";
}

bool RunsHost(const std::string& commandLine, const std::string& hostPath)
{
    std::size_t begin = 0, end = commandLine.size();
    while (begin < end && IsBlank(commandLine[begin])) ++begin;
    while (end > begin && IsBlank(commandLine[end - 1])) --end;
    const std::string text = commandLine.substr(begin, end - begin);
    for (const Form& form : kForms) {
        const std::string whole = form.before + hostPath + form.after;
        if (text.size() == whole.size() && EndsInText(text, whole)) return true;
    }
    return false;
}

bool EndsInHostProgram(const std::string& commandLine)
{
    for (const Form& form : kForms)
        if (EndsInText(commandLine, kHostProgramName + std::string(form.after))) return true;
    return false;
}

}  // namespace service_control
