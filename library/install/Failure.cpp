#include "Failure.h"

#include "Platform.h"

namespace failure {

void Throw(const char* message) { throw CExcep(message, 0); }

void ThrowLastError(const char* message) { throw CExcep(message, platform::LastErrorCode()); }

void ThrowCode(const char* message, unsigned long systemCode) { throw CExcep(message, systemCode); }

void ThrowKind(std::int32_t kind, const char* message, unsigned long systemCode)
{
    CExcep e(message, systemCode);
    e.code = kind;
    throw e;
}

const char* Hold(Slot slot, std::string text)
{
    static std::string held[static_cast<int>(Slot::Count)];
    std::string& place = held[static_cast<int>(slot)];
    place = std::move(text);
    return place.c_str();
}

}  // namespace failure
