#include "Quillon.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "Platform.h"

namespace {
const char kNotApplicable[] = "N/A";
}

CExcep::CExcep(const char* message, unsigned long systemCode)
    : message(message ? message : ""), detail(kNotApplicable), code(kLibraryFailure), systemText{}
{
    if (systemCode != 0) {
        // The detail keeps the line end the system's text comes with; a text that does not fit the
        // buffer is left out, as the system itself refuses it.
        const std::string text = platform::SystemErrorText(systemCode);
        if (!text.empty() && text.size() + 2 < sizeof systemText)
            std::snprintf(systemText, sizeof systemText, "%s\r\n", text.c_str());
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
