// The speaker check's noise, made in the frequency domain so that one period loops without a
// seam, and the check blocks built from it.
#include "synth/SpeakerCheck.h"

#include "synth/Fourier.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>

namespace quilbo {

namespace {

double fadeGain(std::size_t frame, std::size_t length, std::size_t fade) {
    if (fade == 0) {
        return 1.0;
    }
    const std::size_t fromEdge = std::min(frame, length - 1 - frame);
    if (fromEdge >= fade) {
        return 1.0;
    }
    return 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(fromEdge) /
                                static_cast<double>(fade));
}

}  // namespace

std::vector<float> periodicBandNoise(std::size_t frames, double sampleRate, double lowHz,
                                     double highHz, std::uint64_t seed) {
    if (frames < 4 || !std::has_single_bit(frames) || !(sampleRate > 0.0) || !(lowHz <= highHz)) {
        return {};
    }
    const double binHz = sampleRate / static_cast<double>(frames);
    const double first = std::max(1.0, std::ceil(lowHz / binHz));
    const double last = std::min(static_cast<double>(frames / 2 - 1), std::floor(highHz / binHz));
    if (!(first <= last)) {
        return {};
    }
    std::vector<std::complex<double>> spectrum(frames);
    std::mt19937_64 random(seed);
    for (auto k = static_cast<std::size_t>(first); k <= static_cast<std::size_t>(last); ++k) {
        const double phase = static_cast<double>(random() >> 11) * 0x1p-53 * 2.0 * std::numbers::pi;
        // Power proportional to 1/f: the same energy in every octave.
        spectrum[k] = std::polar(1.0 / std::sqrt(static_cast<double>(k)), phase);
    }
    FourierTransform(frames).inverse(spectrum);

    double sumSquares = 0.0;
    for (const auto& value : spectrum) {
        sumSquares += value.real() * value.real();
    }
    const double scale = 1.0 / std::sqrt(sumSquares / static_cast<double>(frames));
    // Any rotation of a period is a period; starting next to zero spares the first play a step.
    const auto quietest = std::min_element(spectrum.begin(), spectrum.end(), [](auto& a, auto& b) {
        return std::abs(a.real()) < std::abs(b.real());
    });
    std::rotate(spectrum.begin(), quietest, spectrum.end());
    std::vector<float> noise(frames);
    std::transform(spectrum.begin(), spectrum.end(), noise.begin(),
                   [scale](const auto& value) { return static_cast<float>(value.real() * scale); });
    return noise;
}

std::size_t checkBlockBytes(std::span<const CheckTurn> turns, int channels) {
    std::size_t frames = 0;
    for (const CheckTurn& turn : turns) {
        frames += turn.noise.size();
    }
    return channels > 0 ? frames * static_cast<std::size_t>(channels) * 2 : 0;
}

std::size_t renderCheckBlock(std::span<const CheckTurn> turns, int channels, std::size_t fadeFrames,
                             std::span<std::uint8_t> out) {
    const std::size_t bytes = checkBlockBytes(turns, channels);
    if (bytes == 0 || bytes > out.size()) {
        return 0;
    }
    for (const CheckTurn& turn : turns) {
        if (turn.noise.size() != turns[0].noise.size() || 2 * fadeFrames > turn.noise.size()) {
            return 0;
        }
    }
    // Unit RMS noise at a gain of 1 comes out at the check level against a full-scale sine,
    // whose RMS is full scale over the square root of two.
    const double amplitude = 32767.0 * std::pow(10.0, kCheckLevelDbfs / 20.0) / std::numbers::sqrt2;
    std::uint8_t* cursor = out.data();
    for (const CheckTurn& turn : turns) {
        const std::size_t length = turn.noise.size();
        for (std::size_t frame = 0; frame < length; ++frame) {
            const double value =
                turn.noise[frame] * amplitude * fadeGain(frame, length, fadeFrames);
            for (int channel = 0; channel < channels; ++channel) {
                const auto c = static_cast<std::size_t>(channel);
                const double gain = c < turn.gains.size() ? turn.gains[c] : 0.0;
                const auto sample = static_cast<std::int16_t>(
                    std::clamp(std::lround(value * gain), -32768L, 32767L));
                const auto word = static_cast<std::uint16_t>(sample);
                *cursor++ = static_cast<std::uint8_t>(word & 0xFF);
                *cursor++ = static_cast<std::uint8_t>(word >> 8);
            }
        }
    }
    return bytes;
}

}  // namespace quilbo
