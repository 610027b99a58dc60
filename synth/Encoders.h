// Sample encoders for the five depths: scale a frame value, convert it and store it little-endian.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace quilbo::synth {

// Truncates toward zero and holds the result in [low, high] (a NaN gives `nanValue`). Each
// depth's range is symmetric about its zero level (8 bits: 1 to 255, 16 bits: +-32767...), so
// that the inverted partner of the opposite-phase pair always fits as well.
inline std::int32_t clampTruncate(double s, std::int32_t low, std::int32_t high,
                                  std::int32_t nanValue) noexcept {
    if (s >= static_cast<double>(low) && s <= static_cast<double>(high)) {
        return static_cast<std::int32_t>(s);
    }
    if (s < static_cast<double>(low)) {
        return low;
    }
    return s > static_cast<double>(high) ? high : nanValue;
}

// clampTruncate for a scaled value that is known not to be NaN, written without branches so
// that batch loops over it vectorize.
inline std::int32_t clampTruncateNumber(double s, std::int32_t low, std::int32_t high) noexcept {
    const double lowD = static_cast<double>(low);
    const double highD = static_cast<double>(high);
    const double held = s < lowD ? lowD : (s > highD ? highD : s);
    return static_cast<std::int32_t>(held);
}

inline void storeLittle16(std::uint8_t* p, std::int32_t n) noexcept {
    const auto u = static_cast<std::uint16_t>(n);
    p[0] = static_cast<std::uint8_t>(u);
    p[1] = static_cast<std::uint8_t>(u >> 8);
}

inline void storeLittle32(std::uint8_t* p, std::uint32_t u) noexcept {
    p[0] = static_cast<std::uint8_t>(u);
    p[1] = static_cast<std::uint8_t>(u >> 8);
    p[2] = static_cast<std::uint8_t>(u >> 16);
    p[3] = static_cast<std::uint8_t>(u >> 24);
}

// Each encoder: `encode` gives the stored sample of polarity +1, `invert` its polarity -1
// partner, `put` writes one sample, `bitsOf` gives its little-endian bit pattern. The scale is
// applied as (v x full scale) x amplitude. `encodeNumber` equals `encode` whenever the scaled value
// is not NaN (a finite v and a finite amplitude), without branches.
struct Encoder8 {
    using Sample = std::int32_t;
    static constexpr unsigned kBytes = 1;
    static constexpr std::uint8_t kSilence = 0x80;
    double amplitude;

    Sample encode(double v) const noexcept {
        return clampTruncate(128.0 + (v * 127.0) * amplitude, 1, 255, 128);
    }
    Sample encodeNumber(double v) const noexcept {
        return clampTruncateNumber(128.0 + (v * 127.0) * amplitude, 1, 255);
    }
    static Sample invert(Sample n) noexcept { return 256 - n; }
    static void put(std::uint8_t* p, Sample n) noexcept { *p = static_cast<std::uint8_t>(n); }
    using Bits = std::uint8_t;
    static Bits bitsOf(Sample n) noexcept { return static_cast<Bits>(n); }
};

struct Encoder16 {
    using Sample = std::int32_t;
    static constexpr unsigned kBytes = 2;
    static constexpr std::uint8_t kSilence = 0x00;
    double amplitude;

    Sample encode(double v) const noexcept {
        return clampTruncate((v * 32767.0) * amplitude, -32767, 32767, 0);
    }
    Sample encodeNumber(double v) const noexcept {
        return clampTruncateNumber((v * 32767.0) * amplitude, -32767, 32767);
    }
    static Sample invert(Sample n) noexcept { return -n; }
    static void put(std::uint8_t* p, Sample n) noexcept { storeLittle16(p, n); }
    using Bits = std::uint16_t;
    static Bits bitsOf(Sample n) noexcept { return static_cast<Bits>(n); }
};

// 20 and 24 bits sit left-justified in a 4-byte container; the low bits stay zero.
template <std::int32_t kFullScale, std::int32_t kShift>
struct EncoderWide {
    using Sample = std::int32_t;
    static constexpr unsigned kBytes = 4;
    static constexpr std::uint8_t kSilence = 0x00;
    double amplitude;

    Sample encode(double v) const noexcept {
        return clampTruncate((v * static_cast<double>(kFullScale)) * amplitude, -kFullScale,
                             kFullScale, 0) *
               kShift;
    }
    Sample encodeNumber(double v) const noexcept {
        return clampTruncateNumber((v * static_cast<double>(kFullScale)) * amplitude, -kFullScale,
                                   kFullScale) *
               kShift;
    }
    static Sample invert(Sample n) noexcept { return -n; }
    static void put(std::uint8_t* p, Sample n) noexcept {
        storeLittle32(p, static_cast<std::uint32_t>(n));
    }
    using Bits = std::uint32_t;
    static Bits bitsOf(Sample n) noexcept { return static_cast<Bits>(n); }
};
using Encoder20 = EncoderWide<524287, 4096>;
using Encoder24 = EncoderWide<8388607, 256>;

// Floats peak at half scale. Values beyond +-1 (amplitudes far above 1) are held at +-1 and a
// NaN becomes silence, so no infinity or NaN reaches a sound server.
struct EncoderFloat {
    using Sample = float;
    static constexpr unsigned kBytes = 4;
    static constexpr std::uint8_t kSilence = 0x00;
    double amplitude;

    Sample encode(double v) const noexcept {
        const double s = (v * 0.5) * amplitude;
        if (s >= -1.0 && s <= 1.0) {
            return static_cast<float>(s);
        }
        if (s < -1.0) {
            return -1.0f;
        }
        return s > 1.0 ? 1.0f : 0.0f;
    }
    Sample encodeNumber(double v) const noexcept {
        const double s = (v * 0.5) * amplitude;
        return static_cast<float>(s < -1.0 ? -1.0 : (s > 1.0 ? 1.0 : s));
    }
    static Sample invert(Sample s) noexcept { return -s; }
    static void put(std::uint8_t* p, Sample s) noexcept {
        std::uint32_t u;
        std::memcpy(&u, &s, sizeof u);
        storeLittle32(p, u);
    }
    using Bits = std::uint32_t;
    static Bits bitsOf(Sample s) noexcept { return std::bit_cast<Bits>(s); }
};

}  // namespace quilbo::synth
