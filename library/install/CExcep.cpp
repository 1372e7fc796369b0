#include "Quillon.h"

#include <cstring>

#include "Platform.h"

namespace {
const char kNotApplicable[] = "N/A";
}

CExcep::CExcep(const char* message, unsigned long systemCode)
    : message(message ? message : ""), detail(kNotApplicable), code(kLibraryFailure), systemText{}
{
    if (systemCode != 0) {
        platform::FormatSystemError(systemCode, systemText, sizeof systemText);
        detail = systemText;
    }
}

CExcep::CExcep(const CExcep& other) : message(other.message), detail(other.detail), code(other.code), systemText{}
{
    std::memcpy(systemText, other.systemText, sizeof systemText);
    if (other.detail == other.systemText) detail = systemText;
}

CExcep& CExcep::operator=(const CExcep& other)
{
    if (this != &other) {
        message = other.message;
        code = other.code;
        std::memcpy(systemText, other.systemText, sizeof systemText);
        detail = other.detail == other.systemText ? systemText : other.detail;
    }
    return *this;
}

EnvironmentVariable::~EnvironmentVariable() = default;
