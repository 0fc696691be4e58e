// Writes the sample game tree (installation, home folder, module) into a folder, for the demo.
#include "tests/support/SampleGame.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    try {
        const brindle::test::SampleGame game = brindle::test::WriteSampleGame(argv[1]);
        std::printf("install=%s\nhome=%s\nmodule=%s\n", game.install.c_str(), game.home.c_str(), game.module.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot write the sample game: %s\n", e.what());
        return 1;
    }
    return 0;
}
