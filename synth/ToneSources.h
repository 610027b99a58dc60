// Frame sources for the tone entry points: cosine and square through the batch cosine, the
// two-ramp shape, and silence. Each gives exactly the samples of the plain per-frame formulas.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "synth/FastCosine.h"
#include "synth/FrameLoop.h"
#include "synth/ToneShapes.h"

namespace quilbo::synth {

template <class Sample>
bool sameSample(Sample a, Sample b) noexcept {
    if constexpr (std::is_same_v<Sample, float>) {
        return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);  // +0 != -0
    } else {
        return a == b;
    }
}

// a where the condition holds, else b, without a branch: the compiler keeps a conditional
// expression on doubles out of vector loops, since both sides could raise floating-point flags.
inline double pick(bool condition, double a, double b) noexcept {
    const std::uint64_t mask = 0 - static_cast<std::uint64_t>(condition);
    return std::bit_cast<double>((std::bit_cast<std::uint64_t>(a) & mask) |
                                 (std::bit_cast<std::uint64_t>(b) & ~mask));
}

// What an approximate phase gives for a frame it cannot give: beyond the batch cosine's range,
// so that the frame is left undecided.
inline constexpr double kNoPhase = 1e300;

// The phase of frame o for a fixed tone: ((f x two pi) / R) x o.
struct FixedPhase {
    double step;
    double operator()(double o) const noexcept { return step * o; }
};

// The phase of frame o in a sweep: g = (o x D) / Neff + f0, then ((g x two pi) / R) x o.
struct SweepPhase {
    double span;
    double lengthEff;
    double start;
    double rate;
    double operator()(double o) const noexcept {
        const double g = (o * span) / lengthEff + start;
        return ((g * kTwoPi) / rate) * o;
    }
};

// A logarithmic sweep counts the cycles done by frame o: the frequency f0 x e^(k x o) rises by
// the same factor in every frame, so the cycles are f0 / R x (e^(k x o) - 1) / k. The phase is a
// function of o alone and runs on without a jump from frame to frame.
struct LogSweepCycles {
    double startPerFrame;  // f0 / R
    double growth;         // k = ln(f1 / f0) / frames
    double operator()(double o) const noexcept {
        if (growth == 0.0) {
            return startPerFrame * o;
        }
        return startPerFrame * (std::expm1(growth * o) / growth);
    }
};

// e^x - 1 within a relative 2^-49 of the exact value, for |x| <= 700, in operations that
// vectorize (the library's expm1 is a call per frame): x = k ln 2 + r with |r| <= ln 2 / 2, the
// series of e^r - 1 to r^13 (truncation below 2^-55), then 2^k (e^r - 1 + 1) - 1, where the last
// step loses at most three bits (at k = 1) and is skipped at k = 0.
inline double approximateExpm1(double x) noexcept {
    constexpr double kLog2e = 1.4426950408889634;
    constexpr double kLn2Hi = 6.93147180369123816490e-01;  // 32 bits: k x kLn2Hi is exact
    constexpr double kLn2Lo = 1.90821492927058770002e-10;
    constexpr double kRoundMagic = 0x1.8p52;
    const double rounded = x * kLog2e + kRoundMagic;
    const double k = rounded - kRoundMagic;
    const double r = (x - k * kLn2Hi) - k * kLn2Lo;
    constexpr double c2 = 1.0 / 2, c3 = 1.0 / 6, c4 = 1.0 / 24, c5 = 1.0 / 120, c6 = 1.0 / 720,
                     c7 = 1.0 / 5040, c8 = 1.0 / 40320, c9 = 1.0 / 362880, c10 = 1.0 / 3628800,
                     c11 = 1.0 / 39916800, c12 = 1.0 / 479001600, c13 = 1.0 / 6227020800;
    const double series =
        c2 +
        r * (c3 +
             r * (c4 +
                  r * (c5 +
                       r * (c6 +
                            r * (c7 +
                                 r * (c8 +
                                      r * (c9 + r * (c10 + r * (c11 + r * (c12 + r * c13))))))))));
    const double er = r + r * r * series;
    // 2^k from the rounded value's low bits, which hold k.
    const double scale =
        std::bit_cast<double>((std::bit_cast<std::uint64_t>(rounded) + 1023u) << 52);
    return pick(k == 0.0, er, scale * (er + 1.0) - 1.0);
}

struct LogSweepPhase {
    LogSweepCycles cycles;
    double operator()(double o) const noexcept { return kTwoPi * cycles(o); }

    // The phases of frames first .. first + n - 1, each within slack[j] of the exact one (the
    // relative error of approximateExpm1 and of the roundings, with a margin of 16). A frame it
    // cannot give gets the phase kNoPhase and no slack: the batch cosine leaves it undecided.
    // A constant frequency (k = 0) has exact phases already.
    bool approximates() const noexcept { return cycles.growth != 0.0; }
    void approximate(double first, std::size_t n, double* phase, double* slack) const noexcept {
        const double growth = cycles.growth;
        const double toPhase = (kTwoPi * cycles.startPerFrame) / growth;
        for (std::size_t j = 0; j < n; ++j) {
            const double x = growth * (first + static_cast<double>(static_cast<std::int32_t>(j)));
            const bool inRange = std::fabs(x) <= 700.0;  // false for a NaN too
            const double p = toPhase * approximateExpm1(pick(inRange, x, 0.0));
            const bool usable = inRange & (std::fabs(p) <= kFastPhaseLimit);
            phase[j] = pick(usable, p, kNoPhase);
            slack[j] = pick(usable, std::fabs(p) * 0x1p-44, 0.0);
        }
    }
};

// Phase functions that give approximate phases with their slack (the logarithmic sweep's), when
// approximates() says so.
template <class PhaseOf>
concept ApproximatePhase = requires(const PhaseOf& phaseOf, double* values) {
    phaseOf.approximate(0.0, std::size_t{0}, values, values);
    { phaseOf.approximates() } -> std::same_as<bool>;
};

// Calls fix(j) for every j below n whose flag (0 or 1) is set, looking at eight flags at once:
// flagged frames are rare, and most batches have none or a few.
template <class Fix>
void forEachFlagged(const std::uint8_t* flags, std::size_t n, Fix fix) {
    std::size_t j = 0;
    for (; j + 8 <= n; j += 8) {
        std::uint64_t word;
        std::memcpy(&word, flags + j, sizeof word);
        for (; word != 0; word &= word - 1) {
            const auto bit = static_cast<std::size_t>(std::countr_zero(word)) / 8;
            fix(j + (std::endian::native == std::endian::little ? bit : 7 - bit));
        }
    }
    for (; j < n; ++j) {
        if (flags[j] != 0) {
            fix(j);
        }
    }
}

// Sine (index 0) or square (index 1). The batch cosine decides every sample whose value it
// pins down; the few that lie within its error bound of a rounding step (or a sign change)
// are recomputed with the library cosine, so the output matches the plain formula exactly.
template <class PhaseOf, bool kSquare>
struct CosineSource {
    PhaseOf phaseOf;
    bool finiteAmplitude;  // the bound argument needs a monotonic, finite scale

    template <class Enc>
    void encode(const Enc& enc, std::int64_t o, std::size_t n, typename Enc::Sample* out) const {
        double phase[kBatch];
        double value[kBatch];
        const double first = static_cast<double>(o);
        // Exact (o + j < 2^53); the 32-bit index converts in vector lanes.
        auto frame = [first](std::size_t j) {
            return first + static_cast<double>(static_cast<std::int32_t>(j));
        };
        // An approximate phase widens the bound by its slack, and the frames it leaves undecided
        // take the exact phase.
        constexpr bool kApproximate = ApproximatePhase<PhaseOf>;
        double slack[kApproximate ? kBatch : 1];
        bool approximate = false;
        if constexpr (kApproximate) {
            approximate = finiteAmplitude && phaseOf.approximates();
        }
        if (approximate) {
            if constexpr (kApproximate) {
                phaseOf.approximate(first, n, phase, slack);
            }
        } else {
            for (std::size_t j = 0; j < n; ++j) {
                phase[j] = phaseOf(frame(j));
            }
            if constexpr (kApproximate) {
                std::fill_n(slack, n, 0.0);
            }
        }
        auto exactPhase = [&](std::size_t j) { return approximate ? phaseOf(frame(j)) : phase[j]; };
        fastCosine(phase, value, n);
        auto bound = [&](std::size_t j) {
            if constexpr (kApproximate) {
                return kCosineErrorBound + slack[j];
            } else {
                return kCosineErrorBound;
            }
        };
        // One branch-free pass decides every frame it can and flags the others; only those take
        // a second, exact look.
        std::uint8_t open[kBatch];
        int undecided = 0;
        if constexpr (kSquare) {
            const auto high = enc.encode(1.0);
            const auto low = enc.encode(-1.0);
            for (std::size_t j = 0; j < n; ++j) {
                const double c = value[j];
                out[j] = c > 0.0 ? high : low;
                open[j] = (std::fabs(c) <= bound(j)) | (c > 2.0);
                undecided |= open[j];
            }
            if (undecided != 0) {
                forEachFlagged(open, n, [&](std::size_t j) {
                    out[j] = enc.encode(squareOf(std::cos(exactPhase(j))));
                });
            }
        } else if (finiteAmplitude) {
            // Where value - bound and value + bound give the same sample, so does the exact
            // cosine: scaling, clamping and truncation are all monotonic.
            for (std::size_t j = 0; j < n; ++j) {
                const double c = value[j];
                const double b = bound(j);
                const auto below = enc.encodeNumber(c - b);
                const auto above = enc.encodeNumber(c + b);
                out[j] = below;
                open[j] = !sameSample(below, above) | (c > 2.0);
                undecided |= open[j];
            }
            if (undecided != 0) {
                forEachFlagged(
                    open, n, [&](std::size_t j) { out[j] = enc.encode(std::cos(exactPhase(j))); });
            }
        } else {
            for (std::size_t j = 0; j < n; ++j) {
                out[j] = enc.encode(std::cos(phase[j]));
            }
        }
    }
};

// Index 2 at a fixed frequency: the period never changes, so the position in it is counted
// instead of divided out, with the same per-frame formula.
struct RampToneSource {
    double ratio;  // R / f, at least 2 and finite

    template <class Enc>
    void encode(const Enc& enc, std::int64_t o, std::size_t n, typename Enc::Sample* out) const {
        const std::int64_t period = ratio < 4.0e18 ? static_cast<std::int64_t>(ratio) : INT64_MAX;
        const double half = ratio * 0.5;
        const double inv = 1.0 / half;
        std::int64_t x = o % period;
        for (std::size_t j = 0; j < n; ++j) {
            const double xd = static_cast<double>(x);
            out[j] = enc.encode(xd < half ? inv * xd - 1.0 : 1.0 - (xd - half) * inv);
            if (++x == period) {
                x = 0;
            }
        }
    }
};

// Index 2 in a sweep: the period follows the instantaneous frequency, frame by frame.
struct RampSweepSource {
    double span;
    double lengthEff;
    double start;
    double rate;

    template <class Enc>
    void encode(const Enc& enc, std::int64_t o, std::size_t n, typename Enc::Sample* out) const {
        for (std::size_t j = 0; j < n; ++j) {
            const std::int64_t frame = o + static_cast<std::int64_t>(j);
            const double g = ((2.0 * span) * static_cast<double>(frame)) / lengthEff + start;
            out[j] = enc.encode(rampValue(rate / g, frame));
        }
    }
};

// Index 2 in a logarithmic sweep: the position in the period comes from the cycles done, so the
// shape follows the frequency without the jumps a whole-sample period would make. Where the
// frequency passes half the rate (a period under two samples) the shape is silence, as in a tone.
struct RampLogSweepSource {
    LogSweepCycles cycles;

    template <class Enc>
    void encode(const Enc& enc, std::int64_t o, std::size_t n, typename Enc::Sample* out) const {
        // The frequency stays at or below half the rate while growth x frame <= this.
        const double audibleUpTo = std::log(0.5 / cycles.startPerFrame);
        for (std::size_t j = 0; j < n; ++j) {
            const double frame = static_cast<double>(o + static_cast<std::int64_t>(j));
            const double done = cycles(frame);
            const double u = done - std::floor(done);
            out[j] = enc.encode(!(cycles.growth * frame <= audibleUpTo)
                                    ? 0.0
                                    : (u < 0.5 ? 2.0 * u - 1.0 : 2.0 - 2.0 * u));
        }
    }
};

struct SilenceSource {
    template <class Enc>
    void encode(const Enc& enc, std::int64_t, std::size_t n, typename Enc::Sample* out) const {
        const auto zero = enc.encode(0.0);
        for (std::size_t j = 0; j < n; ++j) {
            out[j] = zero;
        }
    }
};

}  // namespace quilbo::synth
