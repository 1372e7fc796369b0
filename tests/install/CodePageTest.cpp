#include <gtest/gtest.h>

#include <string>

#include "Definitions.h"
#include "Quillon.h"

namespace {

// On Windows this test program runs without the programs' UTF-8 setting, as every program does on
// a Windows before 10 version 1903: text beyond ASCII is refused there, never passed on garbled.
// Natively, and where the setting holds, the same definition loads.
TEST(LoadXMLFile, TextBeyondAsciiNeedsUtf8AsTheCodePage)
{
    DefinitionDir dir;
    const std::string file = dir.Write(
        "intl.xml", DefinitionDir::Xml(DefinitionDir::Required("Intl1", dir.Program(), dir.Folder("w")) +
                                           u8"<Description>Служба</Description>"));
    ServiceDefinition d;
    std::string failure;
    try {
        unsigned char force = 0;
        LoadXMLFile(file.c_str(), &d, &force, 1);
    } catch (const CExcep& e) {
        failure = e.message;
    }
#ifdef _WIN32
    EXPECT_EQ(failure, "description holds characters outside ASCII, which this Windows cannot pass on: "
                       "names and paths in any language need Windows 10 version 1903 or later");
#else
    EXPECT_EQ(failure, "");
    EXPECT_EQ(d.Description, u8"Служба");
#endif
}

}  // namespace
