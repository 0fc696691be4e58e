// Path splitting: separators, drive prefix, last dot, and the two limits; both forms agree.
#include "platform/SplitPath.h"

#include <gtest/gtest.h>

#include <string>

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

} // namespace
} // namespace brindle
