// Signals that published standards define exactly: SMPTE ST 2095-1 band-limited pink noise,
// CEA-2010 tone bursts, the power-test noise of AES2 and periodic pink noise for analysers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "synth/Synthesis.h"

namespace quilbo {

// ST 2095-1: pink noise at -21.5 dBFS RMS (-18.5 dB against a full-scale sine) between a 10 Hz
// high-pass and a 22.4 kHz low-pass, peaks held at -9.5 dBFS, its source periodic in 2^19
// samples (2^20 above 48 kHz; the filters' rounding lets a few 24-bit samples a period differ by
// one step). Every step is the standard's own, in its order and in double precision, so
// that its samples are those of the standard's generator.
class St2095Generator {
public:
    // Runs one whole period, which only fills the filters' delay lines, and discards it.
    explicit St2095Generator(std::uint32_t sampleRate) noexcept;

    // The next sample, full scale +-1.
    double next() noexcept;
    std::uint32_t period() const noexcept { return m_randMax + 1; }

    // The standard's 32-bit word for a sample (the value times 2^31 - 1, truncated toward zero);
    // its top three bytes are the 24-bit sample.
    static std::int32_t word(double sample) noexcept;

private:
    struct Biquad {
        double a1 = 0.0, a2 = 0.0, b0 = 0.0, b1 = 0.0, b2 = 0.0;
        double w1 = 0.0, w2 = 0.0;
        double run(double x) noexcept;
    };

    std::uint32_t m_randMax;
    std::uint32_t m_randStep;
    std::uint32_t m_seed = 0;
    double m_scale;
    double m_maxAmp;
    bool m_lowPass;  // false where the low-pass would sit at or above Nyquist
    std::array<double, 6> m_pink{};
    std::array<Biquad, 4> m_band;
};

inline constexpr double kSt2095RmsDbfs = -21.5;
inline constexpr double kSt2095PeakDbfs = -9.5;

// CEA-2010: 6.5 cycles of a sine under a Hann window, x(t) = 0.5 (1 - cos(2 pi f t / 6.5))
// sin(2 pi f t), one burst at the start of every second, silence between.
inline constexpr double kBurstCycles = 6.5;
inline constexpr std::array<double, 10> kCea2010Frequencies = {20.0, 25.0, 31.5,  40.0,  50.0,
                                                               63.0, 80.0, 100.0, 125.0, 160.0};
// A burst must fit in its second and its frequency stay below Nyquist.
bool isToneBurstFrequency(double frequency, std::uint32_t sampleRate) noexcept;
// The burst signal's value at a frame (peak 1).
double toneBurstValue(double frequency, std::uint32_t sampleRate, std::uint64_t frame) noexcept;

// Power-test noise: pink between lowHz and highHz, falling 12 dB per octave outside, with a
// crest factor of at most 6 dB counting the peaks between samples (at four times the rate).
inline constexpr double kPowerNoiseCrestDb = 6.0;
inline constexpr double kPowerNoiseLowHz = 50.0;  // a decade by default
inline constexpr double kPowerNoiseHighHz = 500.0;
// A band needs 0 < lowHz < highHz < Nyquist, at a rate of at most kMaxPowerNoiseRate (the
// working memory grows with the rate).
inline constexpr std::uint32_t kMaxPowerNoiseRate = 768000;
bool isPowerNoiseBand(double lowHz, double highHz, std::uint32_t sampleRate) noexcept;
// The period: the power of two at or above a second of frames.
std::size_t powerNoisePeriodFrames(std::uint32_t sampleRate) noexcept;
// One period, its highest peak (between samples included) at 1, so that it loops without a seam.
// Empty for a band isPowerNoiseBand refuses, or when the crest factor could not be reached (no
// band tried needs more than a fraction of the rounds allowed). May throw std::bad_alloc.
std::vector<float> powerTestNoise(std::uint32_t sampleRate, double lowHz, double highHz,
                                  std::uint64_t seed);

// Periodic pink noise: every bin of the period's transform from the first to below Nyquist,
// each octave of bins (1, 2-3, 4-7, ...) holding the same energy, random phases; peak 1.
inline constexpr std::size_t kPeriodicPinkFrames = 65536;
// Empty unless frames is a power of two from 4 to kMaxPeriodicPinkFrames. May throw
// std::bad_alloc.
inline constexpr std::size_t kMaxPeriodicPinkFrames = std::size_t{1} << 24;
std::vector<float> periodicPinkNoise(std::size_t frames, std::uint64_t seed);

// What SynthesizeStandard renders; the fields the waveform does not use are ignored.
struct StandardSignal {
    std::int32_t waveform = kWaveSt2095Pink;
    double frequency = 0.0;  // tone bursts
    double lowHz = kPowerNoiseLowHz;
    double highHz = kPowerNoiseHighHz;
    std::size_t periodFrames = kPeriodicPinkFrames;  // periodic pink
    std::uint64_t seed = 0;                          // the noises made in the frequency domain
};

// Renders a standard signal as the other entry points render theirs (channel codes, depths, a
// cut-short last frame, progress). ST 2095-1 ignores the amplitude: the standard fixes its
// level. Its 24-bit samples are the standard's; 20, 16 and 8 bits keep the top bits of the same
// word (no dither: the noise is hundreds of steps above them), 32-bit floats are the values
// themselves (full scale 1). The others scale their peak by the amplitude. Returns 1, 0 for an
// unsupported depth (nothing written), -1 when the signal could not be worked out (no memory
// for its working, or a power-test noise that missed its crest factor; the block then holds
// silence). Parameters out of range render silence.
std::int32_t SynthesizeStandard(std::uint8_t* block, std::uint32_t blockSize,
                                std::uint32_t sampleRate, std::uint32_t channelCode,
                                std::uint16_t bitsPerSample, const StandardSignal& signal,
                                double amplitude, ProgressCallback progress) noexcept;

}  // namespace quilbo
