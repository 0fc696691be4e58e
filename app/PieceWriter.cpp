// The report's piece buffer.
#include "app/PieceWriter.h"

#include <algorithm>
#include <charconv>

namespace brindle {

namespace {

/// A row's worth of room beyond a piece, so the writer with a sink never grows.
constexpr std::size_t kRowRoom = 16 * 1024;

} // namespace

PieceWriter::PieceWriter(const ByteSink* sink, std::size_t expected) : m_Sink(sink)
{
    m_Buffer.resize(sink != nullptr ? kReportPiece + kRowRoom : std::max(expected, kRowRoom));
    m_At = m_Buffer.data();
    m_Room = m_Buffer.size();
}

void PieceWriter::Number(std::uint64_t value)
{
    char digits[20];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    Put(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void PieceWriter::Spill(std::size_t least)
{
    const std::size_t used = Used();
    if (m_Sink == nullptr || used < least)
        return;
    m_Ok = m_Ok && (*m_Sink)(std::string_view(m_Buffer.data(), used));
    m_At = m_Buffer.data();
    m_Room = m_Buffer.size();
}

std::string PieceWriter::Take()
{
    m_Buffer.resize(Used());
    std::string all = std::move(m_Buffer);
    m_Buffer.clear();
    m_At = m_Buffer.data();
    m_Room = 0;
    return all;
}

void PieceWriter::MakeRoom(std::size_t bytes)
{
    const std::size_t used = Used();
    m_Buffer.resize(std::max(m_Buffer.size() * 2, used + bytes));
    m_At = m_Buffer.data() + used;
    m_Room = m_Buffer.size() - used;
}

} // namespace brindle
