// Writes the full-size synthetic game for the whole-run benchmark:
//   brindle_bench_generate <root> [seed]
#include "bench/SyntheticGame.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <root> [seed]\n", argv[0]);
        return 2;
    }
    try {
        const std::uint64_t seed = argc == 3 ? std::stoull(argv[2]) : 20261207;
        const brindle::bench::SyntheticGameCounts counts = brindle::bench::SyntheticGame(seed).Write(argv[1]);
        std::printf("synthetic game in %s (seed %llu): %llu archives, %llu archive entries of which %llu models, "
                    "%llu HAK entries, %llu loose files\n",
                    argv[1], static_cast<unsigned long long>(seed), static_cast<unsigned long long>(counts.archives),
                    static_cast<unsigned long long>(counts.archiveEntries),
                    static_cast<unsigned long long>(counts.archiveModels),
                    static_cast<unsigned long long>(counts.hakEntries),
                    static_cast<unsigned long long>(counts.looseFiles));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "generating the game failed: %s\n", error.what());
        return 1;
    }
    return 0;
}
