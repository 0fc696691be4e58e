// The search behind "auto": fake Steam, Proton, Wine and GOG trees in a scratch folder, with the
// user's home folder, environment and registry answered by the test.
#include "app/GameFolderSearch.h"
#include "platform/SystemFamily.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <tuple>

namespace brindle {
namespace {

using test::MakeDirectories;
using test::WriteFile;

class FakeSystem final : public IFolderSearchSystem {
public:
    std::string home;
    std::string documents;
    std::map<std::string, std::string> variables;
    std::map<std::tuple<platform::RegistryRoot, std::string, std::string>, std::string> registry;

    std::string UserHome() const override { return home; }
    std::string DocumentsFolder() const override { return documents; }
    std::string Variable(const char* name) const override
    {
        const auto it = variables.find(name);
        return it != variables.end() ? it->second : std::string();
    }
    bool RegistryText(platform::RegistryRoot root, const std::string& key, const std::string& value,
                      std::string& text) const override
    {
        const auto it = registry.find({root, key, value});
        if (it == registry.end())
            return false;
        text = it->second;
        return true;
    }
};

/// What an installation must hold, in the case the game's own installer leaves.
void MakeInstall(const std::string& folder)
{
    WriteFile(folder + "/Data/2DA.zip", "archive");
    WriteFile(folder + "/dialog.tlk", "talk table");
}

void MakeHome(const std::string& folder)
{
    MakeDirectories(folder + "/modules");
}

std::string Manifest(const std::string& installDir)
{
    return "\"AppState\"\n{\n\t\"appid\"\t\t\"2738630\"\n\t\"name\"\t\t\"Neverwinter Nights 2: Enhanced Edition\"\n"
           "\t\"installdir\"\t\t\"" + installDir + "\"\n}\n";
}

/// Backslashes doubled, as both the client and Wine write them.
std::string Escaped(const std::string& text)
{
    std::string out;
    for (const char c : text)
        out += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return out;
}

/// A libraryfolders.vdf listing the given libraries, each with an apps block.
std::string LibraryFolders(const std::vector<std::string>& paths)
{
    std::string text = "\"libraryfolders\"\n{\n";
    for (std::size_t i = 0; i < paths.size(); ++i) {
        text += "\t\"" + std::to_string(i) + "\"\n\t{\n\t\t\"path\"\t\t\"" + Escaped(paths[i]) +
                "\"\n\t\t\"label\"\t\t\"\"\n\t\t\"apps\"\n\t\t{\n\t\t\t\"2738630\"\t\t\"12345\"\n\t\t}\n\t}\n";
    }
    return text + "}\n";
}

std::string RegistryFile(const std::string& key, const std::string& name, const std::string& value)
{
    return "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n[" + Escaped(key) +
           "] 1700000000\n#time=1da0000000000\n\"" + name + "\"=\"" + Escaped(value) + "\"\n";
}

class GameFolderSearchTest : public ::testing::Test {
protected:
    GameFolderSearchTest() { m_System.home = m_Root / "user"; }

    std::string Home() const { return m_System.home; }

    std::optional<FoundFolder> Install(SearchPlaces places = SearchPlaces::Linux)
    {
        GameFolderSearch search(m_System, places);
        std::optional<FoundFolder> found = search.FindInstall();
        m_Looked = search.Looked();
        return found;
    }
    std::optional<FoundFolder> HomeFolder(SearchPlaces places = SearchPlaces::Linux)
    {
        GameFolderSearch search(m_System, places);
        std::optional<FoundFolder> found = search.FindHome();
        m_Looked = search.Looked();
        return found;
    }
    bool LookedAt(const std::string& line) const
    {
        return std::find(m_Looked.begin(), m_Looked.end(), line) != m_Looked.end();
    }
    std::string AllLooked() const
    {
        std::string text;
        for (const std::string& line : m_Looked)
            text += line + "\n";
        return text;
    }

    test::ScopedTempDir m_Root;
    FakeSystem m_System;
    std::vector<std::string> m_Looked;
};

TEST_F(GameFolderSearchTest, SteamWithTwoLibrariesAndARenamedInstallFolder)
{
    const std::string root = Home() + "/.local/share/Steam";
    const std::string second = m_Root / "games/SteamLibrary";
    WriteFile(root + "/steamapps/libraryfolders.vdf", LibraryFolders({root, second}));
    WriteFile(second + "/steamapps/appmanifest_2738630.acf", Manifest("NWN2 EE (renamed)"));
    MakeInstall(second + "/steamapps/common/NWN2 EE (renamed)");
    // The default name holds nothing: only the manifest's name counts.
    MakeDirectories(second + "/steamapps/common/NWN2 Enhanced Edition");
    const std::string documents = second + "/steamapps/compatdata/2738630/pfx/drive_c/users/steamuser/Documents";
    MakeHome(documents + "/Neverwinter Nights 2");

    const std::optional<FoundFolder> install = Install();
    ASSERT_TRUE(install) << AllLooked();
    EXPECT_EQ(install->path, second + "/steamapps/common/NWN2 EE (renamed)");
    EXPECT_EQ(install->how, "Steam library, Enhanced Edition");
    // The first library was looked at on the way.
    EXPECT_TRUE(LookedAt(root + "/steamapps/appmanifest_2738630.acf (not found)")) << AllLooked();

    const std::optional<FoundFolder> home = HomeFolder();
    ASSERT_TRUE(home) << AllLooked();
    EXPECT_EQ(home->path, documents + "/Neverwinter Nights 2");
    EXPECT_EQ(home->how, "Proton prefix, Enhanced Edition");
}

TEST_F(GameFolderSearchTest, EverySteamRootAndMyDocumentsUnderProton)
{
    // Flatpak's root alone, and the older "My Documents" name of the Proton user's folder.
    const std::string root = Home() + "/.var/app/com.valvesoftware.Steam/data/Steam";
    WriteFile(root + "/steamapps/appmanifest_2738630.acf", Manifest("NWN2 Enhanced Edition"));
    MakeInstall(root + "/steamapps/common/NWN2 Enhanced Edition");
    const std::string home =
        root + "/steamapps/compatdata/2738630/pfx/drive_c/users/steamuser/My Documents/Neverwinter Nights 2";
    MakeDirectories(home + "/override");

    const std::optional<FoundFolder> install = Install();
    ASSERT_TRUE(install) << AllLooked();
    EXPECT_EQ(install->path, root + "/steamapps/common/NWN2 Enhanced Edition");
    // Without libraryfolders.vdf the root is its own library; the roots before it are noted.
    EXPECT_TRUE(LookedAt(Home() + "/.local/share/Steam (not found)")) << AllLooked();
    EXPECT_TRUE(LookedAt(Home() + "/.steam/steam (not found)")) << AllLooked();
    EXPECT_TRUE(LookedAt(root + "/steamapps/libraryfolders.vdf (not found)")) << AllLooked();

    const std::optional<FoundFolder> found = HomeFolder();
    ASSERT_TRUE(found) << AllLooked();
    EXPECT_EQ(found->path, home);
}

TEST_F(GameFolderSearchTest, WinePrefixWhoseRegistryNamesADriveCPath)
{
    const std::string prefix = m_Root / "prefix";
    m_System.variables["WINEPREFIX"] = prefix;
    // The installer wrote the 32-bit view of a 64-bit prefix, with a trailing backslash and in a
    // case the folders on disk do not have.
    WriteFile(prefix + "/system.reg", RegistryFile("Software\\Wow6432Node\\Obsidian\\NWN 2\\Neverwinter", "Location",
                                                   "C:\\Program Files (x86)\\ATARI\\Neverwinter Nights 2\\"));
    MakeInstall(prefix + "/drive_c/Program Files (x86)/Atari/Neverwinter Nights 2");
    MakeHome(prefix + "/drive_c/users/me/Documents/Neverwinter Nights 2");

    const std::optional<FoundFolder> install = Install();
    ASSERT_TRUE(install) << AllLooked();
    EXPECT_EQ(install->path, prefix + "/drive_c/Program Files (x86)/Atari/Neverwinter Nights 2");
    EXPECT_EQ(install->how, "Wine prefix, Obsidian registry key");

    const std::optional<FoundFolder> home = HomeFolder();
    ASSERT_TRUE(home) << AllLooked();
    EXPECT_EQ(home->path, prefix + "/drive_c/users/me/Documents/Neverwinter Nights 2");
    EXPECT_EQ(home->how, "Wine prefix, Documents folder");
}

TEST_F(GameFolderSearchTest, WinePrefixRegistryKeysInOrder)
{
    const std::string prefix = Home() + "/.wine";
    struct Case {
        std::string systemReg;
        std::string userReg;
        std::string how;
    };
    const std::string gog = "C:\\GOG\\NWN2";
    const std::string steam = "c:/program files (x86)/steam";
    const Case cases[] = {
        // A 32-bit prefix keeps the keys without Wow6432Node.
        {RegistryFile("Software\\Obsidian\\NWN 2\\Neverwinter", "Path", gog), "", "Wine prefix, Obsidian registry key"},
        {RegistryFile("Software\\Wow6432Node\\GOG.com\\GOGNWN2COMPLETE", "PATH", gog), "", "Wine prefix, GOG registry key"},
        // Steam writes its own path with forward slashes, in lower case.
        {"", RegistryFile("Software\\Valve\\Steam", "SteamPath", steam), "Wine prefix, Steam library, Enhanced Edition"},
    };
    MakeInstall(prefix + "/drive_c/GOG/NWN2");
    const std::string steamRoot = prefix + "/drive_c/Program Files (x86)/Steam";
    WriteFile(steamRoot + "/steamapps/libraryfolders.vdf", LibraryFolders({"C:\\Program Files (x86)\\Steam"}));
    WriteFile(steamRoot + "/steamapps/appmanifest_2738630.acf", Manifest("NWN2 Enhanced Edition"));
    MakeInstall(steamRoot + "/steamapps/common/NWN2 Enhanced Edition");
    for (const Case& c : cases) {
        WriteFile(prefix + "/system.reg", c.systemReg.empty() ? "WINE REGISTRY Version 2\n" : c.systemReg);
        WriteFile(prefix + "/user.reg", c.userReg.empty() ? "WINE REGISTRY Version 2\n" : c.userReg);
        const std::optional<FoundFolder> install = Install();
        ASSERT_TRUE(install) << c.how << "\n" << AllLooked();
        EXPECT_EQ(install->how, c.how);
    }
}

TEST_F(GameFolderSearchTest, GogAndAtariFoldersOfAPrefix)
{
    const std::string driveC = Home() + "/.wine/drive_c";
    // A folder sorted first that is not the game is passed over.
    MakeDirectories(driveC + "/GOG Games/Another Game/Data");
    MakeInstall(driveC + "/GOG Games/Neverwinter Nights 2 Complete");
    std::optional<FoundFolder> install = Install();
    ASSERT_TRUE(install) << AllLooked();
    EXPECT_EQ(install->path, driveC + "/GOG Games/Neverwinter Nights 2 Complete");
    EXPECT_EQ(install->how, "Wine prefix, GOG Games folder");
    EXPECT_TRUE(LookedAt(driveC + "/GOG Games/Another Game (no .zip archive in Data)")) << AllLooked();
    // No registry files: noted, and the search goes on.
    EXPECT_TRUE(LookedAt(Home() + "/.wine/system.reg (not found)")) << AllLooked();

    std::filesystem::remove_all(driveC + "/GOG Games");
    MakeInstall(driveC + "/Program Files/Atari/Neverwinter Nights 2");
    install = Install();
    ASSERT_TRUE(install) << AllLooked();
    EXPECT_EQ(install->path, driveC + "/Program Files/Atari/Neverwinter Nights 2");
    EXPECT_EQ(install->how, "Wine prefix, Atari folder");
}

TEST_F(GameFolderSearchTest, WhatEachFolderMustHold)
{
    struct Case {
        std::vector<std::pair<std::string, std::string>> files; ///< path below the candidate, content
        std::vector<std::string> folders;
        std::string installShortfall;
        std::string homeShortfall;
    };
    const Case cases[] = {
        {{}, {}, "no Data folder", "no modules, hak or override folder"},
        {{{"dialog.tlk", "t"}}, {"Data"}, "no .zip archive in Data", "no modules, hak or override folder"},
        // A folder named like an archive is none, and neither is another extension.
        {{{"dialog.tlk", "t"}, {"Data/notes.txt", "x"}}, {"Data/fake.zip"}, "no .zip archive in Data", "no modules, hak or override folder"},
        {{{"Data/a.zip", "z"}}, {"dialog.tlk"}, "no dialog.tlk", "no modules, hak or override folder"},
        // Names in any case.
        {{{"DATA/X2.ZIP", "z"}, {"Dialog.TLK", "t"}}, {"Modules"}, "", ""},
        {{}, {"HAK"}, "no Data folder", ""},
        {{}, {"Override"}, "no Data folder", ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string folder = m_Root / ("case" + std::to_string(n++));
        MakeDirectories(folder);
        for (const auto& [path, content] : c.files)
            WriteFile(folder + "/" + path, content);
        for (const std::string& sub : c.folders)
            MakeDirectories(folder + "/" + sub);
        EXPECT_EQ(InstallShortfall(folder), c.installShortfall) << folder;
        EXPECT_EQ(HomeShortfall(folder), c.homeShortfall) << folder;
    }
    EXPECT_EQ(InstallShortfall(m_Root / "missing"), "not found");
    EXPECT_EQ(HomeShortfall(m_Root / "missing"), "not found");
    // A folder the system cannot look at is named with the system's reason (Windows takes a name
    // too long for one that is not there).
    const std::string tooLong = m_Root / std::string(300, 'n');
    EXPECT_EQ(InstallShortfall(tooLong), HomeShortfall(tooLong));
    if (BRINDLE_POSIX) {
        EXPECT_EQ(HomeShortfall(tooLong), std::make_error_code(std::errc::filename_too_long).message());
    }
    MakeDirectories(m_Root / "long");
    EXPECT_EQ(InstallShortfall(m_Root / "long"), "no Data folder");
}

TEST_F(GameFolderSearchTest, WindowsRegistryKeysSteamAndDocuments)
{
    using platform::RegistryRoot;
    const std::string bad = m_Root / "uninstalled";
    const std::string gog = m_Root / "gog";
    MakeInstall(gog);
    // Location names a folder that is gone; Path is not set; GOG's key is taken.
    m_System.registry[{RegistryRoot::LocalMachine, "SOFTWARE\\Obsidian\\NWN 2\\Neverwinter", "Location"}] = bad;
    m_System.registry[{RegistryRoot::LocalMachine, "SOFTWARE\\GOG.com\\GOGNWN2COMPLETE", "PATH"}] = gog;
    std::optional<FoundFolder> install = Install(SearchPlaces::Windows);
    ASSERT_TRUE(install) << AllLooked();
    EXPECT_EQ(install->path, gog);
    EXPECT_EQ(install->how, "registry, GOG key");
    EXPECT_EQ(AllLooked(), bad + " (not found)\nHKLM\\SOFTWARE\\Obsidian\\NWN 2\\Neverwinter, Path (not set)\n");

    // Steam's library, when neither installer left a key.
    m_System.registry.clear();
    const std::string steam = m_Root / "Steam";
    WriteFile(steam + "/steamapps/appmanifest_2738630.acf", Manifest("NWN2EE"));
    MakeInstall(steam + "/steamapps/common/NWN2EE");
    m_System.registry[{RegistryRoot::CurrentUser, "Software\\Valve\\Steam", "SteamPath"}] = steam;
    install = Install(SearchPlaces::Windows);
    ASSERT_TRUE(install) << AllLooked();
    EXPECT_EQ(install->path, steam + "/steamapps/common/NWN2EE");
    EXPECT_EQ(install->how, "Steam library, Enhanced Edition");

    m_System.documents = m_Root / "OneDrive/Documents";
    MakeHome(m_System.documents + "/Neverwinter Nights 2");
    const std::optional<FoundFolder> home = HomeFolder(SearchPlaces::Windows);
    ASSERT_TRUE(home) << AllLooked();
    EXPECT_EQ(home->path, m_System.documents + "/Neverwinter Nights 2");
    EXPECT_EQ(home->how, "Documents folder");
}

TEST_F(GameFolderSearchTest, NothingFoundListsEveryPlace)
{
    m_System.variables["WINEPREFIX"] = m_Root / "scratch-prefix";
    EXPECT_FALSE(Install());
    const std::string home = Home();
    EXPECT_EQ(AllLooked(), home + "/.local/share/Steam (not found)\n" + home + "/.steam/steam (not found)\n" + home +
                               "/.var/app/com.valvesoftware.Steam/data/Steam (not found)\n" + home +
                               "/snap/steam/common/.local/share/Steam (not found)\n" + (m_Root / "scratch-prefix") +
                               " (not found)\n" + home + "/.wine (not found)\n");
    EXPECT_FALSE(HomeFolder());
    EXPECT_EQ(m_Looked.size(), 6u) << AllLooked();

    // The Windows places: every key, Steam and the three default folders.
    EXPECT_FALSE(Install(SearchPlaces::Windows));
    EXPECT_EQ(m_Looked.size(), 7u) << AllLooked();
    EXPECT_TRUE(LookedAt("HKCU\\Software\\Valve\\Steam, SteamPath (not set)")) << AllLooked();
    EXPECT_FALSE(HomeFolder(SearchPlaces::Windows));
    EXPECT_EQ(AllLooked(), "Documents folder (not found)\n");
}

TEST_F(GameFolderSearchTest, HostileFilesAreSkipped)
{
    const std::string root = Home() + "/.local/share/Steam";
    const std::string second = m_Root / "lib2";
    const std::string third = m_Root / "lib3";
    // Far larger than any real list of libraries.
    WriteFile(Home() + "/.steam/steam/steamapps/libraryfolders.vdf",
              "\"libraryfolders\" { \"0\" { \"path\" \"" + std::string(5u << 20, 'x') + "\" } }");
    // Unbalanced: the whole file is skipped, and the root stays its own library.
    WriteFile(root + "/steamapps/libraryfolders.vdf", "\"libraryfolders\" { \"0\" { \"path\" \"" + second + "\"");
    WriteFile(root + "/steamapps/appmanifest_2738630.acf", Manifest("../../../../etc"));
    std::optional<FoundFolder> install = Install();
    EXPECT_FALSE(install);
    EXPECT_TRUE(LookedAt(Home() + "/.steam/steam/steamapps/libraryfolders.vdf (too large, skipped)")) << AllLooked();
    EXPECT_TRUE(LookedAt(root + "/steamapps/libraryfolders.vdf (malformed, skipped)")) << AllLooked();
    EXPECT_TRUE(LookedAt(root + "/steamapps/appmanifest_2738630.acf (no usable installdir)")) << AllLooked();

    // A malformed manifest in one library does not stop the next one.
    WriteFile(root + "/steamapps/libraryfolders.vdf", LibraryFolders({second, third}));
    WriteFile(second + "/steamapps/appmanifest_2738630.acf", "\"AppState\" { \"installdir\" }");
    WriteFile(third + "/steamapps/appmanifest_2738630.acf", Manifest("NWN2"));
    MakeInstall(third + "/steamapps/common/NWN2");
    install = Install();
    ASSERT_TRUE(install) << AllLooked();
    EXPECT_EQ(install->path, third + "/steamapps/common/NWN2");
    EXPECT_TRUE(LookedAt(second + "/steamapps/appmanifest_2738630.acf (malformed, skipped)")) << AllLooked();

    // A file that cannot be read is skipped with the system's reason.
    std::filesystem::remove(root + "/steamapps/libraryfolders.vdf");
    MakeDirectories(root + "/steamapps/libraryfolders.vdf");
    EXPECT_FALSE(Install());
    const std::string unreadable = root + "/steamapps/libraryfolders.vdf (unreadable (";
    EXPECT_NE(AllLooked().find(unreadable), std::string::npos) << AllLooked();
    if (BRINDLE_POSIX) {
        EXPECT_TRUE(LookedAt(unreadable + std::make_error_code(std::errc::is_a_directory).message() + "), skipped)"))
            << AllLooked();
    }

    // A prefix whose registry files are not registry files at all.
    std::filesystem::remove_all(Home());
    WriteFile(Home() + "/.wine/system.reg", std::string(100, '\0'));
    WriteFile(Home() + "/.wine/user.reg", "[Software\\\\Valve\\\\Steam]\n\"SteamPath\"=\"c:/steam\"\n");
    EXPECT_FALSE(Install());
    EXPECT_TRUE(LookedAt(Home() + "/.wine/system.reg (malformed, skipped)")) << AllLooked();
    EXPECT_TRUE(LookedAt(Home() + "/.wine/user.reg (malformed, skipped)")) << AllLooked();
}

TEST_F(GameFolderSearchTest, OtherDrivesThroughDosDevices)
{
    if (!BRINDLE_POSIX)
        GTEST_SKIP() << "a folder cannot be named \"d:\" on Windows";
    const std::string prefix = Home() + "/.wine";
    WriteFile(prefix + "/system.reg",
              RegistryFile("Software\\Wow6432Node\\GOG.com\\GOGNWN2COMPLETE", "PATH", "D:\\Games\\NWN2"));
    MakeInstall(prefix + "/dosdevices/d:/Games/NWN2");
    const std::optional<FoundFolder> install = Install();
    ASSERT_TRUE(install) << AllLooked();
    EXPECT_EQ(install->path, prefix + "/dosdevices/d:/Games/NWN2");
}

} // namespace
} // namespace brindle
