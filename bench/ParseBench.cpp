// Constructs XMLConfiguration from one definition file ITERATIONS times in one process, so that
// the per-parse cost can be set beside a validating parser doing the same number of parses.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "XMLConfiguration.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DEFINITION ITERATIONS\n", argv[0]);
        return 2;
    }
    const std::string file = argv[1];
    const long iterations = std::strtol(argv[2], nullptr, 10);
    if (iterations <= 0) return 2;

    const auto start = std::chrono::steady_clock::now();
    std::size_t invalid = 0;
    for (long i = 0; i < iterations; ++i) {
        const XMLConfiguration config(file);
        if (!config.IsValid()) ++invalid;
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (invalid) {
        std::fprintf(stderr, "%zu of %ld reads were invalid\n", invalid, iterations);
        return 1;
    }
    std::printf("%.6f\n", elapsed.count());
    return 0;
}
