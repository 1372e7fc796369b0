#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "FuzzTargets.h"

namespace {

const std::filesystem::path kCorpus = std::filesystem::path(VELMORA_SOURCE_DIR) / "tests" / "fixtures" / "fuzz";

std::vector<std::uint8_t> Bytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The inputs kept from fuzzing go through the fuzzers' own checks, which abort on a fault; with
// the sanitizers of the native build they catch what the fuzzing caught.
TEST(FuzzCorpus, ReplaysThroughTheFuzzersChecks)
{
    fuzz_targets::PrepareDefinition();
    struct Target {
        const char* folder;
        int (*run)(const std::uint8_t*, std::size_t);
    };
    const Target targets[] = {{"definition", &fuzz_targets::Definition},
                              {"registry-data", &fuzz_targets::RegistryData}};
    for (const Target& target : targets) {
        std::size_t replayed = 0;
        for (const auto& entry : std::filesystem::directory_iterator(kCorpus / target.folder)) {
            SCOPED_TRACE(entry.path().string());
            const std::vector<std::uint8_t> data = Bytes(entry.path());
            EXPECT_EQ(target.run(data.data(), data.size()), 0);
            ++replayed;
        }
        EXPECT_GT(replayed, 0u) << target.folder;
    }
}

}  // namespace
