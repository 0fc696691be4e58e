// The fixed comment boxes of the generated constants script: the banner and one box per section.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace brindle::script {

/// Width of every box line, leading blanks included.
inline constexpr std::size_t kBoxLineWidth = 80;

extern const std::array<std::string_view, 14> kBannerBox;
extern const std::array<std::string_view, 14> kModelPartsBox;
extern const std::array<std::string_view, 26> kVariationsBox;
extern const std::array<std::string_view, 35> kArmorPartsBox;
extern const std::array<std::string_view, 13> kArmorVisualTypesBox;

} // namespace brindle::script
