// Reads arbitrary bytes as a service definition, the way the product reads an untrusted file:
// from disk, with the shipped DTD beside it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzTargets.h"
#include "XMLConfiguration.h"

namespace {

std::filesystem::path workDir;
std::string definitionFile;

}  // namespace

void fuzz_targets::PrepareDefinition()
{
    char pattern[] = "/tmp/velmora-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    workDir = pattern;
    std::filesystem::copy_file(VELMORA_DTD_FILE, workDir / "Velmora.dtd");
    definitionFile = (workDir / "definition.xml").string();
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(workDir, ignored);
    });
}

int fuzz_targets::Definition(const std::uint8_t* data, std::size_t size)
{
    {
        std::ofstream out(definitionFile, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const XMLConfiguration config(definitionFile);
    // Touch what callers read so that a bad value object shows up here, not in the installer.
    std::size_t total = config.Errors().size() + config.Name().Value().size() + config.Environment().size();
    for (const auto& message : config.Errors()) total += message.size();
    if (config.IsValid()) {
        total += config.Service().Executable().Value().size() + config.Priority().Value();
        for (const auto& [name, value] : config.Environment()) total += name.Value().size() + value.Value().size();
    }
    const XMLConfiguration copy(config);
    if (copy.Errors() != config.Errors() || copy.IsValid() != config.IsValid()) std::abort();
    return total == static_cast<std::size_t>(-1);
}

#ifndef VELMORA_FUZZ_REPLAY
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_targets::PrepareDefinition();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz_targets::Definition(data, size);
}
#endif
