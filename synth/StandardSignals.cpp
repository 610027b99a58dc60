// The standards' signals: the ST 2095-1 generator, the CEA-2010 burst, the two noises made one
// period at a time in the frequency domain, and their render into a caller's block.
#include "synth/StandardSignals.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <complex>
#include <cstring>
#include <new>
#include <numbers>
#include <random>

#include "synth/BlockSize.h"
#include "synth/Encoders.h"
#include "synth/Fourier.h"

namespace quilbo {

// ----- ST 2095-1 -----

namespace {
constexpr double kHighPassHz = 10.0;
constexpr double kLowPassHz = 22400.0;
}  // namespace

St2095Generator::St2095Generator(std::uint32_t sampleRate) noexcept
    : m_randMax(sampleRate > 48000 ? 1048575u : 524287u),
      m_randStep(sampleRate > 48000 ? 163841u : 52737u),
      m_scale(2.0 / static_cast<double>(m_randMax)),
      m_maxAmp(std::pow(10.0, kSt2095PeakDbfs / 20.0)) {
    const double rate = static_cast<double>(sampleRate);
    const double pi = std::numbers::pi;
    // Two matched-Z high-pass sections (a 4th-order Butterworth at 10 Hz).
    const double w0t = 2.0 * pi * kHighPassHz / rate;
    Biquad& hp1 = m_band[0];
    hp1.a1 = -2.0 * std::exp(-0.3826835 * w0t) * std::cos(0.9238795 * w0t);
    hp1.a2 = std::exp(2.0 * -0.3826835 * w0t);
    hp1.b0 = (1.0 - hp1.a1 + hp1.a2) / 4.0;
    hp1.b1 = -2.0 * hp1.b0;
    hp1.b2 = hp1.b0;
    Biquad& hp2 = m_band[1];
    hp2.a1 = -2.0 * std::exp(-0.9238795 * w0t) * std::cos(0.3826835 * w0t);
    hp2.a2 = std::exp(2.0 * -0.9238795 * w0t);
    hp2.b0 = (1.0 - hp2.a1 + hp2.a2) / 4.0;
    hp2.b1 = -2.0 * hp2.b0;
    hp2.b2 = hp2.b0;

    // Two bilinear low-pass sections (a 4th-order Butterworth at 22.4 kHz), the cut-off held
    // at Nyquist. There the sections' transfer is exactly 1, but their poles sit on the unit
    // circle at z = -1, where the recursion grows without bound: held at Nyquist they are left
    // out, which is what they would pass.
    const double lowPassHz = std::min(kLowPassHz, rate / 2.0);
    m_lowPass = lowPassHz < rate / 2.0;
    const double k = std::tan((2.0 * pi * lowPassHz / rate) / 2.0);
    const double k2 = k * k;
    const double qs[2] = {1.306563, 0.541196};
    for (int s = 0; s < 2; ++s) {
        Biquad& lp = m_band[2 + s];
        const double q = qs[s];
        lp.a1 = (2.0 * (k2 - 1.0)) / (k2 + (k / q) + 1.0);
        lp.a2 = (k2 - (k / q) + 1.0) / (k2 + (k / q) + 1.0);
        lp.b0 = k2 / (k2 + (k / q) + 1.0);
        lp.b1 = 2.0 * lp.b0;
        lp.b2 = lp.b0;
    }
    for (std::uint32_t i = 0; i <= m_randMax; ++i) {
        next();
    }
}

// Direct Form II, in the standard's order of operations.
double St2095Generator::Biquad::run(double x) noexcept {
    const double w = x - a1 * w1 - a2 * w2;
    const double y = b0 * w + b1 * w1 + b2 * w2;
    w2 = w1;
    w1 = w;
    return y;
}

double St2095Generator::next() noexcept {
    m_seed = static_cast<std::uint32_t>((std::uint64_t{1664525} * m_seed + m_randStep) &
                                        std::uint64_t{m_randMax});
    const double white = static_cast<double>(m_seed) * m_scale - 1.0;

    // The pink network: first-order low-passes in parallel, scaled for -21.5 dBFS RMS.
    auto& lp = m_pink;
    lp[0] = 0.9994551 * lp[0] + 0.00198166688621989 * white;
    lp[1] = 0.9969859 * lp[1] + 0.00263702334184061 * white;
    lp[2] = 0.9844470 * lp[2] + 0.00643213710202331 * white;
    lp[3] = 0.9161757 * lp[3] + 0.01438952538362820 * white;
    lp[4] = 0.6563399 * lp[4] + 0.02698408541064610 * white;
    double pink = lp[0] + lp[1] + lp[2] + lp[3] + lp[4] + lp[5] + white * 0.0342675832159306;
    lp[5] = white * 0.0088766118009356;

    pink = m_band[1].run(m_band[0].run(pink));
    if (m_lowPass) {
        pink = m_band[3].run(m_band[2].run(pink));
    }
    if (pink > m_maxAmp) {
        pink = m_maxAmp;
    } else if (pink < -m_maxAmp) {
        pink = -m_maxAmp;
    }
    return pink;
}

std::int32_t St2095Generator::word(double sample) noexcept {
    // Samples are held at -9.5 dBFS, well inside the word.
    return static_cast<std::int32_t>(sample * 2147483647.0);
}

// ----- CEA-2010 tone bursts -----

bool isToneBurstFrequency(double frequency, std::uint32_t sampleRate) noexcept {
    return frequency >= kBurstCycles && frequency < static_cast<double>(sampleRate) / 2.0;
}

double toneBurstValue(double frequency, std::uint32_t sampleRate, std::uint64_t frame) noexcept {
    const double t = static_cast<double>(frame % sampleRate) / static_cast<double>(sampleRate);
    if (t > kBurstCycles / frequency) {
        return 0.0;
    }
    const double phase = 2.0 * std::numbers::pi * frequency * t;
    return 0.5 * (1.0 - std::cos(phase / kBurstCycles)) * std::sin(phase);
}

// ----- Noise made in the frequency domain -----

namespace {

using Spectrum = std::vector<std::complex<double>>;

double randomPhase(std::mt19937_64& random) {
    return static_cast<double>(random() >> 11) * 0x1p-53 * 2.0 * std::numbers::pi;
}

// The real signal of a spectrum that holds bins 1..n/2-1 (their mirror images are filled in).
std::vector<double> signalOf(const Spectrum& half, const FourierTransform& transform) {
    const std::size_t n = transform.length();
    Spectrum data(n);
    for (std::size_t k = 1; k < n / 2; ++k) {
        data[k] = half[k];
        data[n - k] = std::conj(half[k]);
    }
    transform.inverse(data);
    std::vector<double> signal(n);
    std::transform(data.begin(), data.end(), signal.begin(), [](auto& v) { return v.real(); });
    return signal;
}

double rmsOf(const std::vector<double>& signal) {
    double sum = 0.0;
    for (double v : signal) {
        sum += v * v;
    }
    return std::sqrt(sum / static_cast<double>(signal.size()));
}

double peakOf(const std::vector<double>& signal) {
    double peak = 0.0;
    for (double v : signal) {
        peak = std::max(peak, std::abs(v));
    }
    return peak;
}

// One round of the crest factor's reduction on a grid of the transform's length (the period's,
// or four times it to see between samples). True, and nothing changed, when the signal of the
// spectrum holds its peaks within limit times its RMS there (peak then tells its peak); otherwise
// the signal is clipped at ratio times its RMS and the spectrum takes the clipped signal's
// phases with its own magnitudes again.
bool heldOrClipped(Spectrum& half, const std::vector<double>& magnitude,
                   const FourierTransform& grid, double limit, double ratio, double& peak) {
    const std::size_t m = grid.length();
    Spectrum gridHalf(m / 2);
    std::copy(half.begin(), half.end(), gridHalf.begin());
    const std::vector<double> signal = signalOf(gridHalf, grid);
    const double rms = rmsOf(signal);
    peak = peakOf(signal);
    if (peak <= limit * rms) {
        return true;
    }
    const double clip = ratio * rms;
    Spectrum data(m);
    for (std::size_t i = 0; i < m; ++i) {
        data[i] = std::clamp(signal[i], -clip, clip);
    }
    grid.forward(data);
    for (std::size_t k = 1; k < half.size(); ++k) {
        const double size = std::abs(data[k]);
        if (size > 0.0) {
            half[k] = data[k] * (magnitude[k] / size);
        }
    }
    return false;
}

std::vector<float> scaledToPeak(const std::vector<double>& signal, double peak) {
    std::vector<float> out(signal.size());
    std::transform(signal.begin(), signal.end(), out.begin(),
                   [peak](double v) { return static_cast<float>(v / peak); });
    return out;
}

}  // namespace

bool isPowerNoiseBand(double lowHz, double highHz, std::uint32_t sampleRate) noexcept {
    return sampleRate <= kMaxPowerNoiseRate && lowHz > 0.0 && lowHz < highHz &&
           highHz < static_cast<double>(sampleRate) / 2.0;
}

std::size_t powerNoisePeriodFrames(std::uint32_t sampleRate) noexcept {
    return std::bit_ceil(std::max<std::size_t>(sampleRate, 1024));
}

std::vector<float> powerTestNoise(std::uint32_t sampleRate, double lowHz, double highHz,
                                  std::uint64_t seed) {
    if (!isPowerNoiseBand(lowHz, highHz, sampleRate)) {
        return {};
    }
    const std::size_t n = powerNoisePeriodFrames(sampleRate);
    const FourierTransform transform(n);
    std::vector<double> magnitude(n / 2);
    Spectrum half(n / 2);
    std::mt19937_64 random(seed);
    for (std::size_t k = 1; k < n / 2; ++k) {
        const double f = static_cast<double>(k) * sampleRate / static_cast<double>(n);
        double m = 1.0 / std::sqrt(f);
        if (f < lowHz) {
            m *= (f / lowHz) * (f / lowHz);  // 12 dB per octave below the band
        } else if (f > highHz) {
            m *= (highHz / f) * (highHz / f);
        }
        magnitude[k] = m;
        half[k] = std::polar(m, randomPhase(random));
    }

    // Clip in time, restore the spectrum's magnitudes, again, until the signal with exactly the
    // band's spectrum holds its peaks within the crest factor: first at the samples (cheap), then
    // between them too.
    // 0.05 dB below the bound: room for the rounding of the samples that encode it.
    const double limit = std::pow(10.0, (kPowerNoiseCrestDb - 0.05) / 20.0);
    const double ratio = limit * 0.97;
    const FourierTransform wide(4 * n);
    double peak = 0.0;
    constexpr int kMaxRounds = 200;
    for (int round = 0; round < kMaxRounds; ++round) {
        if (heldOrClipped(half, magnitude, transform, limit, ratio, peak)) {
            break;
        }
    }
    for (int round = 0; round < kMaxRounds; ++round) {
        if (heldOrClipped(half, magnitude, wide, limit, ratio, peak)) {
            return scaledToPeak(signalOf(half, transform), peak);
        }
    }
    return {};
}

std::vector<float> periodicPinkNoise(std::size_t frames, std::uint64_t seed) {
    if (frames < 4 || frames > kMaxPeriodicPinkFrames || !std::has_single_bit(frames)) {
        return {};
    }
    const FourierTransform transform(frames);
    Spectrum half(frames / 2);
    std::mt19937_64 random(seed);
    // Octave j holds bins 2^j to 2^(j+1) - 1; within it power falls as 1/k, and the octave's sum
    // of 1/k is divided out so that every octave carries exactly the same energy.
    for (std::size_t first = 1; first < frames / 2; first *= 2) {
        double sum = 0.0;
        for (std::size_t k = first; k < 2 * first; ++k) {
            sum += 1.0 / static_cast<double>(k);
        }
        for (std::size_t k = first; k < 2 * first; ++k) {
            half[k] =
                std::polar(std::sqrt(1.0 / static_cast<double>(k) / sum), randomPhase(random));
        }
    }
    const std::vector<double> signal = signalOf(half, transform);
    return scaledToPeak(signal, peakOf(signal));
}

// ----- The render -----

namespace {

struct Frames {
    std::uint8_t* block = nullptr;
    std::uint64_t totalSamples = 0;
    std::uint32_t channels = 2;
    bool pair = false;
};

// ST 2095-1's depths: the top bits of the standard's word, or the value as a float.
template <unsigned kBits>
struct St2095Encoder {
    using Sample = std::int32_t;
    static constexpr unsigned kBytes = kBits == 8 ? 1 : kBits == 16 ? 2 : 4;
    Sample encode(double v) const noexcept {
        const std::int32_t w = St2095Generator::word(v);
        if constexpr (kBits == 8) {
            return (w >> 24) + 128;
        } else if constexpr (kBits == 16) {
            return w >> 16;
        } else {
            constexpr std::int32_t kMask = kBits == 20 ? ~0xFFF : ~0xFF;
            return w & kMask;
        }
    }
    static Sample invert(Sample n) noexcept { return kBits == 8 ? 256 - n : -n; }
    static void put(std::uint8_t* p, Sample n) noexcept {
        if constexpr (kBits == 8) {
            *p = static_cast<std::uint8_t>(n);
        } else if constexpr (kBits == 16) {
            synth::storeLittle16(p, n);
        } else {
            synth::storeLittle32(p, static_cast<std::uint32_t>(n));
        }
    }
};
struct St2095FloatEncoder {
    using Sample = float;
    static constexpr unsigned kBytes = 4;
    Sample encode(double v) const noexcept { return static_cast<float>(v); }
    static Sample invert(Sample s) noexcept { return -s; }
    static void put(std::uint8_t* p, Sample s) noexcept {
        synth::storeLittle32(p, std::bit_cast<std::uint32_t>(s));
    }
};

constexpr std::uint64_t kProgressFrames = 4096;

// Writes frame after frame from next(), the pair's second channel inverted, reporting progress
// every few thousand frames and at the end.
template <class Enc, class Next>
void fill(const Enc& enc, const Frames& frames, Next next, ProgressCallback progress) {
    std::uint8_t* out = frames.block;
    std::uint64_t written = 0;
    for (std::uint64_t frame = 0; written < frames.totalSamples; ++frame) {
        const auto sample = enc.encode(next(frame));
        for (std::uint32_t c = 0; c < frames.channels && written < frames.totalSamples; ++c) {
            Enc::put(out, frames.pair && c == 1 ? Enc::invert(sample) : sample);
            out += Enc::kBytes;
            ++written;
        }
        if (progress != nullptr &&
            ((frame + 1) % kProgressFrames == 0 || written == frames.totalSamples)) {
            progress(static_cast<std::uint32_t>(written));
        }
    }
}

template <class Next>
void fillScaled(std::uint16_t bits, double amplitude, const Frames& frames, Next next,
                ProgressCallback progress) {
    switch (bits) {
        case 8:
            fill(synth::Encoder8{amplitude}, frames, next, progress);
            break;
        case 16:
            fill(synth::Encoder16{amplitude}, frames, next, progress);
            break;
        case 20:
            fill(synth::Encoder20{amplitude}, frames, next, progress);
            break;
        case 24:
            fill(synth::Encoder24{amplitude}, frames, next, progress);
            break;
        default:
            fill(synth::EncoderFloat{amplitude}, frames, next, progress);
            break;
    }
}

template <class Next>
void fillSt2095(std::uint16_t bits, const Frames& frames, Next next, ProgressCallback progress) {
    switch (bits) {
        case 8:
            fill(St2095Encoder<8>{}, frames, next, progress);
            break;
        case 16:
            fill(St2095Encoder<16>{}, frames, next, progress);
            break;
        case 20:
            fill(St2095Encoder<20>{}, frames, next, progress);
            break;
        case 24:
            fill(St2095Encoder<24>{}, frames, next, progress);
            break;
        default:
            fill(St2095FloatEncoder{}, frames, next, progress);
            break;
    }
}

// One period looped over the block.
auto looped(const std::vector<float>& period) {
    return [&period](std::uint64_t frame) {
        return static_cast<double>(period[frame % period.size()]);
    };
}

}  // namespace

std::int32_t SynthesizeStandard(std::uint8_t* block, std::uint32_t blockSize,
                                std::uint32_t sampleRate, std::uint32_t channelCode,
                                std::uint16_t bitsPerSample, const StandardSignal& signal,
                                double amplitude, ProgressCallback progress) noexcept {
    const unsigned bytes = sampleContainerBytes(bitsPerSample);
    if (bytes == 0 || (block == nullptr && blockSize != 0)) {
        return 0;
    }
    const std::uint8_t silence = bitsPerSample == 8 ? 0x80 : 0x00;
    std::memset(block, silence, blockSize);
    Frames frames{block, blockSize / bytes, channelCode == kOppositePhasePair ? 2 : channelCode,
                  channelCode == kOppositePhasePair};
    if (frames.totalSamples == 0) {
        return 1;
    }
    const auto silent = [](std::uint64_t) { return 0.0; };
    try {
        switch (signal.waveform) {
            case kWaveSt2095Pink: {
                if (sampleRate == 0) {
                    break;
                }
                St2095Generator generator(sampleRate);
                fillSt2095(
                    bitsPerSample, frames, [&](std::uint64_t) { return generator.next(); },
                    progress);
                return 1;
            }
            case kWaveToneBurst:
                if (!isToneBurstFrequency(signal.frequency, sampleRate)) {
                    break;
                }
                fillScaled(
                    bitsPerSample, amplitude, frames,
                    [&](std::uint64_t f) {
                        return toneBurstValue(signal.frequency, sampleRate, f);
                    },
                    progress);
                return 1;
            case kWavePowerNoise: {
                if (!isPowerNoiseBand(signal.lowHz, signal.highHz, sampleRate)) {
                    break;
                }
                const std::vector<float> period =
                    powerTestNoise(sampleRate, signal.lowHz, signal.highHz, signal.seed);
                if (period.empty()) {  // the crest factor was not reached: no signal to give
                    fillScaled(bitsPerSample, 0.0, frames, silent, progress);
                    return -1;
                }
                fillScaled(bitsPerSample, amplitude, frames, looped(period), progress);
                return 1;
            }
            case kWavePeriodicPink: {
                const std::vector<float> period =
                    periodicPinkNoise(signal.periodFrames, signal.seed);
                if (period.empty()) {
                    break;
                }
                fillScaled(bitsPerSample, amplitude, frames, looped(period), progress);
                return 1;
            }
            default:
                break;
        }
    } catch (const std::bad_alloc&) {
        std::memset(block, silence, blockSize);
        fillScaled(bitsPerSample, 0.0, frames, silent, progress);
        return -1;
    }
    fillScaled(bitsPerSample, 0.0, frames, silent, progress);
    return 1;
}

}  // namespace quilbo
