// The standards' signals through SynthesizeStandard: ST 2095-1 against a generator written here
// from the standard's description, the bursts against their formula, and the noises' levels,
// crest factor, bands and loops measured in the rendered samples.
#include "synth/Fourier.h"
#include "synth/StandardSignals.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

namespace quilbo::test {
namespace {

using Spectrum = std::vector<std::complex<double>>;

// One channel's values: 16-bit samples, 24-bit samples (the word shifted down) or floats.
std::vector<double> render(const StandardSignal& signal, std::uint32_t rate, std::size_t frames,
                           std::uint16_t bits = 32, double amplitude = 1.0) {
    const std::size_t bytes = bits == 16 ? 2 : 4;
    std::vector<std::uint8_t> block(frames * bytes);
    EXPECT_EQ(SynthesizeStandard(block.data(), static_cast<std::uint32_t>(block.size()), rate, 1,
                                 bits, signal, amplitude, nullptr),
              1);
    std::vector<double> values(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        std::int32_t word = 0;
        std::memcpy(&word, &block[i * bytes], bytes);
        values[i] = bits == 16   ? std::int16_t(word)
                    : bits == 24 ? word >> 8
                                 : std::bit_cast<float>(word);
    }
    return values;
}

const auto dbOf = [](double power) { return 10.0 * std::log10(power); };

Spectrum spectrumOf(const std::vector<double>& period) {
    Spectrum data(period.begin(), period.end());
    FourierTransform(period.size()).forward(data);
    return data;
}

// Power of the bins [first, end), in dB.
double bandDb(const Spectrum& s, std::size_t first, std::size_t end) {
    double sum = 0.0;
    for (std::size_t k = first; k < end; ++k)
        sum += std::norm(s[k]);
    return dbOf(sum);
}

// The standard's generator as its text gives it, in double precision: its 24-bit samples after
// the discarded period.
std::vector<double> st2095Reference(std::uint32_t rate, std::size_t frames) {
    const bool high = rate > 48000;
    const std::uint64_t period = high ? 1 << 20 : 1 << 19, step = high ? 163841 : 52737;
    const double pi = std::numbers::pi, w0t = 2.0 * pi * 10.0 / rate;
    const double k = std::tan((2.0 * pi * 22400.0 / rate) / 2.0), k2 = k * k;
    std::array<std::array<double, 5>, 4> c;
    double z[4][2] = {}, lp[6] = {};
    for (int s = 0; s < 2; ++s) {
        const double re = s == 0 ? 0.3826835 : 0.9238795, im = s == 0 ? 0.9238795 : 0.3826835;
        const double a1 = -2.0 * std::exp(-re * w0t) * std::cos(im * w0t);
        const double a2 = std::exp(2.0 * -re * w0t), b0 = (1.0 - a1 + a2) / 4.0;
        const double q = s == 0 ? 1.306563 : 0.541196, d = k2 + (k / q) + 1.0;
        c[s] = {a1, a2, b0, -2.0 * b0, b0};
        c[2 + s] = {(2.0 * (k2 - 1.0)) / d, (k2 - (k / q) + 1.0) / d, k2 / d, 2.0 * (k2 / d),
                    k2 / d};
    }
    const double poles[5] = {0.9994551, 0.9969859, 0.9844470, 0.9161757, 0.6563399};
    const double gains[5] = {0.00198166688621989, 0.00263702334184061, 0.00643213710202331,
                             0.01438952538362820, 0.02698408541064610};
    std::uint64_t seed = 0;
    std::vector<double> out;
    for (std::uint64_t i = 0; i < period + frames; ++i) {
        seed = (1664525 * seed + step) & (period - 1);
        const double white = seed * (2.0 / (period - 1)) - 1.0;
        for (int j = 0; j < 5; ++j)
            lp[j] = poles[j] * lp[j] + gains[j] * white;
        double x = lp[0] + lp[1] + lp[2] + lp[3] + lp[4] + lp[5] + white * 0.0342675832159306;
        lp[5] = white * 0.0088766118009356;
        for (int s = 0; s < 4; ++s) {
            const double w = x - c[s][0] * z[s][0] - c[s][1] * z[s][1];
            x = c[s][2] * w + c[s][3] * z[s][0] + c[s][4] * z[s][1];
            z[s][1] = z[s][0];
            z[s][0] = w;
        }
        const double peak = std::pow(10.0, -9.5 / 20.0);
        x = x > peak ? peak : x < -peak ? -peak : x;
        if (i >= period)
            out.push_back(static_cast<std::int32_t>(x * 2147483647.0) >> 8);
    }
    return out;
}

TEST(StandardSignals, St2095IsTheStandardsNoiseAtItsLevel) {
    // FNV-1a of the standard's own generator's 24-bit output (3 bytes a sample, 96000 samples
    // after its discarded period) at 48 and 96 kHz.
    const std::uint64_t known[] = {0x40d5b843d5ab2785, 0xb34b9c9b33182c5a};
    for (std::uint32_t rate : {48000u, 96000u}) {
        const std::vector<double> want = st2095Reference(rate, 96000);
        EXPECT_EQ(render({}, rate, 96000, 24), want) << rate;
        std::uint64_t hash = 0xcbf29ce484222325;
        for (double v : want) {
            for (int b = 0; b < 3; ++b)
                hash = (hash ^ ((std::int32_t(v) >> 8 * b) & 0xFF)) * 0x100000001b3;
        }
        EXPECT_EQ(hash, known[rate / 96000]) << rate;
    }
    const std::size_t period = 1 << 19;
    const std::vector<double> words = render({}, 48000, 2 * period, 24);
    const std::vector<double> shorts = render({}, 48000, period, 16);
    double sum = 0.0, peak = 0.0;
    for (std::size_t i = 0; i < period; ++i) {
        ASSERT_LE(std::abs(words[i] - words[i + period]), 1.0) << i;  // the filters' rounding
        ASSERT_EQ(shorts[i], std::floor(words[i] / 256)) << i;        // the top bits, no dither
        sum += words[i] * words[i];
        peak = std::max(peak, std::abs(words[i]));
    }
    EXPECT_NEAR(dbOf(sum / period / 0x1p46) + dbOf(2.0), -18.5, 0.05);  // against a full sine
    EXPECT_NEAR(20 * std::log10(peak / 0x1p23), -9.5, 1e-5);
}

TEST(StandardSignals, BurstsFollowTheirFormulaOnceASecond) {
    for (double f : kCea2010Frequencies) {
        const std::vector<double> v = render({kWaveToneBurst, f}, 48000, 2 * 48000, 32, 1.6);
        for (std::size_t i = 0; i < v.size(); ++i) {
            const double t = static_cast<double>(i % 48000) / 48000,
                         w = 2 * std::numbers::pi * f * t;
            const double x = t <= 6.5 / f ? 0.5 * (1 - std::cos(w / 6.5)) * std::sin(w) : 0.0;
            ASSERT_NEAR(v[i], x * 0.8, 1e-7) << f << " Hz, frame " << i;  // floats peak at 1/2
        }
    }
    EXPECT_EQ(render({kWaveToneBurst, 5.0}, 48000, 100), std::vector<double>(100));
}

TEST(StandardSignals, PowerNoiseHoldsItsCrestFactorAndBandAndLoops) {
    const std::tuple<std::uint32_t, double, double> bands[] = {{44100, 50, 500},
                                                               {48000, 1000, 10000}};
    for (const auto& [rate, low, high] : bands) {
        const std::size_t n = powerNoisePeriodFrames(rate);
        const std::vector<double> v = render({kWavePowerNoise, 0, low, high}, rate, 2 * n);
        const std::vector<double> period(v.begin(), v.begin() + std::ssize(v) / 2);
        ASSERT_TRUE(std::equal(period.begin(), period.end(), v.begin() + n));
        // The peak between samples: the period's spectrum at four times the rate.
        const Spectrum s = spectrumOf(period);
        Spectrum wide(4 * n);
        for (std::size_t k = 1; k < n / 2; ++k)
            wide[k] = s[k], wide[4 * n - k] = s[n - k];
        FourierTransform(4 * n).inverse(wide);
        double peak = 0.0;
        for (const auto& x : wide)
            peak = std::max(peak, std::abs(x.real()) / n);
        const double crest = dbOf(peak * peak * n * n / 2) - bandDb(s, 1, n / 2);
        EXPECT_LE(crest, 6.0) << low;
        EXPECT_GE(crest, 5.0) << low;
        // One-third octaves inside the band carry equal power (pink).
        std::vector<double> thirds;
        const double third = std::pow(2.0, 1.0 / 3), bin = static_cast<double>(rate) / n;
        for (double f = low; f * third <= high; f *= third) {
            thirds.push_back(bandDb(s, std::size_t(std::ceil(f / bin)),
                                    std::size_t(std::ceil(f * third / bin))));
        }
        const auto [least, most] = std::minmax_element(thirds.begin(), thirds.end());
        EXPECT_LE(*most - *least, 1.0) << low;
    }
}

TEST(StandardSignals, PeriodicPinkHasEqualPowerPerOctaveAndRepeats) {
    const std::vector<double> v = render({kWavePeriodicPink}, 48000, 2 * kPeriodicPinkFrames);
    const std::vector<double> period(v.begin(), v.begin() + kPeriodicPinkFrames);
    ASSERT_TRUE(std::equal(period.begin(), period.end(), v.begin() + kPeriodicPinkFrames));
    const Spectrum s = spectrumOf(period);
    std::vector<double> octaves;
    for (std::size_t first = 1; first < kPeriodicPinkFrames / 2; first *= 2) {
        octaves.push_back(bandDb(s, first, 2 * first));
    }
    const auto [least, most] = std::minmax_element(octaves.begin(), octaves.end());
    EXPECT_LE(*most - *least, 0.2);
}

}  // namespace
}  // namespace quilbo::test
