// Declaration and parsing of the configuration file's options.
#include "app/Settings.h"

#include <boost/program_options.hpp>

#include <fstream>
#include <stdexcept>

namespace brindle {

namespace po = boost::program_options;

const std::array<OptionDeclaration, 7> kOptionDeclarations = {{
    {kOptionModule, "Module to load data from."},
    {kOptionIgnoreSingles, "Comment out single-variation lists."},
    {kOptionInstallPath, "Neverwinter Nights 2 installation path."},
    {kOptionHomePath, "Neverwinter Nights 2 home directory."},
    // The three invisible-model options share one description.
    {kOptionInvisibleModelParts, "Export header for armor visual types."},
    {kOptionInvisibleVariations, "Export header for armor visual types."},
    {kOptionInvisibleArmorPieces, "Export header for armor visual types."},
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
        throw std::runtime_error(kMultipleOccurrencesMessage);
    }

    std::map<std::string, std::string> values;
    for (const auto& [name, value] : stored)
        values.emplace(name, value.as<std::string>());
    return OptionAccessor(std::move(values));
}

OptionAccessor ReadSettingsFile(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        return OptionAccessor();
    return ParseSettings(in);
}

} // namespace brindle
