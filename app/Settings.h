// The configuration file: the options, their descriptions, and reading the file.
#pragma once

#include "app/OptionAccessor.h"

#include <array>
#include <cstddef>
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

/// The largest settings file read; a larger one is refused whole.
inline constexpr std::size_t kMaxSettingsFileSize = 1024 * 1024;

/// Parses configuration text: "name = value" lines, "[section]" headers that prefix the names of
/// the lines below them with "section.", "#" comments. Names that are not declared are skipped.
/// Throws std::runtime_error, its text naming source (and the line where there is one), for a
/// text over kMaxSettingsFileSize, a NUL byte, a repeated option ("multiple occurrences of option
/// '<name>' in <source>") or a line the parser cannot read; platform::SystemFailure when memory
/// runs out.
OptionAccessor ParseSettings(std::istream& in, const std::string& source = kSettingsFileName);

/// What ReadSettingsFile found at its path.
enum class SettingsFileState { Read, Missing, Unreadable };

/// Parses the file at path, skipping a leading UTF-8 byte-order mark. A file that is missing or
/// cannot be read (permissions, a directory) reads as an empty one; state, when given, tells which.
/// Throws as ParseSettings does, path as the source; a file over kMaxSettingsFileSize is refused
/// by its size before it is read.
OptionAccessor ReadSettingsFile(const std::string& path, SettingsFileState* state = nullptr);

} // namespace brindle
