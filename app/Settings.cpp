// Declaration and parsing of the configuration file's options.
#include "app/Settings.h"

#include "platform/File.h"

#include <boost/program_options.hpp>

#include <sstream>
#include <stdexcept>

namespace brindle {

namespace {

// A repeated option, whatever the parser's own wording.
constexpr const char* kMultipleOccurrences = "multiple occurrences";

constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

} // namespace

namespace po = boost::program_options;

const std::array<OptionDeclaration, 8> kOptionDeclarations = {{
    {kOptionModule, "Module to load data from."},
    {kOptionIgnoreSingles, "Comment out single-variation lists."},
    {kOptionInstallPath, "Neverwinter Nights 2 installation path."},
    {kOptionHomePath, "Neverwinter Nights 2 home directory."},
    // The three invisible-model options share one description.
    {kOptionInvisibleModelParts, "Export header for armor visual types."},
    {kOptionInvisibleVariations, "Export header for armor visual types."},
    {kOptionInvisibleArmorPieces, "Export header for armor visual types."},
    {kOptionReport, "Run report to write, as a path without extension."},
}};

OptionAccessor ParseSettings(std::istream& in)
{
    po::options_description description;
    for (const OptionDeclaration& option : kOptionDeclarations)
        description.add_options()(option.name, po::value<std::string>(), option.description);

    po::variables_map stored;
    try {
        po::store(po::parse_config_file(in, description, true), stored);
    } catch (const po::multiple_occurrences&) {
        throw std::runtime_error(kMultipleOccurrences);
    }

    std::map<std::string, std::string> values;
    for (const auto& [name, value] : stored)
        values.emplace(name, value.as<std::string>());
    return OptionAccessor(std::move(values));
}

OptionAccessor ReadSettingsFile(const std::string& path, SettingsFileState* state)
{
    const auto report = [&](SettingsFileState what) {
        if (state != nullptr)
            *state = what;
    };
    // Only a regular file is read: a FIFO would block the open and a device may never end.
    const platform::OwnedFile file(
        platform::OpenForReading(path, platform::ShareMode::Read, platform::AccessHint::SequentialScan));
    if (!file) {
        report(platform::PathExists(path) ? SettingsFileState::Unreadable : SettingsFileState::Missing);
        return OptionAccessor();
    }
    std::string text;
    bool ok = true;
    char chunk[4096];
    std::uint32_t read = 0;
    while ((ok = platform::ReadOsFile(file.Get(), chunk, sizeof(chunk), read)) && read != 0)
        text.append(chunk, read);
    report(ok ? SettingsFileState::Read : SettingsFileState::Unreadable);
    if (!ok)
        return OptionAccessor();
    // Editors on Windows save UTF-8 with a byte-order mark, which the parser would take as part of
    // the first line.
    if (text.rfind(kUtf8ByteOrderMark, 0) == 0)
        text.erase(0, sizeof(kUtf8ByteOrderMark) - 1);
    std::istringstream in(std::move(text));
    return ParseSettings(in);
}

} // namespace brindle
