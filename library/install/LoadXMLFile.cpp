#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "DefinitionConversion.h"
#include "Failure.h"
#include "LoadXMLFile.h"
#include "Platform.h"
#include "Quillon.h"
#include "VelmoraVersion.h"
#include "XMLConfiguration.h"

namespace {

constexpr std::size_t kMaxPath = 260;
const char kXmlEnding[] = ".xml";
const char kErrorsHeading[] = "Invalid service configuration, errors are as follows:";

[[noreturn]] void FileNotFound()
{
    failure::ThrowKind(CExcep::kFileNotFound, "The input file cannot be found.", platform::LastErrorCode());
}

bool Exists(const std::string& path) { return platform::QueryFileStatus(path).kind != platform::FileKind::Missing; }

// The path as given, or with ".xml" added when that is the one that exists.
std::string LocateDefinition(const char* fileName)
{
    const std::string given = fileName;
    if (Exists(given)) return given;
    const std::size_t length = given.size();
    const bool endsInXml = length >= 4 && given.compare(length - 4, 4, kXmlEnding) == 0;
    if (length >= 4 && (length + 4 >= kMaxPath || endsInXml)) {
        FileNotFound();
    }
    const std::string withEnding = given + kXmlEnding;
    if (!Exists(withEnding)) FileNotFound();
    return withEnding;
}

[[noreturn]] void ReportErrors(const ErrorList& errors, bool inException)
{
    // Saved first: writing the list must not change the error the exception reports.
    const unsigned long lastError = platform::LastErrorCode();
    if (inException) {
        std::string text = std::string(kErrorsHeading) + "\r\n";
        for (const auto& error : errors) text += error + "\r\n";
        failure::ThrowCode(failure::Hold(failure::Slot::ConfigurationErrors, std::move(text)), lastError);
    }
    std::fputs(kErrorsHeading, stdout);
    std::fputc('\n', stdout);
    for (const auto& error : errors) {
        std::fputs(error.c_str(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    failure::ThrowCode("Invalid service configuration", lastError);
}

}  // namespace

void LoadDefinitionFile(const char* fileName, ServiceDefinition* definition, unsigned char* forceReplace,
                        bool errorsInException, const relative_paths::Base& base)
{
    if (!fileName || !definition) failure::Throw("The input file cannot be found.");
    const std::string path = LocateDefinition(fileName);

    std::unique_ptr<XMLConfiguration> configuration;
    try {
        configuration = std::make_unique<XMLConfiguration>(path);
    } catch (const std::bad_alloc&) {
        failure::Throw("Not enough memory to read the service configuration");
    }
    if (!configuration->IsValid()) ReportErrors(configuration->Errors(), errorsInException);
    ConvertDefinition(*configuration, *definition, forceReplace, base);
}

// The library lies beside Velmora.exe, in the folder the host runs its programs from.
void LoadXMLFile(const char* fileName, ServiceDefinition* definition, unsigned char* forceReplace,
                 unsigned char errorsInException)
{
    relative_paths::Base base;
    base.folder = platform::ModuleDirectory();
    LoadDefinitionFile(fileName, definition, forceReplace, errorsInException != 0, base);
}

void PrintQuillonVersion()
{
    std::fputs("Quillon Tessel v" VELMORA_VERSION " Build " VELMORA_BUILD_DATE VELMORA_BUILD_NOTE "\n", stdout);
    std::fflush(stdout);
}
