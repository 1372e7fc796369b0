#include "PasswordPrompt_win.h"

#include <windows.h>

#include <cstdio>

namespace host {

namespace {

// Passwords of Windows accounts are at most 256 characters.
constexpr DWORD kMaxPasswordCharacters = 256;

// The prompt goes to standard error, so that standard output keeps only the command's data.
bool FromConsole(HANDLE input, DWORD mode, const char* account, std::string& password, std::FILE* messages)
{
    std::fprintf(stderr, "Password for %s: ", account);
    std::fflush(stderr);
    SetConsoleMode(input, (mode & ~ENABLE_ECHO_INPUT) | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT);
    wchar_t typed[kMaxPasswordCharacters + 2];
    const WipedOnExit wipeTyped(typed, sizeof typed);
    DWORD read = 0;
    const BOOL ok = ReadConsoleW(input, typed, kMaxPasswordCharacters + 2, &read, nullptr);
    SetConsoleMode(input, mode);
    std::fputc('\n', stderr);
    if (!ok) return false;
    bool ended = false;
    while (read > 0 && (typed[read - 1] == L'\n' || typed[read - 1] == L'\r')) {
        --read;
        ended = true;
    }
    if (!ended) {
        std::fprintf(messages, "The password is longer than %lu characters.\n", kMaxPasswordCharacters);
        return false;
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, typed, static_cast<int>(read), nullptr, 0, nullptr, nullptr);
    password.assign(static_cast<std::size_t>(size), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, typed, static_cast<int>(read), &password[0], size, nullptr, nullptr);
    return true;
}

// One line, read a byte at a time so nothing after it is taken from a caller's pipe.
bool FromPipe(HANDLE input, std::string& password, std::FILE* messages)
{
    constexpr std::size_t kMaxBytes = 4 * kMaxPasswordCharacters;
    char line[kMaxBytes + 1];
    const WipedOnExit wipeLine(line, sizeof line);
    std::size_t length = 0;
    bool ended = false;
    char c = 0;
    DWORD read = 0;
    while (length <= kMaxBytes && ReadFile(input, &c, 1, &read, nullptr) && read == 1) {
        if (c == '\n') {
            ended = true;
            break;
        }
        line[length++] = c;
    }
    c = 0;
    if (length > kMaxBytes) {
        std::fprintf(messages, "The password on standard input is longer than %lu characters.\n", kMaxPasswordCharacters);
        return false;
    }
    if (!ended && length == 0) return false;
    if (length > 0 && line[length - 1] == '\r') --length;
    password.assign(line, length);
    return true;
}

bool AskPassword(const char* account, std::string& password, void* context)
{
    return ReadPassword(account, password, static_cast<std::FILE*>(context));
}

void PrintNotice(const char* text, void* context)
{
    auto* messages = static_cast<std::FILE*>(context);
    std::fprintf(messages, "Note: %s.\n", text);
    std::fflush(messages);
}

}  // namespace

bool ReadPassword(const char* account, std::string& password, std::FILE* messages)
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (!input || input == INVALID_HANDLE_VALUE) return false;
    DWORD mode = 0;
    return GetConsoleMode(input, &mode) ? FromConsole(input, mode, account, password, messages)
                                        : FromPipe(input, password, messages);
}

InstallCallbacks ConsoleCallbacks(std::FILE* messages)
{
    InstallCallbacks callbacks;
    callbacks.context = messages;
    callbacks.password = AskPassword;
    callbacks.notice = PrintNotice;
    return callbacks;
}

}  // namespace host
