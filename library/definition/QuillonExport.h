#pragma once

// Classes and functions exported from Quillon.dll. The portable core built natively for the unit
// tests and fuzzers is a plain static library, so the macro is empty there.
#if defined(_WIN32) && !defined(QUILLON_STATIC)
#  if defined(QUILLON_BUILD)
#    define QUILLON_API __declspec(dllexport)
#  else
#    define QUILLON_API __declspec(dllimport)
#  endif
#else
#  define QUILLON_API
#endif
