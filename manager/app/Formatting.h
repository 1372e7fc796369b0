#pragma once

#include <string>

namespace app {

// printf-style formatting through a 1024-byte buffer; a longer result is cut at its end.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace app
