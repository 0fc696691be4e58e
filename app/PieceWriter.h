// The report's files are made a few bytes at a time: a field, a tag, a number. PieceWriter gathers
// them in one buffer written through a pointer, and hands the buffer to the file's sink in pieces.
#pragma once

#include "app/ReportOutput.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace brindle {

/// Bytes written one after another into a buffer; with a sink, the buffer goes to it whenever
/// Spill finds it full enough, else it grows and Take returns all of it.
class PieceWriter {
public:
    /// expected: about how many bytes a writer without a sink will hold (room is made for them).
    PieceWriter(const ByteSink* sink, std::size_t expected);
    PieceWriter(const PieceWriter&) = delete;
    PieceWriter& operator=(const PieceWriter&) = delete;

    void Put(std::string_view bytes)
    {
        if (bytes.size() > m_Room)
            MakeRoom(bytes.size());
        std::memcpy(m_At, bytes.data(), bytes.size());
        m_At += bytes.size();
        m_Room -= bytes.size();
    }
    void Put(char byte)
    {
        if (m_Room == 0)
            MakeRoom(1);
        *m_At++ = byte;
        --m_Room;
    }
    /// value in decimal.
    void Number(std::uint64_t value);

    /// With a sink: hands it what is written once that is at least least bytes, and starts again.
    /// Called between rows, so a piece ends where a row does.
    void Spill(std::size_t least = kReportPiece);
    /// False once the sink failed.
    bool Ok() const { return m_Ok; }
    /// All that was written, for a writer without a sink.
    std::string Take();

private:
    void MakeRoom(std::size_t bytes);
    std::size_t Used() const { return static_cast<std::size_t>(m_At - m_Buffer.data()); }

    const ByteSink* m_Sink;
    bool m_Ok = true;
    std::string m_Buffer; ///< its whole size is room; what is written ends at m_At
    char* m_At = nullptr;
    std::size_t m_Room = 0;
};

} // namespace brindle
