// The cost of "auto" for both game folders on the real system, over a made-up home folder: a Steam
// root whose libraryfolders.vdf names a second library, both holding other games only, and a Wine
// prefix with a system.reg of a busy prefix's size whose Obsidian key names the installation.
// So every Steam place is looked at before the prefix's registry is read and the game found.
//   brindle_bench_folder_search [runs]     (default 300)
// Prints "folder-search median=<ms> max=<ms> runs=<n>" and exits 1 when a search finds nothing.
#include "app/GameFolderSearch.h"
#include "app/SystemFolderSearch.h"
#include "tests/support/ScopedTempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace brindle;
using namespace brindle::test;

/// A system.reg of about 2 MiB, the size of a prefix after a few programs were installed, with the
/// game's key near its end.
std::string SystemRegistry()
{
    std::string text = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";
    for (int i = 0; text.size() < (2u << 20); ++i) {
        text += "[Software\\\\Classes\\\\CLSID\\\\{" + std::to_string(10000000 + i) +
                "-0000-0000-C000-000000000046}\\\\InprocServer32] 1700000000\n#time=1d9f0c6a1b2c3d4\n"
                "@=\"C:\\\\windows\\\\system32\\\\ole32.dll\"\n\"ThreadingModel\"=\"Both\"\n\n";
    }
    text += "[Software\\\\Wow6432Node\\\\Obsidian\\\\NWN 2\\\\Neverwinter] 1700000000\n"
            "\"Location\"=\"C:\\\\Games\\\\Neverwinter Nights 2\"\n\n";
    return text;
}

void WriteGameTree(const std::string& home)
{
    const std::string steam = home + "/.local/share/Steam";
    const std::string second = home + "/Games/SteamLibrary";
    WriteFile(steam + "/steamapps/libraryfolders.vdf",
              "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + steam +
                  "\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"228980\"\t\t\"1\"\n\t\t}\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" +
                  second + "\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"70\"\t\t\"1\"\n\t\t}\n\t}\n}\n");
    // Other games in both libraries, and an empty Proton folder for one of them.
    for (const std::string& library : {steam, second}) {
        for (const char* app : {"70", "228980", "1245620"}) {
            WriteFile(library + "/steamapps/appmanifest_" + app + ".acf",
                      std::string("\"AppState\"\n{\n\t\"appid\"\t\t\"") + app + "\"\n\t\"installdir\"\t\t\"Game " + app +
                          "\"\n}\n");
            MakeDirectories(library + "/steamapps/common/Game " + app);
        }
        MakeDirectories(library + "/steamapps/compatdata/1245620/pfx/drive_c/users/steamuser/Documents");
    }

    const std::string prefix = home + "/.wine";
    WriteFile(prefix + "/system.reg", SystemRegistry());
    WriteFile(prefix + "/user.reg", "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21\n\n");
    const std::string install = prefix + "/drive_c/Games/Neverwinter Nights 2";
    WriteFile(install + "/Data/2DA.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
    WriteFile(install + "/dialog.tlk", "TLK V3.0");
    MakeDirectories(prefix + "/drive_c/users/player/Documents/Neverwinter Nights 2/modules");
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    const ScopedTempDir root;
    const std::string home = root / "home";
    WriteGameTree(home);
    setenv("HOME", home.c_str(), 1);
    unsetenv("WINEPREFIX");

    const SystemFolderSearch system;
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        GameFolderSearch search(system, SearchPlaces::Linux);
        const bool found = search.FindInstall().has_value() && search.FindHome().has_value();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (!found) {
            std::fprintf(stderr, "the search found nothing; it looked at:\n");
            for (const std::string& place : search.Looked())
                std::fprintf(stderr, "  %s\n", place.c_str());
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("folder-search median=%.3f max=%.3f runs=%d\n", times[times.size() / 2], times.back(), runs);
    return 0;
}
