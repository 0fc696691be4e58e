// The search behind "auto" for the installation and home folders: the places where the game's
// installers, Steam, Proton and Wine put it, each candidate taken only when it holds what the
// folder must hold. The search reads a few small text files and lists folders; it never runs or
// loads anything.
#pragma once

#include "app/IFolderSearchSystem.h"
#include "formats/WineRegistryText.h"
#include "platform/Directory.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace brindle {

/// The Enhanced Edition's Steam app id.
inline constexpr const char* kEnhancedEditionAppId = "2738630";

/// Which system's places are searched.
enum class SearchPlaces { Windows, Linux };

/// A folder the search settled on.
struct FoundFolder {
    std::string path;
    std::string how; ///< where it was found, as the console shows it: "Steam library, Enhanced Edition"
};

class GameFolderSearch {
public:
    GameFolderSearch(const IFolderSearchSystem& system, SearchPlaces places);

    /// The first candidate that holds a Data folder with at least one .zip archive, and dialog.tlk.
    std::optional<FoundFolder> FindInstall();
    /// The first candidate that holds at least one of the folders modules, hak and override.
    std::optional<FoundFolder> FindHome();

    /// Every place the last Find looked at, in order, each with what it found there.
    const std::vector<std::string>& Looked() const { return m_Looked; }

private:
    enum class Kind { Install, Home };
    /// Turns a path as a Windows program stores it into one that can be opened here.
    struct PathMap {
        std::string prefix; ///< a Wine prefix, or empty: paths are taken as they are
    };

    bool Search(Kind kind);
    bool SearchWindows(Kind kind);
    bool SearchLinux(Kind kind);
    bool SearchSteamRoot(Kind kind, const std::string& root, const PathMap& map, const std::string& how);
    bool SearchWinePrefix(Kind kind, const std::string& prefix);
    /// The game's folder in each Windows user's Documents of the prefix.
    bool SearchWineDocuments(Kind kind, const std::string& driveC);
    /// The installers' keys in the prefix's system.reg.
    bool SearchWineMachineKeys(Kind kind, const PathMap& map);
    /// The Steam folder named in the prefix's user.reg.
    bool SearchWineSteam(Kind kind, const PathMap& map);
    /// Every folder below an Atari folder of the prefix's Program Files folders.
    bool SearchWineAtariFolders(Kind kind, const std::string& driveC);
    bool TryRegistry(platform::RegistryRoot root, const std::string& key, const std::string& value,
                     const std::string& how);
    /// A prefix's registry file over bytes, or none (noted) when it cannot be read.
    std::optional<WineRegistryText> OpenRegistryFile(const std::string& file, std::string& bytes);
    /// The first non-empty text of value under one of keys; empty (noted) when there is none.
    std::string RegistryFileText(const WineRegistryText& registry, const std::string& file,
                                 const std::vector<std::string>& keys, const std::string& value);
    bool TryChildren(Kind kind, const std::string& parent, const std::string& how);
    /// Checks a candidate, notes what it found and keeps it when it is good.
    bool Try(Kind kind, const std::string& path, const std::string& how);
    std::vector<std::string> SteamLibraries(const std::string& root, const PathMap& map);
    std::string Map(const PathMap& map, const std::string& path);
    void Note(const std::string& place, const std::string& outcome);
    /// True for a folder; false, with a note of what was found, for anything else.
    bool FolderNoted(const std::string& folder);
    /// Lists a folder; false, with a note of what was found, when it cannot.
    bool ListNoted(const std::string& folder, std::vector<platform::DirectoryItem>& items);
    /// Reads a whole small file into text; false, with a note of what was found, when it cannot.
    bool ReadNoted(const std::string& file, std::size_t limit, std::string& text);

    const IFolderSearchSystem& m_System;
    SearchPlaces m_Places;
    std::optional<FoundFolder> m_Found;
    std::vector<std::string> m_Looked;
};

/// What keeps folder from being an installation folder, as a short text; empty when it is one.
std::string InstallShortfall(const std::string& folder);
/// What keeps folder from being a home folder, as a short text; empty when it is one.
std::string HomeShortfall(const std::string& folder);

/// path followed by relative ("/"-separated), joined with the separator path already uses, each
/// component of relative matched without regard to case.
std::string JoinNoCase(const std::string& path, const std::string& relative);

} // namespace brindle
