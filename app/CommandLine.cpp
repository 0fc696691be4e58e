// Reading the command line and answering its requests for text.
#include "app/CommandLine.h"

#include "app/Settings.h"
#include "app/Version.h"

#include <cstring>

namespace brindle {

namespace {

constexpr const char* kProgramName = "brindlewhistler";

struct OptionHelp {
    const char* name;
    const char* meaning;
};

/// One line per option of the configuration file, in the order a configuration lists them.
constexpr OptionHelp kOptionHelp[] = {
    {kOptionModule, "the module's name, without extension"},
    {kOptionIgnoreSingles, "1: write single-value lists behind //"},
    {kOptionReport, "a path P: write P.html, P.tsv, P.conflicts.tsv"},
    {kOptionInstallPath, "the game's installation folder, or auto"},
    {kOptionHomePath, "the game's home folder (Modules/, hak/), or auto"},
    {kOptionInvisibleModelParts, "1: add 0 to every weapon model-part list"},
    {kOptionInvisibleVariations, "1: add 0 to every armor/clothing variation list"},
    {kOptionInvisibleArmorPieces, "1: add 0 to every armor-part list"},
};

constexpr const char* kUsageHead =
    "Usage: brindlewhistler [--check | --help | --version | --init]\n"
    "\n"
    "Lists the appearances a Neverwinter Nights 2 module sees in the game data\n"
    "(armor and clothing variations, armor parts, weapon model parts, armor visual\n"
    "types) and writes them as one NWScript constants script.\n"
    "\n"
    "It reads Brindlewhistler.ini from the working directory and writes\n"
    "zorvmantle_set_constants.NSS there. Lines are \"name = value\"; a [section] line\n"
    "puts its name and a dot in front of the names below it; # starts a comment.\n"
    "An option is on only when its value is exactly 1. A folder given as auto is\n"
    "searched for (Steam, Proton, Wine, the installers' registry keys).\n"
    "\n"
    "Options of Brindlewhistler.ini:\n";

constexpr const char* kUsageTail =
    "\n"
    "Command line:\n"
    "  --check       run, but write nothing (no script, no report); exit with 0\n"
    "                when the script in place is what the run would write, 1 when\n"
    "                it would change or there is none, 2 when the run fails\n"
    "  -h, --help    show this text and exit\n"
    "  --version     show the version and exit\n"
    "  --init        write a first Brindlewhistler.ini here, with the folders and\n"
    "                the module found, and exit (1 when one is already there)\n"
    "Other arguments are ignored.\n"
    "\n"
    "More in the manual page, brindlewhistler(1), and in the README.\n";

/// Column at which the meanings start: after the longest option name and two spaces.
constexpr std::size_t kMeaningColumn = 31;

} // namespace

CommandLineRequest ReadCommandLine(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr)
            break;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return CommandLineRequest::Help;
        if (std::strcmp(argv[i], "--version") == 0)
            return CommandLineRequest::Version;
        if (std::strcmp(argv[i], "--init") == 0)
            return CommandLineRequest::Init;
        if (std::strcmp(argv[i], "--check") == 0)
            return CommandLineRequest::Check;
    }
    return CommandLineRequest::Run;
}

std::string UsageText()
{
    std::string text = kUsageHead;
    for (const OptionHelp& option : kOptionHelp) {
        std::string line = std::string("  ") + option.name;
        line.resize(kMeaningColumn, ' ');
        text += line + option.meaning + "\n";
    }
    return text + kUsageTail;
}

std::string VersionText()
{
    return std::string(kProgramName) + " " + kVersion + "\n";
}

int AnswerRequest(CommandLineRequest request, std::FILE* out)
{
    const std::string text = request == CommandLineRequest::Version ? VersionText() : UsageText();
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    // A full disk or a closed pipe may show up only when the buffer is flushed.
    const bool flushed = std::fflush(out) == 0;
    return written && flushed ? 0 : 1;
}

} // namespace brindle
