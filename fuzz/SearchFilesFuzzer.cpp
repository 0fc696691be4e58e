// Fuzz target: the files the search for "auto" reads, Steam's key-values text (libraryfolders.vdf,
// appmanifest_*.acf) and a Wine prefix's registry text (system.reg, user.reg), given the input.
#include "formats/KeyValuesText.h"
#include "formats/WineRegistryText.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const brindle::KeyValuesText values(text);
        std::size_t total = 0;
        for (const brindle::KeyValueEntry& entry : values.Entries())
            total += entry.key.size() + entry.value.size();
        (void)values.Values("path", 2);
        (void)values.Values("installdir", 1);
        (void)total;
    } catch (const std::exception&) {
        // The search skips such a file.
    }
    try {
        const brindle::WineRegistryText registry(text);
        std::string value;
        (void)registry.GetText("Software\\Wow6432Node\\Obsidian\\NWN 2\\Neverwinter", "Location", value);
        (void)registry.GetText("Software\\Valve\\Steam", "SteamPath", value);
    } catch (const std::exception&) {
        // Likewise.
    }
    return 0;
}
