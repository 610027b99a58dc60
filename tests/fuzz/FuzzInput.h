// Reads typed values from the front of a fuzzer's input; an exhausted input reads as zero bytes,
// so every input, however short, decodes to one well-defined request.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace quilbo::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }

    // The next sizeof(T) bytes as a little-endian bit pattern.
    template <class T>
    T raw() {
        static_assert(std::is_trivially_copyable_v<T>);
        unsigned char bytes[sizeof(T)] = {};
        for (unsigned char& b : bytes) {
            b = byte();
        }
        T value;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

    // One byte chooses: below N it picks choices[byte], otherwise the value is read raw. Tables
    // start with the ordinary value, so a zero (or missing) byte gives an ordinary request.
    template <class T, std::size_t N>
    T pick(const T (&choices)[N]) {
        static_assert(N < 256);
        const std::uint8_t b = byte();
        return b < N ? choices[b] : raw<T>();
    }

    // A number in [0, bound] from two bytes, spread over the whole range.
    std::uint32_t upTo(std::uint32_t bound) {
        const auto v = raw<std::uint16_t>();
        return static_cast<std::uint32_t>(std::uint64_t{v} * (std::uint64_t{bound} + 1) / 65536);
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

}  // namespace quilbo::fuzz
