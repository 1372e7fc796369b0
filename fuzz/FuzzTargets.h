#pragma once

#include <cstddef>
#include <cstdint>

// The fuzzers' checks, callable without libFuzzer: the native tests replay the kept corpus
// (tests/fixtures/fuzz) through the same code.
namespace fuzz_targets {

// Once before the first definition: a folder holding the shipped DTD.
void PrepareDefinition();
int Definition(const std::uint8_t* data, std::size_t size);

int RegistryData(const std::uint8_t* data, std::size_t size);

}  // namespace fuzz_targets
