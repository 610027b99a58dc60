// A rendered signal's memory: one large allocation, released when the owner lets it go.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quilbo {

// Owns the bytes of one sample block. Large blocks are mapped directly from the system and asked
// to be backed by huge pages: a fresh block of hundreds of megabytes otherwise spends as long in
// page faults as the render spends computing samples. Move-only; an empty block owns nothing.
class SampleBlock {
public:
    SampleBlock() = default;
    ~SampleBlock();
    SampleBlock(SampleBlock&& other) noexcept;
    SampleBlock& operator=(SampleBlock&& other) noexcept;
    SampleBlock(const SampleBlock&) = delete;
    SampleBlock& operator=(const SampleBlock&) = delete;

    // Returns an empty block when the memory cannot be had (or size is 0); never throws.
    static SampleBlock allocate(std::size_t size);

    std::uint8_t* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    explicit operator bool() const { return m_data != nullptr; }

    void reset();

private:
    SampleBlock(std::uint8_t* data, std::size_t size, std::size_t mappedSize)
        : m_data(data), m_size(size), m_mappedSize(mappedSize) {}

    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_mappedSize = 0;  // 0 when the bytes came from malloc
};

}  // namespace quilbo
