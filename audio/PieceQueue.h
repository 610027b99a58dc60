// The byte pump: the pieces written to a stream and not yet returned, as one continuous byte
// stream, handed to libpulse in whole frames as the server has room.
#pragma once

#include <pulse/stream.h>

#include <cstdint>
#include <deque>
#include <vector>

#include "audio/WaveOutDevice.h"

namespace quilbo {

class PieceQueue {
public:
    explicit PieceQueue(std::size_t frameBytes) : m_frameBytes(frameBytes) {}

    void add(WaveHeader* header);
    bool empty() const { return m_pieces.empty(); }
    std::uint64_t sent() const { return m_sent; }
    bool allSent() const { return m_sent == m_accepted; }
    // Stream position where the first piece ends.
    std::uint64_t firstEnd() const { return m_pieces.front().end; }

    // Copies what the stream has room for into it: whole frames only, so a frame that straddles
    // two pieces goes out once both are here.
    void pump(pa_stream* stream);
    // Copies the bytes at stream positions [position, position + bytes) into out; what no piece
    // holds comes out as zero bytes.
    void copyOut(std::uint64_t position, std::uint8_t* out, std::size_t bytes) const;
    // Takes out the pieces that end at or before position.
    std::vector<WaveHeader*> takeUpTo(std::uint64_t position);
    // Takes out every piece and starts a new byte stream (a new stream on the server).
    std::vector<WaveHeader*> takeAll();

private:
    struct Piece {
        WaveHeader* header;
        std::uint64_t begin;  // position of its first byte in the byte stream
        std::uint64_t end;
    };

    const std::size_t m_frameBytes;
    std::deque<Piece> m_pieces;
    std::uint64_t m_accepted = 0;  // end of the last piece
    std::uint64_t m_sent = 0;      // bytes handed to the stream
};

}  // namespace quilbo
