// A reader built from a file and the same reader built from the file's bytes in memory must come
// to the same outcome: builds both, compares what a test makes of each and hands back the one.
#pragma once

#include "tests/support/ByteBuilder.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace brindle::test {

/// What describe makes of a Reader built from arguments, or the text of the std::runtime_error
/// that refused it.
template <class Reader, class Describe, class... Arguments>
std::string OutcomeOf(const Describe& describe, const Arguments&... arguments)
{
    try {
        const auto reader = std::make_unique<Reader>(arguments...);
        return describe(*reader);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
}

/// The outcome of a Reader built from bytes (and extra, a name for its messages, say), checked to
/// be that of a Reader built from the file at path, which holds them.
template <class Reader, class Describe, class... Extra>
std::string OutcomeOfBoth(const Describe& describe, const std::string& bytes, const std::string& path,
                          const Extra&... extra)
{
    const std::string fromBytes = OutcomeOf<Reader>(describe, AsBytes(bytes), extra...);
    EXPECT_EQ(OutcomeOf<Reader>(describe, path), fromBytes) << path;
    return fromBytes;
}

/// OutcomeOfBoth for bytes first written to dir/name.
template <class Reader, class Describe>
std::string WrittenOutcomeOfBoth(const Describe& describe, const std::string& bytes, const ScopedTempDir& dir,
                                 const std::string& name)
{
    WriteFile(dir / name, bytes);
    return OutcomeOfBoth<Reader>(describe, bytes, dir / name);
}

/// Checks that every cut of bytes (the empty one and the whole included) reads alike both ways.
template <class Reader, class Describe>
void EveryCutReadsAlike(const Describe& describe, const std::string& bytes, const ScopedTempDir& dir,
                        const std::string& name)
{
    for (std::size_t length = 0; length <= bytes.size(); ++length) {
        SCOPED_TRACE(length);
        WrittenOutcomeOfBoth<Reader>(describe, bytes.substr(0, length), dir, name);
    }
}

/// One damaged variant of a small file and what a reader makes of it.
struct Damage {
    const char* what;
    std::size_t at;      ///< the byte changed, or where the file is cut
    int value;           ///< its new value, or -1 to cut the file there
    const char* outcome; ///< what the test makes of the reader, or the error that refused it
};

/// bytes with the damage done to them.
inline std::string Patched(std::string bytes, const Damage& damage)
{
    if (damage.value < 0)
        bytes.resize(damage.at);
    else
        bytes.at(damage.at) = static_cast<char>(damage.value);
    return bytes;
}

} // namespace brindle::test
