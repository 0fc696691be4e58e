// 2DA reader: the line and field rules over hand-written tables, the failure texts, and the real
// tables the game ships in haks.
#include "formats/TwoDAFileReader.h"

#include "tests/support/BothWays.h"
#include "tests/support/ByteBuilder.h"
#include "tests/support/ExpectThrow.h"
#include "tests/support/RealData.h"
#include "tests/support/ScopedTempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace brindle {
namespace {

using test::ScopedTempDir;

std::string WriteTable(const ScopedTempDir& dir, const std::string& text)
{
    const std::string path = dir / "table.2da";
    test::WriteFile(path, text);
    return path;
}

// All cells of a table, row by row, "|"-joined, for compact expectations.
std::string Dump(const TwoDAFileReader& table)
{
    std::string out;
    for (std::uint32_t row = 0; row < table.GetRowCount(); ++row) {
        if (row != 0)
            out += '/';
        for (std::size_t c = 0; c < table.GetColumns().size(); ++c) {
            std::string value;
            table.GetString(row, table.GetColumns()[c], value);
            out += (c == 0 ? "" : "|") + value;
        }
    }
    return out;
}

std::string Join(const std::vector<std::string>& names)
{
    std::string out;
    for (const std::string& name : names)
        out += (out.empty() ? "" : ",") + name;
    return out;
}

// What a table holds: its columns and cells.
std::string Describe(const TwoDAFileReader& table)
{
    return Join(table.GetColumns()) + ": " + Dump(table);
}

// The outcome of bytes parsed from memory under the name path, checked to be that of the file at
// path, which holds them, and that of the same bytes handed over instead of copied.
std::string OutcomeOfBoth(const std::string& bytes, const std::string& path)
{
    const std::string outcome = test::OutcomeOfBoth<TwoDAFileReader>(Describe, bytes, path, path);
    std::string handedOver;
    try {
        handedOver = Describe(TwoDAFileReader(std::string(bytes), path));
    } catch (const std::runtime_error& e) {
        handedOver = e.what();
    }
    EXPECT_EQ(handedOver, outcome) << "bytes handed over";
    return outcome;
}

struct LayoutCase {
    const char* name;
    std::string text;
    const char* columns;
    const char* cells;
};

TEST(TwoDAFileReaderTest, LinesAndFieldsAreSplitAsTheGameReadsThem)
{
    const LayoutCase cases[] = {
        {"crlf", "2DA V2.0\r\n\r\nA B\r\n0 x y\r\n1 z w\r\n", "A,B", "x|y/z|w"},
        {"lf and tab version", "2DA\tV2.0\n\nA\tB\n0\tx\ty\n", "A,B", "x|y"},
        {"lone cr line ends", "2DA V2.0\r\rA B\r0 x y\r1 z w", "A,B", "x|y/z|w"},
        {"cr runs before lf are one line end", "2DA V2.0\r\r\n\r\r\nA B\r\r\n0 x y\r\r\n", "A,B", "x|y"},
        {"mixed line ends", "2DA V2.0\n\rA B\r\n0 x y\r1 z w\n", "A,B", "x|y/z|w"},
        {"default line skipped", "2DA V2.0\nDEFAULT: 5\nA B\n0 x y\n", "A,B", "x|y"},
        {"default in lower case", "2DA V2.0\ndefault: 5\nA B\n0 x y\n", "A,B", "x|y"},
        {"no optional line", "2DA V2.0\nA B\n0 x y\n", "A,B", "x|y"},
        {"text after version ignored", "2DA V2.0\t\t\t junk\n\n\tA\t\tB \n0 x y\n", "A,B", "x|y"},
        {"blank rows skipped", "2DA V2.0\n\nA B\n\n0 x y\n  \t \n\n1 z w\n", "A,B", "x|y/z|w"},
        {"quoted cell", "2DA V2.0\n\nA B\n7 \"two words\" x\n", "A,B", "two words|x"},
        {"empty quoted cell", "2DA V2.0\n\nA B\n7 \"\" x\n", "A,B", "|x"},
        {"char after quote lost", "2DA V2.0\n\nA B\n7 \"ab\"c d\n", "A,B", "ab|d"},
        {"unterminated quote", "2DA V2.0\n\nA B\n7 x \"a b\n", "A,B", "x|a b"},
        {"vertical tab starts no field", "2DA V2.0\n\nA B\n7 \vx\fy z\n", "A,B", "x\fy|z"},
        {"0x1a ends the file",
         "2DA V2.0\n\nA B\n0 x y\n\x1a"
         "1 bad\n",
         "A,B", "x|y"},
        {"zero byte line ends the table", std::string("2DA V2.0\n\nA B\n0 x y\n\0 bad\n1 z\n", 29), "A,B", "x|y"},
        {"zero byte cuts a line", std::string("2DA V2.0\n\nA B\n0 x y\0 z\n", 24), "A,B", "x|y"},
        {"zero byte past a word's length",
         std::string("2DA V2.0\n\nA B\n0 xxxxxxxxxxx y\0 z\r\r\r\r\r\r\r\r\r\n1 q r\n", 48), "A,B",
         "xxxxxxxxxxx|y/q|r"},
        {"several line ends in eight bytes", "2DA V2.0\nA\n0 a\n1 b\n2 c\r3 d\r\n", "A", "a/b/c/d"},
        {"long line read whole", "2DA V2.0\n\nA B\n0 " + std::string(40000, 'q') + " y\n1 z w\n", "A,B", nullptr},
        {"empty file", "", "", ""},
        {"version line only", "2DA V2.0", "", ""},
        {"empty column line", "2DA V2.0\n\n\n0\n1\n", "", "/"},
        {"repeated column name", "2DA V2.0\n\nA A\n0 x y\n", "A,A", "x|x"},
        // Whatever follows a line's last field ends it, and nothing after it is read.
        {"last field before 0x1a", "2DA V2.0\n\nA B\n0 x yy\x1a z\n", "A,B", "x|yy"},
        {"last field before a zero byte", std::string("2DA V2.0\n\nA B\n0 x yy\0z\n", 23), "A,B", "x|yy"},
        {"last field before cr", "2DA V2.0\n\nA B\n0 x yy\r1 z w", "A,B", "x|yy/z|w"},
        {"last field at the text's end", "2DA V2.0\n\nA B\n0 x yy", "A,B", "x|yy"},
        {"quoted last field at the text's end", "2DA V2.0\n\nA B\n0 x \"y y\"", "A,B", "x|y y"},
        {"bytes above 0x7f are field bytes", "2DA V2.0\n\nA B\n0 \xe9t\xff \xa0\n", "A,B", "\xe9t\xff|\xa0"},
        {"white space runs between fields", "2DA V2.0\n\nA B\n0\t \v\fx \t\v y \t\n", "A,B", "x|y"},
    };
    ScopedTempDir dir;
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        TwoDAFileReader table(WriteTable(dir, c.text));
        EXPECT_EQ(Join(table.GetColumns()), c.columns);
        if (c.cells != nullptr) {
            EXPECT_EQ(Dump(table), c.cells);
        }
    }

    TwoDAFileReader longLine(WriteTable(dir, cases[20].text));
    ASSERT_EQ(longLine.GetRowCount(), 2u);
    std::string value;
    EXPECT_TRUE(longLine.GetString(0, "A", value));
    EXPECT_EQ(value, std::string(40000, 'q'));
    EXPECT_TRUE(longLine.GetString(1, "B", value));
    EXPECT_EQ(value, "w");
}

// Rows of every length up to a few times sixteen bytes, with fields and runs of blanks of many
// lengths, so that fields start and end at every place of the sixteen bytes looked at together; the
// same rows with a quoted field or a form feed at their end, which the byte rules split.
TEST(TwoDAFileReaderTest, LongRowsSplitAtEveryPlace)
{
    const char* const blanks[] = {" ", "\t", "  ", " \t ", "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t"};
    const char* const ends[] = {"", " \"q u\"", " \fq", " !q"};
    ScopedTempDir dir;
    for (std::size_t width = 1; width <= 37; ++width) {
        for (const char* end : ends) {
            SCOPED_TRACE(testing::Message() << "fields up to " << width << " bytes, row end '" << end << "'");
            std::string text = "2DA V2.0\n\nA B C D E\n";
            std::string expected;
            for (std::size_t row = 0; row < 3; ++row) {
                // Field lengths and blanks move with the row, and the label's length too.
                text += std::string(1 + row * width % 17, 'r');
                std::string cells;
                for (std::size_t field = 0; field < (*end == '\0' ? 5u : 4u); ++field) {
                    const std::string cell(1 + (field * 7 + row * 3) % width, static_cast<char>('a' + field));
                    text += blanks[(field + row) % std::size(blanks)] + cell;
                    cells += (field == 0 ? "" : "|") + cell;
                }
                if (*end != '\0') {
                    text += end;
                    cells += std::string("|") + (end[1] == '"' ? "q u" : end[1] == '\f' ? "q" : "!q");
                }
                text += row == 2 ? " \t" : "\t\n";
                expected += (row == 0 ? "" : "/") + cells;
            }
            EXPECT_EQ(OutcomeOfBoth(text, WriteTable(dir, text)), "A,B,C,D,E: " + expected);
        }
    }
}

TEST(TwoDAFileReaderTest, ConstructionFailuresCarryThePath)
{
    ScopedTempDir dir;
    const std::string path = dir / "table.2da";
    struct Case {
        std::string text;
        std::string message;
    } const cases[] = {
        {"2DA  V2.0\n", "Unrecognized file format on .2DA '" + path + "'."},
        {"\n2DA V2.0\n", "Unrecognized file format on .2DA '" + path + "'."},
        {"2DA V2.1\n", "Unrecognized file format on .2DA '" + path + "'."},
        {"2DA V2.0\n\nA B\n0 x y\n1 x\n", "Bad column count on .2DA '" + path + "' / row 1 (line 2, cols 2/2)."},
        {"2DA V2.0\n\nA B\n0 x y\n\n1 x y z\n",
         "Bad column count on .2DA '" + path + "' / row 3 (line 2, cols 4/2)."},
        // A second blank line after the version line becomes an empty column line.
        {"2DA V2.0\n\n\nA B\n0 x y\n", "Bad column count on .2DA '" + path + "' / row 1 (line 1, cols 2/0)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        test::WriteFile(path, c.text);
        test::ExpectThrowText<std::runtime_error>([&] { TwoDAFileReader table(path); }, c.message);
    }
    for (const std::string& bad : {dir / "missing.2da", dir.Path()})
        test::ExpectThrowText<std::runtime_error>([&] { TwoDAFileReader table(bad); },
                                                  "Failed to open .2DA file '" + bad + "'.");
}

TEST(TwoDAFileReaderTest, SmallTableFromBytesAndItsDamagedVariants)
{
    const unsigned char small[] =
        "2DA V2.0\r\n"
        "\r\n"
        "Label Model\r\n"
        "0 sword \"long sword\"\r\n"
        "1 **** axe\r\n";
    const std::string text(reinterpret_cast<const char*>(small), sizeof(small) - 1);
    const test::Damage cases[] = {
        {"as written", 0, '2', "Label,Model: sword|long sword/****|axe"},
        {"empty", 0, -1, ": "},
        {"version", 7, '1', "Unrecognized file format on .2DA '{}'."},
        {"cut inside the version", 5, -1, "Unrecognized file format on .2DA '{}'."},
        {"cut after the columns", 25, -1, "Label,Model: "},
        {"a quote lost", 33, ' ', "Bad column count on .2DA '{}' / row 3 (line 1, cols 4/2)."},
        {"a cell lost", 53, '_', "Bad column count on .2DA '{}' / row 1 (line 2, cols 2/2)."},
        {"a zero byte ends the table", 47, '\0', "Label,Model: sword|long sword"},
        {"0x1a ends the file", 55, '\x1a', "Label,Model: sword|long sword/****|a"},
    };
    ScopedTempDir dir;
    const std::string path = dir / "small.2da";
    for (const test::Damage& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string bytes = test::Patched(text, c);
        test::WriteFile(path, bytes);
        std::string expected = c.outcome;
        if (const std::size_t name = expected.find("{}"); name != std::string::npos)
            expected.replace(name, 2, path);
        EXPECT_EQ(OutcomeOfBoth(bytes, path), expected);
    }
    // A table over the limit is refused before it is copied.
    const std::vector<unsigned char> huge(kMaxTableSize + 1);
    const char* const refusal = "Table 'huge.2da' holds 67108865 bytes, more than the 67108864 a table may hold.";
    test::ExpectThrowText<std::runtime_error>([&] { TwoDAFileReader table(huge, "huge.2da"); }, refusal);
    test::ExpectThrowText<std::runtime_error>(
        [&] { TwoDAFileReader table(std::string(huge.size(), '\0'), "huge.2da"); }, refusal);
}

// Cells are 32-bit positions in the file's bytes: a table of 4 GiB or more is refused from its size,
// before anything is read into memory (a sparse file costs no disk).
TEST(TwoDAFileReaderTest, TablesOverTheLimitAreRefusedUnread)
{
    ScopedTempDir dir;
    const std::string path = dir / "huge.2da";
    test::WriteFile(path, "2DA V2.0\n\nA\n0 x\n");
    for (const std::uint64_t size : {kMaxTableSize + 1, std::uint64_t{5} << 30}) {
        std::filesystem::resize_file(path, size);
        test::ExpectThrowText<std::runtime_error>([&] { TwoDAFileReader table(path); },
                                                  "Table '" + path + "' holds " + std::to_string(size) +
                                                      " bytes, more than the 67108864 a table may hold.");
    }
}

TEST(TwoDAFileReaderTest, LongPathsCutTheColumnCountMessageAt255)
{
    ScopedTempDir dir;
    // 250 characters: long enough to be cut, short enough for the Windows path limit of 260.
    ASSERT_LT(dir.Path().size(), 200u) << dir.Path();
    const std::size_t room = 250 - dir.Path().size() - std::string_view("//.2da").size();
    const std::string path = dir / (std::string(room / 2, 'd') + "/" + std::string(room - room / 2, 'f') + ".2da");
    test::WriteFile(path, "2DA V2.0\n\nA\n0\n");
    const std::string whole = "Bad column count on .2DA '" + path + "' / row 0 (line 1, cols 1/1).";
    ASSERT_GT(whole.size(), 255u);
    test::ExpectThrowText<std::runtime_error>([&] { TwoDAFileReader table(path); }, whole.substr(0, 255));
}

TEST(TwoDAFileReaderTest, LookupsByRowAndColumn)
{
    ScopedTempDir dir;
    TwoDAFileReader table(WriteTable(dir, "2DA V2.0\n\nLABEL Model\n0 a ****\n1 \"****\" b\n"));
    ASSERT_EQ(table.GetRowCount(), 2u);
    EXPECT_EQ(table.GetColumnIndex("Model"), 1u);

    std::string value = "untouched";
    EXPECT_FALSE(table.GetString(2, "NoSuchColumn", value));
    EXPECT_EQ(value, "untouched");
    EXPECT_TRUE(table.GetString(0, "LABEL", value));
    EXPECT_EQ(value, "a");
    EXPECT_FALSE(table.GetString(0, "Model", value));
    EXPECT_EQ(value, "****");
    EXPECT_FALSE(table.GetString(1, "LABEL", value));
    EXPECT_EQ(value, "****");

    for (const std::string name : {"label", "NoSuchColumn", "Mode", "Model "})
        test::ExpectThrowText<std::runtime_error>([&] { table.GetString(0, name, value); },
                                                  "Illegal 2DA column reference: '" + name + "'.");
}

// Real tables: row counts and cells checked by hand against the files.
TEST(TwoDAFileReaderTest, RealTables)
{
    BRINDLE_REQUIRE_REALDATA(real);
    struct Cell {
        std::uint32_t row;
        const char* column;
        const char* value;
        bool present;
    };
    struct Table {
        const char* file;
        std::size_t rows;
        std::size_t columns;
        std::vector<Cell> cells;
    } const tables[] = {
        {"2da/ductshui_tabards/armorvisualdata.2da", 26, 4,
         {{0, "Label", "Cloth", true},
          {0, "Parent", "****", false},
          {16, "ToolsetName", "Costume Barrel", true},
          {16, "Prefix", "DMCB", true},
          {19, "Label", "padding", true},
          {24, "Prefix", "****", false},
          {25, "Prefix", "MP", true}}},
        {"2da/projectm_csl/armorvisualdata.2da", 19, 4,
         {{1, "Prefix", "CP", true}, {1, "Parent", "1", true}, {18, "Label", "GodBeastX", true}}},
        {"2da/nwn1_gender/gender.2da", 5, 4,
         {{0, "GENDER", "M", true}, {4, "CONSTANT", "GENDER_NONE", true}, {2, "GRAPHIC", "****", false}}},
        // CR-only line ends and a version line padded with tabs.
        {"2da/projectm_csl/baseitems.2da", 282, 0,
         {{0, "label", "shortsword", true},
          {0, "ItemClass", "W_SSword", true},
          {1, "label", "longsword", true},
          {147, "label", "padding", true},
          {147, "Name", "****", false},
          {281, "label", "Steed", true}}},
        {"2da/projectm_projm/baseitems.2da", 282, 0, {{0, "label", "shortsword", true}, {281, "label", "Steed", true}}},
        {"2da/projectm_projm/appearance.2da", 5001, 0,
         {{0, "LABEL", "Dwarf", true},
          {2, "STRING_REF", "1987", true},
          {96, "LABEL", "****", false},
          {5000, "LABEL", "Beholder_Misery_Remove", true},
          {5000, "NWN2_Model_Body", "c_reeBeholder", true}}},
        {"2da/projectm_csl/appearance.2da", 5001, 0,
         {{0, "LABEL", "Dwarf", true}, {5000, "LABEL", "Beholder_Misery_Remove", true}}},
    };
    for (const Table& t : tables) {
        SCOPED_TRACE(t.file);
        const std::string path = real + "/" + t.file;
        OutcomeOfBoth(test::ReadFile(path), path);
        TwoDAFileReader table(path);
        EXPECT_EQ(table.GetRowCount(), t.rows);
        if (t.columns != 0) {
            EXPECT_EQ(table.GetColumns().size(), t.columns);
        }
        for (const Cell& cell : t.cells) {
            std::string value;
            EXPECT_EQ(table.GetString(cell.row, cell.column, value), cell.present) << cell.row << cell.column;
            EXPECT_EQ(value, cell.value) << cell.row << " " << cell.column;
        }
    }
}

} // namespace
} // namespace brindle
