// Resource names of the synthetic game: models named in the game's patterns, and the other kinds
// of resources the game's archives hold, each with the folder it is filed under.
#pragma once

#include "bench/SeededRandom.h"
#include "bench/SyntheticTables.h"

#include <string>

namespace brindle::bench {

/// What a data archive family holds.
enum class ContentKind { Tables, Animations, AnimTags, Dialogs, Settings, LodModels, Music, Materials,
                         Models, Effects, Prefabs, Scripts, Sounds, SoundSets, Trees, Templates, Voices,
                         Walkmeshes };

class SyntheticNames {
public:
    SyntheticNames(SeededRandom& random, const SyntheticTables& tables);

    /// A model name without extension, in the game's mixed case: P_HHM_CL_Body01, A_HHF_LShoulder02,
    /// W_LSword03_b, c_..., plc_... Most fit the tool's grammar; some (heads, creatures, placeables,
    /// variations above 256) do not, as in the game.
    std::string ModelName();
    /// The folder (ending in "/") an archive files a model under.
    std::string ModelFolder(const std::string& model) const;
    /// A path inside a data archive (folders, name, extension in the game's mixed case).
    std::string ArchivePath(ContentKind kind, const std::string& top);
    /// A loose resource file name for an override folder or a name inside a HAK: base name and extension.
    std::pair<std::string, std::string> LooseResource();

private:
    std::string ArmorVariation();
    std::string ArmorPart();
    std::string Weapon();
    std::string Creature();
    std::string Placeable(const char* suffix);
    std::string Variation(std::uint32_t low, std::uint32_t high);
    std::string Word();

    SeededRandom& m_Random;
    const SyntheticTables& m_Tables;
    std::uint32_t m_Serial = 0;
};

} // namespace brindle::bench
