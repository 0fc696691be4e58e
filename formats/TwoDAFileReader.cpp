// 2DA V2.0 tables: line splitting, the version/optional/columns/rows state machine and field
// splitting over the table's bytes held in memory (read from its file, or copied from the caller's).
#include "formats/TwoDAFileReader.h"

#include "platform/Ascii.h"
#include "platform/ByteWords.h"
#include "platform/File.h"
#include "platform/TextFormat.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace brindle {

namespace {

constexpr const char* kOpenFailedShort = "Failed to open .2DA file.";
constexpr const char* kBadFormatShort = "Unrecognized file format on .2DA.";
constexpr const char* kBadColumnCountShort = "Bad column count on .2DA";
constexpr const char* kIllegalColumnShort = "Illegal 2DA column reference.";
constexpr const char* kBadColumnCountFormat = "Bad column count on .2DA '%s' / row %lu (line %lu, cols %lu/%lu).";
constexpr std::size_t kBadColumnCountBuffer = 256;
constexpr std::size_t kMessageBuffer = 512;
constexpr std::size_t kInitialRows = 64;
constexpr std::uint32_t kReadChunk = 1u << 24;

// Raises a message built from a name or path, or the short fixed text when building it runs out
// of memory.
template <class Compose>
[[noreturn]] void ThrowComposed(Compose compose, const char* shortText)
{
    std::string message;
    try {
        message = compose();
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(shortText);
    }
    throw std::runtime_error(message);
}

[[noreturn]] void ThrowOpenFailed(const std::string& path)
{
    ThrowComposed([&] { return "Failed to open .2DA file '" + path + "'."; }, kOpenFailedShort);
}

[[noreturn]] void ThrowTooLarge(const std::string& path, std::uint64_t size)
{
    throw std::runtime_error(FormatBounded(kMessageBuffer, kTableTooLarge, path.c_str(),
                                           static_cast<unsigned long long>(size),
                                           static_cast<unsigned long long>(kMaxTableSize)));
}

bool ReadWholeFile(const std::string& path, std::string& out)
{
    const platform::OwnedFile file(
        platform::OpenForReading(path, platform::ShareMode::Read, platform::AccessHint::SequentialScan));
    if (!file)
        return false;
    std::uint64_t size = 0;
    // Refused before anything is read into memory.
    bool ok = platform::SizeOsFile(file.Get(), size);
    if (ok && size > kMaxTableSize)
        ThrowTooLarge(path, size);
    // The size only sizes the first read (one byte more, to meet the end of the file at once); the
    // file is read to its end, whatever that turns out to be.
    std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(size + 1, kReadChunk));
    while (ok) {
        const std::size_t used = out.size();
        out.resize(used + chunk);
        std::uint32_t read = 0;
        ok = platform::ReadOsFile(file.Get(), out.data() + used, static_cast<std::uint32_t>(chunk), read);
        out.resize(used + read);
        if (out.size() > kMaxTableSize)
            ThrowTooLarge(path, out.size()); // it grew while being read
        if (read < chunk)
            break;
        chunk = kReadChunk;
    }
    return ok;
}

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t';
}

// Byte classes for the field loop, which then needs no bound: a line holds no line end, zero
// byte or 0x1A (the file's end), and one of them stands right after it, or the text's own zero.
enum ByteClass : unsigned char {
    kFieldByte = 0,
    kSkippedByte = 1, ///< white space before a field (space, tab, vertical tab, form feed)
    kFieldEnd = 2,    ///< ends a field: a separator, or what follows a line
};

constexpr std::array<unsigned char, 256> MakeByteClasses()
{
    std::array<unsigned char, 256> classes{};
    for (const unsigned char c : {' ', '\t'})
        classes[c] = kSkippedByte | kFieldEnd;
    for (const unsigned char c : {'\v', '\f'})
        classes[c] = kSkippedByte;
    for (const unsigned char c : {'\n', '\r', '\0', '\x1a'})
        classes[c] = kFieldEnd;
    return classes;
}

constexpr std::array<unsigned char, 256> kByteClasses = MakeByteClasses();

unsigned char ClassOf(char c)
{
    return kByteClasses[static_cast<unsigned char>(c)];
}

bool IsVersionLine(std::string_view line)
{
    return line.size() >= 8 && (line.substr(0, 8) == "2DA V2.0" || line.substr(0, 8) == "2DA\tV2.0");
}

// The one line after the version line that is skipped: a default-value line or a blank one.
bool IsSkippableOptionalLine(std::string_view line)
{
    if (line.size() >= 8 && ascii::EqualsIgnoreCase(line.substr(0, 8), "DEFAULT:"))
        return true;
    return std::all_of(line.begin(), line.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

// The first LF, CR or zero byte in text[pos, end), or end. Eight bytes are looked at together.
std::size_t FindBreakOrZero(const char* text, std::size_t pos, std::size_t end)
{
    for (; end - pos >= 8; pos += 8) {
        const std::uint64_t word = words::Load(text + pos);
        // The lowest mark of each search is right, so the lowest of all three is.
        const std::uint64_t marks = words::LowestZero(word) | words::LowestZero(word ^ (words::kEveryByte * '\n')) |
                                    words::LowestZero(word ^ (words::kEveryByte * '\r'));
        if (marks != 0)
            return pos + words::FirstMarked(marks);
    }
    while (pos < end && text[pos] != '\n' && text[pos] != '\r' && text[pos] != '\0')
        ++pos;
    return pos;
}

// How often c occurs in text[0, size).
std::size_t CountByte(const char* text, std::size_t size, char c)
{
    std::size_t count = 0;
    const char* const end = text + size;
    for (const char* p = text; p != end; ++count) {
        const void* found = std::memchr(p, c, static_cast<std::size_t>(end - p));
        if (found == nullptr)
            break;
        p = static_cast<const char*>(found) + 1;
    }
    return count;
}

// Where the line after a line end at i (LF, CR or end) starts. A line ends at LF, at CR LF, or at
// a lone CR (tables saved with classic Mac line ends). A run of CRs directly before an LF is one
// line end, as text mode plus the cut at the first CR after the content reads it.
std::size_t NextLine(const std::string& text, std::size_t i, std::size_t end)
{
    if (i == end)
        return end;
    if (text[i] == '\n')
        return i + 1;
    std::size_t j = i;
    while (j < end && text[j] == '\r')
        ++j;
    return (j < end && text[j] == '\n') ? j + 1 : i + 1;
}

// The bytes of a table in memory, refused before they are copied when there are too many.
std::string CopyOfTable(std::span<const unsigned char> bytes, const std::string& name)
{
    if (bytes.size() > kMaxTableSize)
        ThrowTooLarge(name, bytes.size());
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

} // namespace

TwoDAFileReader::TwoDAFileReader(const std::string& path)
{
    if (!ReadWholeFile(path, m_Text))
        ThrowOpenFailed(path);
    Parse(path);
}

TwoDAFileReader::TwoDAFileReader(std::span<const unsigned char> bytes, const std::string& name)
    : TwoDAFileReader(CopyOfTable(bytes, name), name)
{
}

TwoDAFileReader::TwoDAFileReader(std::string&& bytes, const std::string& name)
{
    if (bytes.size() > kMaxTableSize)
        ThrowTooLarge(name, bytes.size());
    m_Text = std::move(bytes);
    Parse(name);
}

TwoDAFileReader::~TwoDAFileReader() = default;

void TwoDAFileReader::Parse(const std::string& path)
{
    // A 0x1A byte ends the file, as text mode reads it.
    const std::size_t end = std::min(m_Text.find('\x1a'), m_Text.size());
    // The number of line ends bounds the number of rows, enough to size the cell list once.
    std::size_t lineCount = CountByte(m_Text.data(), end, '\n');
    if (lineCount == 0)
        lineCount = CountByte(m_Text.data(), end, '\r');
    State state = State::Version;
    std::size_t pos = 0;
    while (pos < end) {
        const std::size_t lineEnd = FindBreakOrZero(m_Text.data(), pos, end);
        std::size_t lineBreak = lineEnd;
        // The line is seen as a C string: its text ends at a zero byte, and a line that starts
        // with one ends the table.
        if (lineEnd != end && m_Text[lineEnd] == '\0') {
            if (lineEnd == pos)
                break;
            while (lineBreak < end && m_Text[lineBreak] != '\n' && m_Text[lineBreak] != '\r')
                ++lineBreak;
        }
        const std::size_t next = NextLine(m_Text, lineBreak, end);
        const std::string_view line(m_Text.data() + pos, lineEnd - pos);

        switch (state) {
        case State::Version:
            if (!IsVersionLine(line))
                ThrowComposed([&] { return "Unrecognized file format on .2DA '" + path + "'."; }, kBadFormatShort);
            state = State::Optional;
            break;
        case State::Optional:
            state = State::Columns;
            if (IsSkippableOptionalLine(line))
                break;
            [[fallthrough]];
        case State::Columns:
            ParseColumns(line, lineCount);
            state = State::Rows;
            break;
        case State::Rows:
            ParseRow(path, pos, lineEnd);
            break;
        }
        pos = next;
    }
}

void TwoDAFileReader::ParseColumns(std::string_view line, std::size_t lineCount)
{
    std::size_t p = 0;
    while (p < line.size()) {
        while (p < line.size() && IsSeparator(line[p]))
            ++p;
        const std::size_t start = p;
        while (p < line.size() && !IsSeparator(line[p]))
            ++p;
        if (p > start)
            m_Columns.emplace_back(line.substr(start, p - start));
    }
    // Every cell takes at least one byte of the file, so no more than the file's size in cells is
    // ever reserved, however many columns the line names.
    const std::size_t rows = std::max(kInitialRows, lineCount + 1);
    const std::size_t columns = m_Columns.size();
    const std::size_t limit = m_Text.size();
    m_Bounds.reserve(2 * (columns != 0 && rows > limit / columns ? limit : rows * columns));
}

std::size_t TwoDAFileReader::SplitPlainFields(std::size_t lineStart, std::size_t lineEnd)
{
    const char* const text = m_Text.data();
    // The start and the end of each field, in turn: one at most at each byte of the line and at
    // its end. The room only grows, to the longest line's.
    if (m_Edges.size() < lineEnd - lineStart + 1)
        m_Edges.resize(lineEnd - lineStart + 1);
    std::uint32_t* const edges = m_Edges.data();
    std::size_t count = 0;
    for (std::size_t pos = lineStart; pos < lineEnd; pos += 16) {
        const std::size_t left = lineEnd - pos;
        const char* chunk = text + pos;
        char padded[16];
        if (m_Text.size() - pos < 16) {
            std::memset(padded, ' ', sizeof(padded));
            std::memcpy(padded, chunk, std::min(left, sizeof(padded)));
            chunk = padded;
        }
        std::uint32_t blanks = words::EqualBits16(chunk, ' ') | words::EqualBits16(chunk, '\t');
        std::uint32_t others =
            words::EqualBits16(chunk, '"') | words::EqualBits16(chunk, '\v') | words::EqualBits16(chunk, '\f');
        if (left < 16) {
            // Past the line's end stand separators, which end a field the line ends in.
            const std::uint32_t inLine = (1u << left) - 1;
            blanks |= ~inLine & 0xffff;
            others &= inLine;
        }
        // A quote, a vertical tab or a form feed needs the byte rules of SplitFields.
        if (others != 0)
            return kNotPlain;
        // A mark where a byte is a separator and the one before it is not, or the other way round;
        // before the first byte stands what the last chunk ended in (a separator before the line).
        const std::uint32_t before = (count & 1) != 0 ? 0 : 1;
        for (std::uint32_t changes = (blanks ^ ((blanks << 1) | before)) & 0xffff; changes != 0; changes &= changes - 1)
            edges[count++] = static_cast<std::uint32_t>(pos + static_cast<unsigned>(std::countr_zero(changes)));
    }
    if ((count & 1) != 0)
        edges[count++] = static_cast<std::uint32_t>(lineEnd);
    // The first field is the row label and is not kept.
    if (count > 2)
        m_Bounds.insert(m_Bounds.end(), edges + 2, edges + count);
    return count / 2;
}

void TwoDAFileReader::ParseRow(const std::string& path, std::size_t lineStart, std::size_t lineEnd)
{
    std::size_t fields = SplitPlainFields(lineStart, lineEnd);
    if (fields == kNotPlain)
        fields = SplitFields(lineStart, lineEnd);
    CountRow(path, fields);
}

std::size_t TwoDAFileReader::SplitFields(std::size_t lineStart, std::size_t lineEnd)
{
    const char* const text = m_Text.data();
    std::size_t fields = 0;
    std::size_t p = lineStart;
    while (true) {
        // Neither loop passes the line's end: what follows it is neither skipped nor a field byte.
        while ((ClassOf(text[p]) & kSkippedByte) != 0)
            ++p;
        if (p == lineEnd)
            break;
        const bool quoted = text[p] == '"';
        if (quoted)
            ++p;
        const std::size_t start = p;
        if (quoted) {
            while (p < lineEnd && text[p] != '"')
                ++p;
        } else {
            while ((ClassOf(text[p]) & kFieldEnd) == 0)
                ++p;
        }
        // The first field is the row label and is not kept.
        if (fields++ != 0) {
            m_Bounds.push_back(static_cast<std::uint32_t>(start));
            m_Bounds.push_back(static_cast<std::uint32_t>(p));
        }
        // Step over the separator; after a closing quote also over the character that follows it
        // (so a character written right after a closing quote is lost).
        if (p == lineEnd || ++p == lineEnd)
            break;
        if (quoted && ++p == lineEnd)
            break;
    }
    return fields;
}

void TwoDAFileReader::CountRow(const std::string& path, std::size_t fields)
{
    if (fields == 0)
        return;
    ++m_RowCount;
    const std::size_t cells = fields - 1;
    if (cells == m_Columns.size())
        return;
    ThrowComposed(
        [&] {
            return FormatBounded(kBadColumnCountBuffer, kBadColumnCountFormat, path.c_str(),
                                 static_cast<unsigned long>(cells), static_cast<unsigned long>(m_RowCount),
                                 static_cast<unsigned long>(fields),
                                 static_cast<unsigned long>(m_Columns.size()));
        },
        kBadColumnCountShort);
}

bool TwoDAFileReader::FindColumn(const std::string& name, std::size_t& index) const
{
    const auto found = std::find(m_Columns.begin(), m_Columns.end(), name);
    if (found == m_Columns.end())
        return false;
    index = static_cast<std::size_t>(found - m_Columns.begin());
    return true;
}

std::size_t TwoDAFileReader::GetColumnIndex(const std::string& name) const
{
    std::size_t index = 0;
    if (FindColumn(name, index))
        return index;
    ThrowComposed([&] { return "Illegal 2DA column reference: '" + name + "'."; }, kIllegalColumnShort);
}

bool TwoDAFileReader::GetString(std::uint32_t row, const std::string& column, std::string& value) const
{
    if (row >= m_RowCount)
        return false;
    const std::size_t cell = static_cast<std::size_t>(row) * m_Columns.size() + GetColumnIndex(column);
    const std::uint32_t start = m_Bounds[2 * cell];
    value.assign(m_Text, start, m_Bounds[2 * cell + 1] - start);
    return value != kTwoDAEmptyCell;
}

} // namespace brindle
