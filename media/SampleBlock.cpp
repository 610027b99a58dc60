// Sample block allocation: mmap with a huge-page hint for large blocks, malloc for small ones.
#include "media/SampleBlock.h"

#include <sys/mman.h>

#include <cstdlib>
#include <utility>

namespace quilbo {

namespace {
constexpr std::size_t kMapThreshold = 1u << 20;  // below this, malloc is as fast and wastes less
constexpr std::size_t kHugePage = 2u << 20;
}  // namespace

SampleBlock SampleBlock::allocate(std::size_t size) {
    if (size == 0) {
        return {};
    }
    if (size < kMapThreshold) {
        auto* bytes = static_cast<std::uint8_t*>(std::malloc(size));
        return bytes ? SampleBlock(bytes, size, 0) : SampleBlock();
    }
    const std::size_t mapped = (size + kHugePage - 1) / kHugePage * kHugePage;
    if (mapped < size) {
        return {};  // size so close to SIZE_MAX that rounding up wrapped
    }
    void* bytes = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (bytes == MAP_FAILED) {
        return {};
    }
#ifdef MADV_HUGEPAGE
    madvise(bytes, mapped, MADV_HUGEPAGE);  // a hint only: the block works without huge pages
#endif
    return SampleBlock(static_cast<std::uint8_t*>(bytes), size, mapped);
}

SampleBlock::~SampleBlock() {
    reset();
}

SampleBlock::SampleBlock(SampleBlock&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_mappedSize(std::exchange(other.m_mappedSize, 0)) {}

SampleBlock& SampleBlock::operator=(SampleBlock&& other) noexcept {
    if (this != &other) {
        reset();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mappedSize = std::exchange(other.m_mappedSize, 0);
    }
    return *this;
}

void SampleBlock::reset() {
    if (m_data == nullptr) {
        return;
    }
    if (m_mappedSize != 0) {
        munmap(m_data, m_mappedSize);
    } else {
        std::free(m_data);
    }
    m_data = nullptr;
    m_size = 0;
    m_mappedSize = 0;
}

}  // namespace quilbo
