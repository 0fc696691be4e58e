// The configuration file: the options, their descriptions, and reading the file.
#pragma once

#include "app/OptionAccessor.h"

#include <array>
#include <istream>
#include <string>

namespace brindle {

inline constexpr const char* kSettingsFileName = "Brindlewhistler.ini";

inline constexpr const char* kOptionModule = "settings.module";
inline constexpr const char* kOptionIgnoreSingles = "settings.ignoresingles";
inline constexpr const char* kOptionInstallPath = "paths.nwn2-install";
inline constexpr const char* kOptionHomePath = "paths.nwn2-home";
inline constexpr const char* kOptionInvisibleModelParts = "invisiblemodels.modelparts";
inline constexpr const char* kOptionInvisibleVariations = "invisiblemodels.variations";
inline constexpr const char* kOptionInvisibleArmorPieces = "invisiblemodels.armorpieces";
/// Where the run report goes: a path without extension; empty or absent writes no report.
inline constexpr const char* kOptionReport = "settings.report";

struct OptionDeclaration {
    const char* name;
    const char* description; ///< registered with the option, never printed
};

/// The options in the order they are declared.
extern const std::array<OptionDeclaration, 8> kOptionDeclarations;

/// Parses configuration text: "name = value" lines, "[section]" headers that prefix the names of
/// the lines below them with "section.", "#" comments. Names that are not declared are skipped.
/// Throws std::exception for a repeated option ("multiple occurrences") or a line the parser
/// cannot read (the parser's text).
OptionAccessor ParseSettings(std::istream& in);

/// What ReadSettingsFile found at its path.
enum class SettingsFileState { Read, Missing, Unreadable };

/// Parses the file at path, skipping a leading UTF-8 byte-order mark. A file that is missing or
/// cannot be read (permissions, a directory) reads as an empty one; state, when given, tells which.
OptionAccessor ReadSettingsFile(const std::string& path, SettingsFileState* state = nullptr);

} // namespace brindle
