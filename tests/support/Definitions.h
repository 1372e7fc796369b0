#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "TempDir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

// Definition files for tests, written next to a copy of the shipped DTD, and programs that
// pass the executable check on either build.
class DefinitionDir : public TempDir {
public:
    DefinitionDir() { std::filesystem::copy_file(VELMORA_DTD_FILE, Path() / "Velmora.dtd"); }

    // An executable program file (an .exe ending on Windows, the execute bit elsewhere).
    std::string Program(const std::string& name = "prog.exe") const
    {
        const std::string path = Write(name, "MZ");
#ifndef _WIN32
        chmod(path.c_str(), 0755);
#endif
        return path;
    }

    std::string Folder(const std::string& name) const
    {
        std::filesystem::create_directories(Path() / name);
        return (Path() / name).string();
    }

    // A whole definition: `program` goes inside <Program> after the required children unless
    // it replaces them (`fullProgram`), `rest` after </Program>.
    static std::string Xml(const std::string& program, const std::string& rest = "")
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>\r\n"
               "<!DOCTYPE Service SYSTEM \"Velmora.dtd\">\r\n"
               "<Service>\r\n<Program>\r\n" +
               program + "\r\n</Program>\r\n" + rest + "\r\n</Service>\r\n";
    }

    static std::string Required(const std::string& name, const std::string& exe, const std::string& dir)
    {
        return "<Name>" + name + "</Name><DisplayName>Display " + name + "</DisplayName>" + "<WorkingDir>" +
               dir + "</WorkingDir><Executable>" + exe + "</Executable>";
    }
};
