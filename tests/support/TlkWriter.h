// Builds valid talk tables (TLK V3.0) in memory.
#pragma once

#include <cstdint>
#include <string>

namespace brindle::test {

/// A talk table of stringCount entries; entry i holds the text "String i".
std::string BuildTlk(std::uint32_t stringCount);

} // namespace brindle::test
