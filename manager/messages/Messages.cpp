#include "Messages.h"

#include <vector>

#include "MessageBox.h"
#include "Platform.h"

namespace messages {

namespace {
constexpr DWORD kNeutralLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
constexpr DWORD kMessageBufferSize = 8192;
// Inserts a text names but the caller did not give read as empty texts instead of past the end.
constexpr size_t kInsertSlots = 9;
}  // namespace

std::string FormatMessageText(DWORD messageId, std::initializer_list<const char*> inserts)
{
    DWORD flags = FORMAT_MESSAGE_FROM_HMODULE;
    std::vector<DWORD_PTR> arguments;
    if (inserts.size() == 0) {
        flags |= FORMAT_MESSAGE_IGNORE_INSERTS;
    } else {
        flags |= FORMAT_MESSAGE_ARGUMENT_ARRAY;
        for (const char* insert : inserts) arguments.push_back(reinterpret_cast<DWORD_PTR>(insert ? insert : ""));
        while (arguments.size() < kInsertSlots) arguments.push_back(reinterpret_cast<DWORD_PTR>(""));
    }
    std::vector<char> buffer(kMessageBufferSize, '\0');
    const DWORD length = FormatMessageA(flags, nullptr, messageId, kNeutralLanguage, buffer.data(), kMessageBufferSize,
                                        arguments.empty() ? nullptr : reinterpret_cast<va_list*>(arguments.data()));
    return std::string(buffer.data(), length < kMessageBufferSize ? length : 0);
}

int ShowMessage(int severity, DWORD messageId, std::initializer_list<const char*> inserts)
{
    const UINT icon = severity == kError ? MB_ICONSTOP : MB_ICONINFORMATION;
    return ui::AppMessageBox(FormatMessageText(messageId, inserts), MB_OK | icon);
}

bool AskOkCancel(DWORD messageId, std::initializer_list<const char*> inserts)
{
    return ui::AppMessageBox(FormatMessageText(messageId, inserts), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

bool AskYesNo(DWORD messageId, std::initializer_list<const char*> inserts)
{
    return ui::AppMessageBox(FormatMessageText(messageId, inserts), MB_YESNO | MB_ICONWARNING) == IDYES;
}

std::string SystemErrorText(DWORD errorCode)
{
    if (errorCode == 0) return "N/A";
    const std::string text = platform::SystemErrorText(errorCode);
    return text.empty() ? text : text + "\r\n";
}

std::string StringResource(UINT id)
{
    char text[1024];
    const int length = LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
    return length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
}

}  // namespace messages
