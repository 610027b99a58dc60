// Pieces as one byte stream, copied to libpulse in whole frames.
#include "audio/PieceQueue.h"

#include <algorithm>
#include <cstring>

namespace quilbo {

void PieceQueue::add(WaveHeader* header) {
    const std::uint64_t begin = m_accepted;
    m_accepted += header->bufferLength;
    m_pieces.push_back({header, begin, m_accepted});
}

void PieceQueue::pump(pa_stream* stream) {
    const std::size_t writable = pa_stream_writable_size(stream);
    if (writable == static_cast<std::size_t>(-1)) {
        return;
    }
    std::uint64_t stop = m_sent + std::min<std::uint64_t>(writable / m_widen, m_accepted - m_sent);
    stop -= (stop - m_sent) % m_frameBytes;
    // libpulse copies what it is given (as pacat does), so a piece need not outlive the write.
    auto write = [&](const std::uint8_t* data, std::size_t bytes) {
        if (bytes == 0) {
            return true;
        }
        const int failed = m_widen == 1
                               ? pa_stream_write(stream, data, bytes, nullptr, 0, PA_SEEK_RELATIVE)
                               : [&] {
                                     const auto wire = toWire(data, bytes, m_widen);
                                     return pa_stream_write(stream, wire.data(), wire.size(),
                                                            nullptr, 0, PA_SEEK_RELATIVE);
                                 }();
        if (failed < 0) {
            return false;
        }
        m_sent += bytes;
        return true;
    };
    std::vector<std::uint8_t> straddling;  // a frame that begins in one piece, ends in the next
    std::uint64_t position = m_sent;
    for (const Piece& piece : m_pieces) {
        if (position >= stop) {
            break;
        }
        if (piece.end <= position) {
            continue;
        }
        const std::uint8_t* data = piece.header->data + (position - piece.begin);
        std::size_t length = static_cast<std::size_t>(std::min(piece.end, stop) - position);
        position += length;
        if (!straddling.empty()) {
            const std::size_t take = std::min(length, m_frameBytes - straddling.size());
            straddling.insert(straddling.end(), data, data + take);
            data += take;
            length -= take;
            if (straddling.size() == m_frameBytes) {
                if (!write(straddling.data(), m_frameBytes)) {
                    return;
                }
                straddling.clear();
            }
        }
        const std::size_t whole = length - length % m_frameBytes;
        if (!write(data, whole)) {
            return;
        }
        straddling.insert(straddling.end(), data + whole, data + length);
    }
}

std::vector<std::uint8_t> PieceQueue::toWire(const std::uint8_t* data, std::size_t bytes,
                                             std::size_t widen) {
    if (widen != 2) {
        return {data, data + bytes};
    }
    std::vector<std::uint8_t> wire(2 * bytes);
    for (std::size_t i = 0; i < bytes; ++i) {
        wire[2 * i] = 0;
        wire[2 * i + 1] =
            static_cast<std::uint8_t>(data[i] ^ 0x80);  // (b - 128) << 8, little-endian
    }
    return wire;
}

void PieceQueue::copyOut(std::uint64_t position, std::uint8_t* out, std::size_t bytes) const {
    std::fill(out, out + bytes, std::uint8_t{0});
    const std::uint64_t end = position + bytes;
    for (const Piece& piece : m_pieces) {
        const std::uint64_t from = std::max(piece.begin, position);
        const std::uint64_t to = std::min(piece.end, end);
        if (from < to) {
            std::memcpy(out + (from - position), piece.header->data + (from - piece.begin),
                        static_cast<std::size_t>(to - from));
        }
    }
}

std::vector<WaveHeader*> PieceQueue::takeUpTo(std::uint64_t position) {
    std::vector<WaveHeader*> done;
    while (!m_pieces.empty() && m_pieces.front().end <= position) {
        done.push_back(m_pieces.front().header);
        m_pieces.pop_front();
    }
    return done;
}

std::vector<WaveHeader*> PieceQueue::takeAll() {
    std::vector<WaveHeader*> all;
    for (const Piece& piece : m_pieces) {
        all.push_back(piece.header);
    }
    m_pieces.clear();
    m_accepted = 0;
    m_sent = 0;
    return all;
}

}  // namespace quilbo
