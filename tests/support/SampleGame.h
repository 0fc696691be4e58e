// A small but realistic game tree: an installation with its Data archives and talk table, a home
// folder with a packed module, two HAKs, a custom talk table and an override folder. Shared by the
// end-to-end tests and the demo.
#pragma once

#include <string>
#include <vector>

namespace brindle::test {

/// Where a written sample game lives.
struct SampleGame {
    std::string install; ///< the installation folder
    std::string home;    ///< the home folder
    std::string module;  ///< the module's name
};

/// The four game tables, made up in the shapes the game ships them in.
std::string SampleGenderTable();
std::string SampleAppearanceTable();
std::string SampleArmorVisualDataTable();
std::string SampleBaseItemsTable();
/// The armor visual data table of the armor HAK: the base rows plus a material of its own.
std::string SampleHakArmorVisualDataTable();

/// Model file names (with extension) in the game's naming patterns, including names the lister
/// rejects (heads, creatures, placeables).
std::vector<std::string> SampleModelNames();

/// Writes the sample game below root (created as needed) and returns its folders.
SampleGame WriteSampleGame(const std::string& root);

/// A Brindlewhistler.ini text for a game; the three invisible-model options and ignoresingles as given.
std::string SampleSettings(const SampleGame& game, bool invisibleModels, bool ignoreSingles);

} // namespace brindle::test
