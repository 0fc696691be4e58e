// Finding what a first configuration needs and writing it.
#include "app/SettingsInit.h"

#include "app/ReportOutput.h"
#include "app/Settings.h"
#include "platform/Ascii.h"
#include "platform/Directory.h"
#include "platform/File.h"

#include <boost/filesystem/operations.hpp>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace brindle {

namespace {

constexpr const char* kAlreadyThere = "Brindlewhistler.ini already exists here; --init changed nothing.\n";
constexpr const char* kWriteFailed = "ERROR: 'Failed to write Brindlewhistler.ini: %s'\n";
constexpr const char* kWroteHeading = "Wrote Brindlewhistler.ini:\n";
constexpr const char* kWroteLine = "  %s = %s%s\n";
constexpr const char* kLookedLine = "    looked at %s\n";
constexpr const char* kNoModuleLine = "  module = (none found: write your module's name into the file)\n";
constexpr const char* kOtherModulesLine = "  (%u more found, listed in the file as comments)\n";
constexpr const char* kNextSteps = "Next: check these lines in Brindlewhistler.ini, then run brindlewhistler in this folder.\n";
constexpr const char* kReportBase = "brindlewhistler-report";

constexpr const char* kHead =
    "# Brindlewhistler.ini: the configuration of brindlewhistler, first written by\n"
    "# brindlewhistler --init.\n"
    "#\n"
    "# Put this file in the folder you run the tool from; the tool writes the script\n"
    "# zorvmantle_set_constants.NSS into the same folder. Lines are \"name = value\";\n"
    "# a [section] line puts its name and a dot in front of the names below it, so\n"
    "# \"module\" under [settings] is the option settings.module. \"#\" starts a comment.\n"
    "# An option is on only when its value is exactly 1; a missing option is off.\n"
    "\n"
    "[settings]\n"
    "# The module to read: its name without extension (MyModule for Modules/MyModule.mod,\n"
    "# a pwc/MyModule.pwc archive, or an unpacked Modules/MyModule/ folder).\n";

constexpr const char* kMiddle =
    "\n"
    "# 1 writes every list that holds a single number behind // (one value offers no choice).\n"
    "ignoresingles = 0\n"
    "\n"
    "# A path P: a successful run also writes the report files P.html, P.tsv and P.conflicts.tsv.\n";

constexpr const char* kPaths =
    "\n"
    "[paths]\n"
    "# The game's installation folder: the one that holds Data/, dialog.tlk and granny2.dll.\n";

constexpr const char* kHomeComment =
    "\n"
    "# The game's per-user home folder: the one that holds Modules/, hak/, override/ and pwc/.\n";

constexpr const char* kTail =
    "\n"
    "[invisiblemodels]\n"
    "# 1 adds the value 0 (an invisible part) to every weapon model-part list.\n"
    "modelparts = 1\n"
    "# 1 adds the value 0 to every armor and clothing variation list.\n"
    "variations = 1\n"
    "# 1 adds the value 0 to every armor-part list.\n"
    "armorpieces = 1\n";

bool Writable(const std::string& name)
{
    return !name.empty() && !ascii::IsSpace(name.front()) && !ascii::IsSpace(name.back()) &&
           name.find_first_of("#\r\n") == std::string::npos;
}

bool EndsWithNoCase(const std::string& name, std::string_view suffix)
{
    return name.size() > suffix.size() &&
           ascii::EqualsIgnoreCase(std::string_view(name).substr(name.size() - suffix.size()), suffix);
}

std::string FolderLines(const std::optional<FoundFolder>& folder, const char* option, const char* what)
{
    if (!folder)
        return std::string("# auto found no ") + what +
               " folder when this file was written; it searches again at\n"
               "# every run. Write the folder here instead of auto if you know it.\n" +
               option + " = auto\n";
    return "# Found by auto (" + folder->how + ").\n" + option + " = " + folder->path + "\n";
}

/// The folder as an absolute path: the configuration may be moved to another folder.
std::optional<FoundFolder> Absolute(std::optional<FoundFolder> folder)
{
    if (folder)
        folder->path = boost::filesystem::absolute(boost::filesystem::path(folder->path)).string();
    return folder;
}

} // namespace

std::vector<std::string> ListModules(const std::string& home)
{
    const std::string folder = JoinNoCase(home, "modules");
    std::vector<platform::DirectoryItem> items;
    if (!platform::ListDirectory(folder, items))
        return {};
    std::vector<std::pair<std::int64_t, std::string>> modules;
    for (const platform::DirectoryItem& item : items) {
        const std::string path = JoinNoCase(folder, item.name);
        std::string name;
        std::int64_t time = 0;
        if (item.isRegularFile && EndsWithNoCase(item.name, ".mod")) {
            name = item.name.substr(0, item.name.size() - 4);
            platform::LastWriteTime(path, time);
        } else if (item.isDirectory) {
            // An unpacked module: the folder changes when files come and go, its module.ifo at
            // every save.
            const std::string ifo = JoinNoCase(path, "module.ifo");
            std::int64_t ifoTime = 0;
            if (!platform::LastWriteTime(ifo, ifoTime) || platform::IsDirectory(ifo))
                continue;
            name = item.name;
            platform::LastWriteTime(path, time);
            time = std::max(time, ifoTime);
        }
        if (Writable(name))
            modules.emplace_back(time, std::move(name));
    }
    std::sort(modules.begin(), modules.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    std::vector<std::string> names;
    for (auto& module : modules)
        names.push_back(std::move(module.second));
    return names;
}

std::string InitialSettingsText(const InitFindings& findings)
{
    std::string text = kHead;
    if (findings.modules.empty()) {
        text += "# No module was found in the home folder's modules folder: write your module's\n"
                "# name here.\n"
                "module =\n";
    } else {
        text += "# The most recently changed module of the home folder's modules folder.\n"
                "module = " + findings.modules.front() + "\n";
        if (findings.modules.size() > 1) {
            text += "# The other modules found there:\n";
            for (std::size_t i = 1; i < findings.modules.size(); ++i)
                text += "#module = " + findings.modules[i] + "\n";
        }
    }
    text += kMiddle;
    text += std::string("report = ") + kReportBase + "\n";
    text += kPaths;
    text += FolderLines(findings.install, "nwn2-install", "installation");
    text += kHomeComment;
    text += FolderLines(findings.home, "nwn2-home", "home");
    return text + kTail;
}

int WriteInitialSettings(IDebugTextOut& console, const IFolderSearchSystem& system, SearchPlaces places,
                         const std::string& directory)
{
    const std::string path = directory.empty() ? std::string(kSettingsFileName) : directory + "/" + kSettingsFileName;
    if (platform::PathExists(path)) {
        console.WriteText(kAlreadyThere);
        return 1;
    }
    GameFolderSearch search(system, places);
    InitFindings findings;
    findings.install = Absolute(search.FindInstall());
    const std::vector<std::string> installLooked = search.Looked();
    findings.home = Absolute(search.FindHome());
    const std::vector<std::string> homeLooked = search.Looked();
    if (findings.home)
        findings.modules = ListModules(findings.home->path);

    if (const std::error_code failed = WriteFileAtomically(path, InitialSettingsText(findings), Placement::OnlyNew)) {
        if (platform::PathExists(path))
            console.WriteText(kAlreadyThere);
        else
            console.WriteText(kWriteFailed, failed.message().c_str());
        return 1;
    }
    console.WriteText(kWroteHeading);
    if (findings.modules.empty())
        console.WriteText(kNoModuleLine);
    else
        console.WriteText(kWroteLine, "module", findings.modules.front().c_str(), "");
    if (findings.modules.size() > 1)
        console.WriteText(kOtherModulesLine, static_cast<unsigned>(findings.modules.size() - 1));
    const auto folderLine = [&](const char* option, const std::optional<FoundFolder>& folder,
                                const std::vector<std::string>& looked) {
        if (folder) {
            console.WriteText(kWroteLine, option, folder->path.c_str(), (" (" + folder->how + ")").c_str());
            return;
        }
        console.WriteText(kWroteLine, option, "auto", " (nothing found yet)");
        for (const std::string& place : looked)
            console.WriteText(kLookedLine, place.c_str());
    };
    folderLine("nwn2-install", findings.install, installLooked);
    folderLine("nwn2-home", findings.home, homeLooked);
    console.WriteText(kWroteLine, "report", kReportBase, "");
    console.WriteText(kNextSteps);
    return 0;
}

} // namespace brindle
