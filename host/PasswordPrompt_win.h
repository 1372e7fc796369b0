#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "Quillon.h"

namespace host {

// What Velmora.exe -i and -update give the library: a user account's password read from the
// console without echo, or as one line of standard input when that is no console (so a script
// can pipe it), and notices printed on `messages` as they come. The console prompt goes to standard
// error whatever `messages` is.
InstallCallbacks ConsoleCallbacks(std::FILE* messages);

// The password for `account`, read as ConsoleCallbacks reads it; false when none was given (one
// too long is said on `messages`).
bool ReadPassword(const char* account, std::string& password, std::FILE* messages);

// Wipes the bytes it was given when it goes: a password is kept no longer than it is needed.
class WipedOnExit {
public:
    WipedOnExit(void* data, std::size_t size) : data_(data), size_(size) {}
    WipedOnExit(const WipedOnExit&) = delete;
    WipedOnExit& operator=(const WipedOnExit&) = delete;
    ~WipedOnExit() { SecureZeroMemory(data_, size_); }

private:
    void* data_;
    std::size_t size_;
};

}  // namespace host
