// Reader of 2DA V2.0 text tables: the whole file (or a copy of the caller's bytes) is read and
// parsed at construction; cells are then looked up by row number and column name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brindle {

/// The marker of a cell without a value.
inline constexpr const char* kTwoDAEmptyCell = "****";
/// The largest table read, in bytes. The game's own tables are at most a few MB; anything larger is
/// refused before it is read or copied, so that a packed entry that unpacks to gigabytes costs
/// neither memory nor disk.
inline constexpr std::uint64_t kMaxTableSize = std::uint64_t{64} << 20;
/// The refusal of a table over kMaxTableSize: its path, its size, the limit.
inline constexpr const char* kTableTooLarge = "Table '%s' holds %llu bytes, more than the %llu a table may hold.";

class TwoDAFileReader {
public:
    /// Reads and parses the table; throws std::runtime_error on any failure.
    explicit TwoDAFileReader(const std::string& path);
    /// Parses the table held in bytes as the path constructor parses a file of those bytes, with the
    /// same failures (less those of opening); name stands where a message would give the path. The
    /// bytes are copied: they need not outlive the constructor.
    TwoDAFileReader(std::span<const unsigned char> bytes, const std::string& name);
    /// The same, taking the caller's bytes over instead of copying them.
    TwoDAFileReader(std::string&& bytes, const std::string& name);
    virtual ~TwoDAFileReader();
    TwoDAFileReader(const TwoDAFileReader&) = delete;
    TwoDAFileReader& operator=(const TwoDAFileReader&) = delete;

    /// Number of data rows.
    std::size_t GetRowCount() const { return m_RowCount; }
    /// Position of the first column named exactly name; throws "Illegal 2DA column reference: '...'.".
    std::size_t GetColumnIndex(const std::string& name) const;
    /// GetColumnIndex without the throw: false when no column has that name.
    bool FindColumn(const std::string& name, std::size_t& index) const;
    /// The text of the cell at row and column, both in range; "****" as it stands.
    std::string_view Cell(std::size_t row, std::size_t column) const
    {
        const std::size_t cell = row * m_Columns.size() + column;
        return std::string_view(m_Text).substr(m_Bounds[2 * cell], m_Bounds[2 * cell + 1] - m_Bounds[2 * cell]);
    }
    /// Copies the cell into value; false for a row past the end (value untouched, column not looked
    /// at) or a cell that reads "****" (value holds it).
    bool GetString(std::uint32_t row, const std::string& column, std::string& value) const;

    const std::vector<std::string>& GetColumns() const { return m_Columns; }

private:
    enum class State { Version, Optional, Columns, Rows };

    void Parse(const std::string& path);
    void ParseColumns(std::string_view line, std::size_t lineCount);
    void ParseRow(const std::string& path, std::size_t lineStart, std::size_t lineEnd);
    /// What SplitPlainFields gives for a line that needs SplitFields.
    static constexpr std::size_t kNotPlain = SIZE_MAX;
    /// Keeps the cells of a line that holds no quote, vertical tab or form feed and returns its
    /// number of fields (the row label among them); kNotPlain, with nothing kept, for another line.
    /// The fields are found sixteen bytes at a time.
    std::size_t SplitPlainFields(std::size_t lineStart, std::size_t lineEnd);
    /// Keeps the cells of any line by the byte rules and returns its number of fields.
    std::size_t SplitFields(std::size_t lineStart, std::size_t lineEnd);
    /// Counts a row of that many fields (none: a blank line, not a row); throws when its cells do
    /// not match the columns.
    void CountRow(const std::string& path, std::size_t fields);

    std::vector<std::string> m_Columns;
    std::string m_Text;
    /// Where each cell's text starts and ends in the file's bytes (files are limited to 4 GiB): cell i
    /// is [m_Bounds[2i], m_Bounds[2i + 1]).
    std::vector<std::uint32_t> m_Bounds;
    std::vector<std::uint32_t> m_Edges; ///< SplitPlainFields' room for one line's field edges
    std::size_t m_RowCount = 0;
};

} // namespace brindle
