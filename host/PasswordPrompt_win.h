#pragma once

#include <cstdio>
#include <string>

#include "Quillon.h"

namespace host {

// What Velmora.exe -i and -update give the library: a user account's password read from the
// console without echo, or as one line of standard input when that is no console (so a script
// can pipe it), and notices printed on `messages` as they come. The console prompt goes to standard
// error whatever `messages` is.
InstallCallbacks ConsoleCallbacks(std::FILE* messages);

}  // namespace host
