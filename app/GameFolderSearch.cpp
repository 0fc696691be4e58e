// The places searched for "auto", in order, and the checks of each candidate.
#include "app/GameFolderSearch.h"

#include "app/ReadCapped.h"
#include "formats/KeyValuesText.h"
#include "formats/WineRegistryText.h"
#include "platform/Ascii.h"
#include "platform/Directory.h"
#include "platform/File.h"

#include <boost/filesystem/operations.hpp>

#include <algorithm>
#include <array>
#include <exception>

namespace brindle {

namespace {

// How each place is named on the console and in the report.
constexpr const char* kHowSteam = "Steam library, Enhanced Edition";
constexpr const char* kHowProton = "Proton prefix, Enhanced Edition";
constexpr const char* kHowObsidianKey = "registry, Obsidian key";
constexpr const char* kHowGogKey = "registry, GOG key";
constexpr const char* kHowDefault = "default folder";
constexpr const char* kHowDocuments = "Documents folder";
constexpr const char* kHowWineObsidianKey = "Wine prefix, Obsidian registry key";
constexpr const char* kHowWineGogKey = "Wine prefix, GOG registry key";
constexpr const char* kHowWineSteam = "Wine prefix, Steam library, Enhanced Edition";
constexpr const char* kHowWineGogFolder = "Wine prefix, GOG Games folder";
constexpr const char* kHowWineAtariFolder = "Wine prefix, Atari folder";
constexpr const char* kHowWineDocuments = "Wine prefix, Documents folder";

// What a candidate or a file turned out to be.
constexpr const char* kNotFound = "not found";
constexpr const char* kNoDataFolder = "no Data folder";
constexpr const char* kNoZip = "no .zip archive in Data";
constexpr const char* kNoDialogTlk = "no dialog.tlk";
constexpr const char* kNoHomeFolders = "no modules, hak or override folder";
constexpr const char* kTooLarge = "too large, skipped";
constexpr const char* kUnreadable = "unreadable, skipped";
// The same with the system's reason between.
constexpr const char* kUnreadablePrefix = "unreadable (";
constexpr const char* kUnreadableSuffix = "), skipped";
// A Data folder that is there but cannot be listed; the system's reason follows.
constexpr const char* kDataUnlisted = "Data cannot be listed: ";
constexpr const char* kMalformed = "malformed, skipped";
constexpr const char* kNoInstallDir = "no usable installdir";
constexpr const char* kNotSet = "not set";
constexpr const char* kNotMappable = "not a path of the prefix";
constexpr const char* kNoHomeVariable = "the home folder (HOME) is not known";

// The registry keys of the game's installers and of Steam, below their roots.
constexpr const char* kObsidianKey = "SOFTWARE\\Obsidian\\NWN 2\\Neverwinter";
constexpr const char* kGogKey = "SOFTWARE\\GOG.com\\GOGNWN2COMPLETE";
constexpr const char* kSteamKey = "Software\\Valve\\Steam";
// A 64-bit prefix keeps the 32-bit view of the machine's keys below this one.
constexpr const char* kWow64Node = "Software\\Wow6432Node\\";

/// The values of a prefix's system.reg that may name the installation folder, in the order tried.
struct WineMachineValue {
    const char* key;
    const char* value;
    const char* how;
};
constexpr WineMachineValue kWineMachineValues[] = {
    {kObsidianKey, "Location", kHowWineObsidianKey},
    {kObsidianKey, "Path", kHowWineObsidianKey},
    {kGogKey, "PATH", kHowWineGogKey},
};

constexpr std::array<const char*, 3> kWindowsDefaults = {
    "C:\\Program Files (x86)\\Atari\\Neverwinter Nights 2",
    "C:\\Program Files\\Atari\\Neverwinter Nights 2",
    "C:\\GOG Games\\Neverwinter Nights 2 Complete",
};

/// Steam's roots below the user's home folder: the native package, its old link, Flatpak, Snap.
constexpr std::array<const char*, 4> kSteamRoots = {
    ".local/share/Steam",
    ".steam/steam",
    ".var/app/com.valvesoftware.Steam/data/Steam",
    "snap/steam/common/.local/share/Steam",
};

constexpr std::array<const char*, 2> kDocumentsNames = {"Documents", "My Documents"};
constexpr const char* kGameFolderName = "Neverwinter Nights 2";

/// What a read that failed found, with the system's reason for an unreadable file.
std::string OutcomeText(ReadOutcome outcome, std::error_code reason)
{
    switch (outcome) {
    case ReadOutcome::Missing:
        return kNotFound;
    case ReadOutcome::TooLarge:
        return kTooLarge;
    default:
        return reason ? kUnreadablePrefix + reason.message() + kUnreadableSuffix : kUnreadable;
    }
}

/// Empty for a folder; kNotFound when nothing is there, else the system's reason why it cannot be
/// looked at ("Permission denied").
std::string FolderShortfall(const std::string& folder)
{
    boost::system::error_code error;
    const boost::filesystem::file_type type = boost::filesystem::status(boost::filesystem::path(folder), error).type();
    if (type == boost::filesystem::directory_file)
        return {};
    return type == boost::filesystem::status_error ? error.message() : kNotFound;
}

bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

/// A Windows path stores the game under one folder name: "..", separators or a drive would lead
/// elsewhere.
bool IsPlainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." &&
           std::none_of(name.begin(), name.end(), [](char c) { return IsSeparator(c) || c == ':' || c == '\0'; });
}

/// Where a prefix's system.reg may keep the machine key SOFTWARE\X: a 64-bit prefix keeps 32-bit
/// programs' X under Software\Wow6432Node\X, so that is looked at first.
std::vector<std::string> MachineKeys(const char* key)
{
    const std::string below = std::string(key).substr(std::string("SOFTWARE\\").size());
    return std::vector<std::string>{kWow64Node + below, key};
}

bool HasChildDirectory(const std::string& folder, const char* name)
{
    return platform::IsDirectory(JoinNoCase(folder, name));
}

} // namespace

std::string JoinNoCase(const std::string& path, const std::string& relative)
{
    const bool backslashes = path.find('\\') != std::string::npos && path.find('/') == std::string::npos;
    const char separator = backslashes ? '\\' : '/';
    std::string base = path;
    // "/" and "C:\" keep their separator.
    while (base.size() > 1 && IsSeparator(base.back()) && !(base.size() == 3 && base[1] == ':'))
        base.pop_back();
    std::string tail;
    if (base.empty() || !IsSeparator(base.back()))
        tail += separator;
    for (const char c : relative)
        tail += IsSeparator(c) ? separator : c;
    return platform::ResolveNoCase(base, tail);
}

std::string InstallShortfall(const std::string& folder)
{
    if (std::string shortfall = FolderShortfall(folder); !shortfall.empty())
        return shortfall;
    const std::string data = JoinNoCase(folder, "Data");
    if (const std::string shortfall = FolderShortfall(data); !shortfall.empty())
        return shortfall == kNotFound ? kNoDataFolder : kDataUnlisted + shortfall;
    std::vector<platform::DirectoryItem> items;
    std::error_code reason;
    if (!platform::ListDirectory(data, items, reason))
        return kDataUnlisted + reason.message();
    const bool zip = std::any_of(items.begin(), items.end(), [](const platform::DirectoryItem& item) {
        return item.isRegularFile && item.name.size() > 4 &&
               ascii::EqualsIgnoreCase(std::string_view(item.name).substr(item.name.size() - 4), ".zip");
    });
    if (!zip)
        return kNoZip;
    const std::string tlk = JoinNoCase(folder, "dialog.tlk");
    if (!platform::PathExists(tlk) || platform::IsDirectory(tlk))
        return kNoDialogTlk;
    return {};
}

std::string HomeShortfall(const std::string& folder)
{
    if (std::string shortfall = FolderShortfall(folder); !shortfall.empty())
        return shortfall;
    for (const char* name : {"modules", "hak", "override"})
        if (HasChildDirectory(folder, name))
            return {};
    return kNoHomeFolders;
}

GameFolderSearch::GameFolderSearch(const IFolderSearchSystem& system, SearchPlaces places)
    : m_System(system), m_Places(places)
{
}

std::optional<FoundFolder> GameFolderSearch::FindInstall()
{
    return Search(Kind::Install) ? m_Found : std::nullopt;
}

std::optional<FoundFolder> GameFolderSearch::FindHome()
{
    return Search(Kind::Home) ? m_Found : std::nullopt;
}

bool GameFolderSearch::Search(Kind kind)
{
    m_Found.reset();
    m_Looked.clear();
    return m_Places == SearchPlaces::Windows ? SearchWindows(kind) : SearchLinux(kind);
}

void GameFolderSearch::Note(const std::string& place, const std::string& outcome)
{
    m_Looked.push_back(place + " (" + outcome + ")");
}

bool GameFolderSearch::FolderNoted(const std::string& folder)
{
    const std::string shortfall = FolderShortfall(folder);
    if (!shortfall.empty())
        Note(folder, shortfall);
    return shortfall.empty();
}

bool GameFolderSearch::ListNoted(const std::string& folder, std::vector<platform::DirectoryItem>& items)
{
    if (!FolderNoted(folder))
        return false;
    std::error_code reason;
    if (platform::ListDirectory(folder, items, reason))
        return true;
    Note(folder, reason.message());
    return false;
}

bool GameFolderSearch::ReadNoted(const std::string& file, std::size_t limit, std::string& text)
{
    std::error_code reason;
    const ReadOutcome outcome = ReadCapped(file, limit, text, nullptr, &reason);
    if (outcome != ReadOutcome::Read)
        Note(file, OutcomeText(outcome, reason));
    return outcome == ReadOutcome::Read;
}

bool GameFolderSearch::Try(Kind kind, const std::string& path, const std::string& how)
{
    const std::string shortfall = kind == Kind::Install ? InstallShortfall(path) : HomeShortfall(path);
    if (!shortfall.empty()) {
        Note(path, shortfall);
        return false;
    }
    m_Found = FoundFolder{path, how};
    return true;
}

std::string GameFolderSearch::Map(const PathMap& map, const std::string& path)
{
    if (map.prefix.empty())
        return path;
    // "C:\Games\NWN2" or Steam's "c:/program files (x86)/steam": the drive's folder in the prefix.
    if (path.size() < 2 || path[1] != ':' || ascii::ToLower(path[0]) < 'a' || ascii::ToLower(path[0]) > 'z')
        return {};
    const char letter = ascii::ToLower(path[0]);
    const std::string driveC = JoinNoCase(map.prefix, "drive_c");
    const std::string drive = letter == 'c' && platform::IsDirectory(driveC)
                                  ? driveC
                                  : JoinNoCase(map.prefix, std::string("dosdevices/") + letter + ":");
    std::string rest = path.substr(2);
    while (!rest.empty() && IsSeparator(rest.front()))
        rest.erase(rest.begin());
    while (!rest.empty() && IsSeparator(rest.back()))
        rest.pop_back();
    for (char& c : rest)
        if (c == '\\')
            c = '/';
    return rest.empty() ? drive : JoinNoCase(drive, rest);
}

bool GameFolderSearch::SearchWindows(Kind kind)
{
    if (kind == Kind::Home) {
        const std::string documents = m_System.DocumentsFolder();
        if (documents.empty()) {
            Note(kHowDocuments, kNotFound);
            return false;
        }
        return Try(kind, JoinNoCase(documents, kGameFolderName), kHowDocuments);
    }
    if (TryRegistry(platform::RegistryRoot::LocalMachine, kObsidianKey, "Location", kHowObsidianKey) ||
        TryRegistry(platform::RegistryRoot::LocalMachine, kObsidianKey, "Path", kHowObsidianKey) ||
        TryRegistry(platform::RegistryRoot::LocalMachine, kGogKey, "PATH", kHowGogKey))
        return true;
    std::string steam;
    if (m_System.RegistryText(platform::RegistryRoot::CurrentUser, kSteamKey, "SteamPath", steam) && !steam.empty()) {
        if (SearchSteamRoot(kind, steam, PathMap{}, kHowSteam))
            return true;
    } else {
        Note(std::string("HKCU\\") + kSteamKey + ", SteamPath", kNotSet);
    }
    for (const char* folder : kWindowsDefaults)
        if (Try(kind, folder, kHowDefault))
            return true;
    return false;
}

bool GameFolderSearch::TryRegistry(platform::RegistryRoot root, const std::string& key, const std::string& value,
                                   const std::string& how)
{
    std::string text;
    if (!m_System.RegistryText(root, key, value, text) || text.empty()) {
        Note(std::string(root == platform::RegistryRoot::LocalMachine ? "HKLM\\" : "HKCU\\") + key + ", " + value,
             kNotSet);
        return false;
    }
    return Try(Kind::Install, Map(PathMap{}, text), how);
}

bool GameFolderSearch::SearchLinux(Kind kind)
{
    const std::string home = m_System.UserHome();
    if (home.empty()) {
        Note("Steam", kNoHomeVariable);
    } else {
        for (const char* root : kSteamRoots)
            if (SearchSteamRoot(kind, JoinNoCase(home, root), PathMap{}, kind == Kind::Install ? kHowSteam : kHowProton))
                return true;
    }
    std::vector<std::string> prefixes;
    const std::string variable = m_System.Variable("WINEPREFIX");
    if (!variable.empty())
        prefixes.push_back(variable);
    if (!home.empty()) {
        const std::string standard = JoinNoCase(home, ".wine");
        if (std::find(prefixes.begin(), prefixes.end(), standard) == prefixes.end())
            prefixes.push_back(standard);
    }
    for (const std::string& prefix : prefixes)
        if (SearchWinePrefix(kind, prefix))
            return true;
    return false;
}

std::vector<std::string> GameFolderSearch::SteamLibraries(const std::string& root, const PathMap& map)
{
    std::vector<std::string> libraries = {root};
    const std::string file = JoinNoCase(root, "steamapps/libraryfolders.vdf");
    std::string text;
    if (!ReadNoted(file, KeyValuesText::kMaxBytes, text))
        return libraries;
    try {
        const KeyValuesText values(text);
        for (const KeyValueEntry& entry : values.Entries()) {
            if (!ascii::EqualsIgnoreCase(entry.key, "path") || entry.value.empty())
                continue;
            const std::string library = Map(map, entry.value);
            if (library.empty()) {
                Note(entry.value, kNotMappable);
                continue;
            }
            if (std::find(libraries.begin(), libraries.end(), library) == libraries.end())
                libraries.push_back(library);
        }
    } catch (const std::exception&) {
        Note(file, kMalformed);
    }
    return libraries;
}

bool GameFolderSearch::SearchSteamRoot(Kind kind, const std::string& root, const PathMap& map, const std::string& how)
{
    const std::string mapped = Map(map, root);
    if (mapped.empty()) {
        Note(root, kNotMappable);
        return false;
    }
    if (!FolderNoted(mapped))
        return false;
    for (const std::string& library : SteamLibraries(mapped, map)) {
        if (kind == Kind::Home) {
            // Proton keeps the game's Windows user folder in a prefix of its own, per library.
            const std::string users = JoinNoCase(
                library, std::string("steamapps/compatdata/") + kEnhancedEditionAppId + "/pfx/drive_c/users/steamuser");
            for (const char* documents : kDocumentsNames)
                if (Try(kind, JoinNoCase(users, std::string(documents) + "/" + kGameFolderName), how))
                    return true;
            continue;
        }
        const std::string manifest =
            JoinNoCase(library, std::string("steamapps/appmanifest_") + kEnhancedEditionAppId + ".acf");
        std::string text;
        if (!ReadNoted(manifest, KeyValuesText::kMaxBytes, text))
            continue;
        std::vector<std::string> folders;
        try {
            folders = KeyValuesText(text).Values("installdir", 1);
        } catch (const std::exception&) {
            Note(manifest, kMalformed);
            continue;
        }
        if (folders.empty() || !IsPlainName(folders.front())) {
            Note(manifest, kNoInstallDir);
            continue;
        }
        if (Try(kind, JoinNoCase(library, "steamapps/common/" + folders.front()), how))
            return true;
    }
    return false;
}

std::optional<WineRegistryText> GameFolderSearch::OpenRegistryFile(const std::string& file, std::string& bytes)
{
    if (!ReadNoted(file, WineRegistryText::kMaxBytes, bytes))
        return std::nullopt;
    try {
        return WineRegistryText(bytes);
    } catch (const std::exception&) {
        Note(file, kMalformed);
        return std::nullopt;
    }
}

std::string GameFolderSearch::RegistryFileText(const WineRegistryText& registry, const std::string& file,
                                               const std::vector<std::string>& keys, const std::string& value)
{
    std::string text;
    for (const std::string& key : keys)
        if (registry.GetText(key, value, text) && !text.empty())
            return text;
    Note(file + ": " + keys.back() + ", " + value, kNotSet);
    return {};
}

bool GameFolderSearch::TryChildren(Kind kind, const std::string& parent, const std::string& how)
{
    std::vector<platform::DirectoryItem> items;
    if (!ListNoted(parent, items))
        return false;
    for (const platform::DirectoryItem& item : items)
        if (Try(kind, JoinNoCase(parent, item.name), how))
            return true;
    return false;
}

bool GameFolderSearch::SearchWinePrefix(Kind kind, const std::string& prefix)
{
    if (!FolderNoted(prefix))
        return false;
    const PathMap map{prefix};
    const std::string driveC = JoinNoCase(prefix, "drive_c");
    if (kind == Kind::Home)
        return SearchWineDocuments(kind, driveC);
    return SearchWineMachineKeys(kind, map) || SearchWineSteam(kind, map) ||
           TryChildren(kind, JoinNoCase(driveC, "GOG Games"), kHowWineGogFolder) ||
           SearchWineAtariFolders(kind, driveC);
}

bool GameFolderSearch::SearchWineDocuments(Kind kind, const std::string& driveC)
{
    const std::string users = JoinNoCase(driveC, "users");
    std::vector<platform::DirectoryItem> items;
    if (!ListNoted(users, items))
        return false;
    for (const platform::DirectoryItem& user : items)
        for (const char* documents : kDocumentsNames)
            if (Try(kind, JoinNoCase(users, user.name + "/" + documents + "/" + kGameFolderName), kHowWineDocuments))
                return true;
    return false;
}

bool GameFolderSearch::SearchWineMachineKeys(Kind kind, const PathMap& map)
{
    const std::string systemFile = JoinNoCase(map.prefix, "system.reg");
    std::string bytes;
    const std::optional<WineRegistryText> system = OpenRegistryFile(systemFile, bytes);
    if (!system)
        return false;
    for (const auto& value : kWineMachineValues) {
        const std::string text = RegistryFileText(*system, systemFile, MachineKeys(value.key), value.value);
        if (text.empty())
            continue;
        const std::string folder = Map(map, text);
        if (folder.empty())
            Note(text, kNotMappable);
        else if (Try(kind, folder, value.how))
            return true;
    }
    return false;
}

bool GameFolderSearch::SearchWineSteam(Kind kind, const PathMap& map)
{
    const std::string userFile = JoinNoCase(map.prefix, "user.reg");
    std::string bytes;
    const std::optional<WineRegistryText> user = OpenRegistryFile(userFile, bytes);
    if (!user)
        return false;
    const std::string steam = RegistryFileText(*user, userFile, {kSteamKey}, "SteamPath");
    return !steam.empty() && SearchSteamRoot(kind, steam, map, kHowWineSteam);
}

bool GameFolderSearch::SearchWineAtariFolders(Kind kind, const std::string& driveC)
{
    std::vector<platform::DirectoryItem> items;
    if (!platform::ListDirectory(driveC, items)) {
        Note(driveC, kNotFound);
        return false;
    }
    for (const platform::DirectoryItem& item : items) {
        // "Program Files" and "Program Files (x86)".
        if (!item.isDirectory || item.name.size() < 13 ||
            !ascii::EqualsIgnoreCase(std::string_view(item.name).substr(0, 13), "Program Files"))
            continue;
        const std::string atari = JoinNoCase(driveC, item.name + "/Atari");
        if (TryChildren(kind, atari, kHowWineAtariFolder))
            return true;
    }
    return false;
}

} // namespace brindle
