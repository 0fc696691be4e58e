// The report's piece buffer: what it is given comes out in order and whole, with a sink or
// without, in pieces that end where Spill was called once a piece's worth was there.
#include "app/PieceWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace brindle {
namespace {

/// Writes rows of every length from 0 to 600 bytes (bytes, single characters and numbers), with a
/// Spill after each row.
template <class Each>
void WriteRows(PieceWriter& out, const Each& afterRow)
{
    for (std::size_t row = 0; row < 2000; ++row) {
        out.Put(std::string(row % 600, static_cast<char>('a' + row % 26)));
        out.Put('|');
        out.Number(row % 7 == 0 ? UINT64_MAX : row * 1000003);
        out.Put('\n');
        afterRow();
    }
}

TEST(PieceWriterTest, PiecesEndAtRowsAndAddUpToTheWhole)
{
    std::string expected;
    for (std::size_t row = 0; row < 2000; ++row)
        expected += std::string(row % 600, static_cast<char>('a' + row % 26)) + '|' +
                    std::to_string(row % 7 == 0 ? UINT64_MAX : row * 1000003) + '\n';
    {
        PieceWriter whole(nullptr, 16); // grows many times over
        WriteRows(whole, [] {});
        EXPECT_EQ(whole.Take(), expected);
    }

    std::vector<std::string> pieces;
    const ByteSink sink = [&pieces](std::string_view piece) {
        pieces.emplace_back(piece);
        return true;
    };
    PieceWriter out(&sink, 0);
    WriteRows(out, [&out] { out.Spill(); });
    out.Spill(0);
    ASSERT_TRUE(out.Ok());
    ASSERT_GT(pieces.size(), 1u);
    std::string joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        // Every piece but the last holds at least a piece's worth; each ends a row.
        if (i + 1 < pieces.size()) {
            EXPECT_GE(pieces[i].size(), kReportPiece) << i;
        }
        EXPECT_EQ(pieces[i].back(), '\n') << i;
        joined += pieces[i];
    }
    EXPECT_EQ(joined, expected);
}

TEST(PieceWriterTest, AFailedSinkIsNotCalledAgain)
{
    int calls = 0;
    const ByteSink sink = [&calls](std::string_view) {
        ++calls;
        return false;
    };
    PieceWriter out(&sink, 0);
    for (int i = 0; i < 3; ++i) {
        out.Put(std::string(kReportPiece, 'x'));
        out.Spill();
    }
    EXPECT_FALSE(out.Ok());
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace brindle
