// The Steam client's key-values text: what is read, and what is refused without a crash.
#include "formats/KeyValuesText.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace brindle {
namespace {

TEST(KeyValuesTextTest, ReadsKeysValuesAndDepths)
{
    const KeyValuesText text("// written by the client\n\"libraryfolders\"\n{\n\t\"0\"\n\t{\n"
                             "\t\t\"path\"\t\t\"C:\\\\Program Files (x86)\\\\Steam\"\n"
                             "\t\t\"label\"\t\t\"say \\\"hi\\\"\"\n\t\t\"apps\" { \"2738630\" \"1\" }\n\t}\n"
                             "\tbare value\n}\n");
    ASSERT_EQ(text.Entries().size(), 4u);
    EXPECT_EQ(text.Entries()[0].key, "path");
    EXPECT_EQ(text.Entries()[0].value, "C:\\Program Files (x86)\\Steam");
    EXPECT_EQ(text.Entries()[0].depth, 2u);
    EXPECT_EQ(text.Entries()[1].value, "say \"hi\"");
    EXPECT_EQ(text.Entries()[2].key, "2738630");
    EXPECT_EQ(text.Entries()[2].depth, 3u);
    EXPECT_EQ(text.Entries()[3].key, "bare");
    EXPECT_EQ(text.Entries()[3].value, "value");
    EXPECT_EQ(text.Values("PATH", 2), std::vector<std::string>{"C:\\Program Files (x86)\\Steam"});
    EXPECT_TRUE(text.Values("path", 1).empty());
}

TEST(KeyValuesTextTest, RefusesMalformedText)
{

    std::string nested;
    for (int i = 0; i < 65; ++i)
        nested += "\"k\" { ";
    for (int i = 0; i < 65; ++i)
        nested += "} ";
    const std::string cases[] = {
        "\"key\" \"open string",
        "\"key\" { \"a\" \"b\"",          // block left open
        "}",                              // closed before opened
        "\"key\"",                        // key without value
        "{ \"a\" \"b\" }",                // block without key
        "\"a\" { \"b\" }",                // key without value inside a block
        nested,                           // deeper than allowed
        std::string(KeyValuesText::kMaxBytes + 1, ' '),
    };
    for (const std::string& c : cases) {
        try {
            KeyValuesText text(c);
            ADD_FAILURE() << "accepted: " << c.substr(0, 60);
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "Malformed key-values text.");
        }
    }
    // Nesting up to the limit is fine.
    std::string allowed;
    for (int i = 0; i < 64; ++i)
        allowed += "\"k\" { ";
    for (int i = 0; i < 64; ++i)
        allowed += "} ";
    EXPECT_NO_THROW(KeyValuesText{allowed});
}

} // namespace
} // namespace brindle
