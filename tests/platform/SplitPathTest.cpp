// Path splitting: separators, drive prefix, last dot, and the two limits; both forms agree.
#include "platform/SplitPath.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

namespace brindle {
namespace {

TEST(SplitPathTest, PartsAndLimits)
{
    struct Case {
        std::string path;
        bool ok;
        std::string name;
        std::string extension;
    };
    const Case cases[] = {
        {"z:\\models/Chair01.MDB", true, "Chair01", ".MDB"},
        {"z:\\dir\\sub/a.b.utc", true, "a.b", ".utc"},
        {"README", true, "README", ""},
        {"z:\\folder/", true, "", ""},
        {"trailing.", true, "trailing", "."},
        {".hidden", true, "", ".hidden"},
        {"z:name.2da", true, "name", ".2da"},   // the drive prefix is no part of the name
        {"/:abc.2da", true, "abc", ".2da"},     // a separator inside the drive prefix counts for nothing
        {std::string(259, 'n') + ".x", true, std::string(259, 'n'), ".x"},
        {std::string(260, 'n') + ".x", false, "", ""},
        {"a." + std::string(30, 'e'), true, "a", "." + std::string(30, 'e')},
        {"a." + std::string(31, 'e'), false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        SplitPathResult copied{"untouched", "untouched"};
        std::string_view name = "untouched";
        std::string_view extension = "untouched";
        ASSERT_EQ(SplitPath(c.path, copied), c.ok);
        ASSERT_EQ(SplitPath(c.path, name, extension), c.ok);
        if (!c.ok) {
            EXPECT_EQ(copied.name, "untouched");
            EXPECT_EQ(name, "untouched");
            continue;
        }
        EXPECT_EQ(copied.name, c.name);
        EXPECT_EQ(copied.extension, c.extension);
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(extension, c.extension);
    }
}

/// The split done the plain way, one character at a time from the end.
std::pair<std::string, std::string> PlainSplit(const std::string& path)
{
    const std::size_t start = path.size() >= 2 && path[1] == ':' ? 2 : 0;
    std::size_t begin = path.size();
    while (begin > start && path[begin - 1] != '/' && path[begin - 1] != '\\')
        --begin;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < begin)
        return {path.substr(begin), ""};
    return {path.substr(begin, dot - begin), path.substr(dot)};
}

TEST(SplitPathTest, EveryPlaceOfSeparatorsAndDotsSplitsAsThePlainWay)
{
    // Separators and dots at every place around the eight-byte steps, with and without a drive.
    const std::string alphabet = "ab./\\:";
    std::uint32_t state = 12345;
    for (int round = 0; round < 20000; ++round) {
        state = state * 1664525u + 1013904223u;
        std::string path(state % 31, 'x');
        for (char& c : path) {
            state = state * 1664525u + 1013904223u;
            c = alphabet[(state >> 16) % alphabet.size()];
        }
        std::string_view name;
        std::string_view extension;
        ASSERT_TRUE(SplitPath(path, name, extension)) << path;
        const auto [plainName, plainExtension] = PlainSplit(path);
        ASSERT_EQ(name, plainName) << path;
        ASSERT_EQ(extension, plainExtension) << path;
    }
}

} // namespace
} // namespace brindle
