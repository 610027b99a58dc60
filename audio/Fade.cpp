// The raised-cosine ramp and its application to interleaved frames of each sample layout.
#include "audio/Fade.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace quilbo {

namespace {

template <typename T>
T load(const std::uint8_t* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

template <typename T>
void store(std::uint8_t* p, T value) {
    std::memcpy(p, &value, sizeof value);
}

void scaleSample(std::uint8_t* p, const FadeLayout& layout, double gain) {
    switch (layout.kind) {
        case SampleKind::Unsigned8:
            *p = static_cast<std::uint8_t>(std::lround((*p - 128) * gain) + 128);
            break;
        case SampleKind::Signed16:
            store(p, static_cast<std::int16_t>(std::lround(load<std::int16_t>(p) * gain)));
            break;
        case SampleKind::Signed32: {
            const auto mask = static_cast<std::uint32_t>(~0ull << layout.unusedBits);
            const auto value = static_cast<std::uint32_t>(
                static_cast<std::int32_t>(std::llround(load<std::int32_t>(p) * gain)));
            store(p, value & mask);
            break;
        }
        case SampleKind::Float32:
            store(p, static_cast<float>(load<float>(p) * gain));
            break;
        case SampleKind::Unknown:
            break;
    }
}

}  // namespace

std::size_t FadeLayout::sampleBytes() const {
    switch (kind) {
        case SampleKind::Unsigned8:
            return 1;
        case SampleKind::Signed16:
            return 2;
        case SampleKind::Signed32:
        case SampleKind::Float32:
            return 4;
        case SampleKind::Unknown:
            break;
    }
    return 0;
}

FadeLayout fadeLayoutOf(const WaveFormatExtensible& format) {
    FadeLayout layout;
    layout.channels = format.nChannels;
    if (format.SubFormat == kSubFormatIeeeFloat && format.wBitsPerSample == 32) {
        layout.kind = SampleKind::Float32;
    } else if (format.SubFormat == kSubFormatPcm) {
        switch (format.wBitsPerSample) {
            case 8:
                layout.kind = SampleKind::Unsigned8;
                break;
            case 16:
                layout.kind = SampleKind::Signed16;
                break;
            case 32:
                layout.kind = SampleKind::Signed32;
                if (format.wValidBitsPerSample > 0 && format.wValidBitsPerSample < 32) {
                    layout.unusedBits = 32u - format.wValidBitsPerSample;
                }
                break;
            default:
                break;
        }
    }
    if (layout.frameBytes() != format.nBlockAlign) {
        layout.kind = SampleKind::Unknown;  // a layout we cannot scale is played as it is
    }
    return layout;
}

std::size_t fadeFrames(std::uint32_t sampleRate) {
    return std::max<std::size_t>(1, std::size_t{sampleRate} * kFadeMilliseconds / 1000);
}

double fadeInGain(std::size_t k, std::size_t frames) {
    if (k >= frames) {
        return 1.0;
    }
    // Centred on the frame, so that a fade-in and a fade-out of the same length mirror each
    // other and neither reaches exactly 0 or 1 inside the ramp.
    const double x = (static_cast<double>(k) + 0.5) / static_cast<double>(frames);
    return 0.5 - 0.5 * std::cos(std::numbers::pi * x);
}

void applyFade(std::uint8_t* data, std::size_t bytes, const FadeLayout& layout,
               std::uint64_t position, std::int64_t start, std::size_t length, bool in) {
    if (!layout.valid() || data == nullptr) {
        return;
    }
    const std::size_t sampleBytes = layout.sampleBytes();
    const auto fadeLength = static_cast<std::int64_t>(length);
    // Sample by sample, so that a piece may begin or end inside a frame.
    const std::uint64_t firstSample = position / sampleBytes;
    for (std::size_t i = 0; i + sampleBytes <= bytes; i += sampleBytes) {
        const std::uint64_t frame = (firstSample + i / sampleBytes) / layout.channels;
        const std::int64_t k = static_cast<std::int64_t>(frame) - start;
        if (k < 0 || (in && k >= fadeLength)) {
            continue;
        }
        const double gain =
            k >= fadeLength
                ? 0.0
                : fadeInGain(static_cast<std::size_t>(in ? k : fadeLength - 1 - k), length);
        scaleSample(data + i, layout, gain);
    }
}

}  // namespace quilbo
