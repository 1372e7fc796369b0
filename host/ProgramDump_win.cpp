#include "ProgramDump_win.h"

#include <dbghelp.h>

#include "OutputCapture_win.h"
#include "OutputLines.h"
#include "Platform.h"
#include "UniqueResource.h"

namespace host {

namespace {

using WriteDump = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

std::string Failure(const char* doing, DWORD code)
{
    const std::string text = platform::SystemErrorText(code);
    return std::string(doing) + ": " + (text.empty() ? "error " + std::to_string(code) : text);
}

std::string FolderPath(std::string folder)
{
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    return folder;
}

}  // namespace

DumpResult WriteProgramDump(HANDLE process, DWORD processId, const std::string& folder, const std::string& service,
                            bool full, std::uint32_t keep)
{
    const std::string where = FolderPath(folder);
    // The dumps of a service are named as the rotated files of "<service>.dmp" are: they sort by age.
    const std::string pattern = where + service + ".dmp";
    DWORD error = 0;
    if (!MakeFolderFor(pattern, &error)) return {"", Failure("the folder cannot be made", error)};
    static const WriteDump write = [] {
        const HMODULE module = LoadLibraryA("dbghelp.dll");
        return module ? reinterpret_cast<WriteDump>(reinterpret_cast<void*>(GetProcAddress(module, "MiniDumpWriteDump")))
                      : nullptr;
    }();
    if (!write) return {"", Failure("the system's dump library cannot be loaded", GetLastError())};
    SYSTEMTIME t{};
    GetLocalTime(&t);
    std::string path = output::RotatedName(pattern, {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                                                     t.wMilliseconds});
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {"", Failure(("\"" + path + "\" cannot be created").c_str(), GetLastError())};
    const MINIDUMP_TYPE type = static_cast<MINIDUMP_TYPE>(
        full ? MiniDumpWithFullMemory | MiniDumpWithHandleData : MiniDumpNormal | MiniDumpWithHandleData);
    if (!write(process, processId, file.get(), type, nullptr, nullptr, nullptr)) {
        const DWORD code = GetLastError();
        file.reset();
        DeleteFileA(path.c_str());
        return {"", Failure("the dump failed", code)};
    }
    file.reset();
    DeleteBeyondKept(pattern, keep);
    return {path, ""};
}

}  // namespace host
