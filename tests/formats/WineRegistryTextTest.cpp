// Wine's registry files: keys and values found without regard to case, Wine's escapes decoded.
#include "formats/WineRegistryText.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace brindle {
namespace {

constexpr const char* kSystemReg =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\Machine\n"
    "\n#arch=win64\n\n"
    "[Software\\\\Wow6432Node\\\\Obsidian\\\\NWN 2] 1700000000\n"
    "\"Location\"=\"wrong key\"\n\n"
    "[Software\\\\Wow6432Node\\\\Obsidian\\\\NWN 2\\\\Neverwinter] 1700000000\r\n"
    "#time=1da0000000000\r\n"
    "\"Count\"=dword:00000001\r\n"
    "\"Location\"=\"C:\\\\Program Files (x86)\\\\Atari\\\\Neverwinter Nights 2\\\\\"\r\n"
    "\"Path\"=str(2):\"%ProgramFiles%\\\\NWN2\"\n"
    "\"Odd\"=\"caf\\xe9 \\x20ac\\x0041 \\\"q\\\" tab\\tend\"\n"
    "\"Pair\"=\"\\xd83d\\xde00 \\xd800x\"\n"
    "\"Cut\"=\"no end\n"
    "\n[SoftwarexValve] 1700000000\n\"SteamPath\"=\"not this one\"\n"
    "\n[Software\\\\Valve] 1700000000\n"
    "\"SteamPath\"=\"c:/steam\"\n";

TEST(WineRegistryTextTest, FindsTextValues)
{
    const WineRegistryText registry(kSystemReg);
    struct Case {
        const char* key;
        const char* name;
        bool found;
        std::string text;
    };
    const Case cases[] = {
        {"Software\\Wow6432Node\\Obsidian\\NWN 2\\Neverwinter", "Location", true,
         "C:\\Program Files (x86)\\Atari\\Neverwinter Nights 2\\"},
        {"SOFTWARE\\WOW6432NODE\\obsidian\\nwn 2\\NEVERWINTER", "location", true,
         "C:\\Program Files (x86)\\Atari\\Neverwinter Nights 2\\"},
        {"Software\\Wow6432Node\\Obsidian\\NWN 2\\Neverwinter", "Path", true, "%ProgramFiles%\\NWN2"},
        // U+00E9, U+20AC, U+0041 in UTF-8; escaped quotes; a tab.
        {"Software\\Wow6432Node\\Obsidian\\NWN 2\\Neverwinter", "Odd", true, "caf\xC3\xA9 \xE2\x82\xAC" "A \"q\" tab\tend"},
        // A surrogate pair, and a lone high surrogate.
        {"Software\\Wow6432Node\\Obsidian\\NWN 2\\Neverwinter", "Pair", true, "\xF0\x9F\x98\x80 \xEF\xBF\xBDx"},
        {"Software\\Wow6432Node\\Obsidian\\NWN 2\\Neverwinter", "Count", false, ""},
        {"Software\\Wow6432Node\\Obsidian\\NWN 2\\Neverwinter", "Cut", false, ""},
        {"Software\\Wow6432Node\\Obsidian\\NWN 2\\Neverwinter", "Missing", false, ""},
        {"Software\\Wow6432Node\\Obsidian\\NWN 2", "Location", true, "wrong key"},
        {"Software\\Valve", "SteamPath", true, "c:/steam"},
        {"Software\\Valve\\Steam", "SteamPath", false, ""},
    };
    for (const Case& c : cases) {
        std::string text;
        EXPECT_EQ(registry.GetText(c.key, c.name, text), c.found) << c.key << " " << c.name;
        if (c.found) {
            EXPECT_EQ(text, c.text) << c.key << " " << c.name;
        }
    }
}

TEST(WineRegistryTextTest, RefusesWhatIsNoRegistryFile)
{
    for (const std::string& text : {std::string(), std::string("REGEDIT4\n"), std::string("WINE REGISTRY"),
                                    std::string(100, '\0')}) {
        try {
            WineRegistryText registry(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Not a Wine registry file.");
        }
    }
    // Cut anywhere, a file is read as far as it goes.
    const std::string whole = kSystemReg;
    for (std::size_t size = 22; size <= whole.size(); ++size) {
        const std::string cut = whole.substr(0, size);
        const WineRegistryText registry(cut);
        std::string text;
        registry.GetText("Software\\Valve", "SteamPath", text);
    }
}

} // namespace
} // namespace brindle
