// The byte pump: the pieces written to a stream and not yet returned, as one continuous byte
// stream, handed to libpulse in whole frames as the server has room. Positions count the pieces'
// bytes; 8-bit pieces may be widened to 16-bit samples on their way (see toWire).
#pragma once

#include <pulse/stream.h>

#include <cstdint>
#include <deque>
#include <vector>

#include "audio/WaveOutDevice.h"

namespace quilbo {

class PieceQueue {
public:
    // widen: stream bytes per piece byte, 1 (as they are) or 2 (unsigned 8-bit to 16-bit).
    explicit PieceQueue(std::size_t frameBytes, std::size_t widen = 1)
        : m_frameBytes(frameBytes), m_widen(widen) {}

    // The bytes as the stream takes them: a copy, with widen 2 each unsigned 8-bit sample b as
    // the 16-bit sample (b - 128) << 8.
    static std::vector<std::uint8_t> toWire(const std::uint8_t* data, std::size_t bytes,
                                            std::size_t widen);

    void add(WaveHeader* header);
    bool empty() const { return m_pieces.empty(); }
    std::uint64_t sent() const { return m_sent; }
    bool allSent() const { return m_sent == m_accepted; }
    // Stream position where the first piece ends.
    std::uint64_t firstEnd() const { return m_pieces.front().end; }
    // Stream positions of the first piece's first byte and of the end of the last piece.
    std::uint64_t firstBegin() const { return m_pieces.front().begin; }
    std::uint64_t accepted() const { return m_accepted; }

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
    const std::size_t m_widen;
    std::deque<Piece> m_pieces;
    std::uint64_t m_accepted = 0;  // end of the last piece
    std::uint64_t m_sent = 0;      // bytes handed to the stream
};

}  // namespace quilbo
