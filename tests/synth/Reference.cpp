// The plain oracle renderer and the adapter that drives the real entry points for tests.
#include "Reference.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "synth/Synthesis.h"

namespace quilbo::test {
namespace {

constexpr double kTwoPi = 6.283185307179586;

double draw(std::uint32_t& seed) {
    seed = seed * 196314165u + 907633515u;
    return static_cast<double>(seed >> 9) / 8388608.0 - 0.5;
}

struct Noise {
    std::uint32_t seed;
    std::uint32_t counter = 1;
    float pinkSum = 0.0f;
    float brownSum = 0.0f;
    float rows[16] = {};

    double white() { return draw(seed); }
    double pink() {
        unsigned k = 0;
        while (k < 32 && ((counter >> k) & 1u) == 0) {
            ++k;
        }
        const unsigned row = k & 15u;
        const float old = rows[row];
        for (;;) {
            const double r = draw(seed);
            rows[row] = static_cast<float>(r);
            const double d = r - old;
            const double candidate = pinkSum + d;
            pinkSum = static_cast<float>(candidate);
            if (candidate < -4.0 || pinkSum > 4.0f) {
                pinkSum = static_cast<float>(pinkSum - d);
                continue;
            }
            break;
        }
        ++counter;
        return (draw(seed) + pinkSum) * 0.125;
    }
    double brown() {
        for (;;) {
            const float r = static_cast<float>(draw(seed));
            const double candidate = static_cast<double>(brownSum) + r;
            if (candidate >= -8.0 && candidate <= 8.0) {
                brownSum = static_cast<float>(candidate);
                return candidate * 0.0625;
            }
        }
    }
};

double shape(int waveform, double g, double rate, double o) {
    const double ph = ((g * kTwoPi) / rate) * o;
    if (waveform == 0) {
        return std::cos(ph);
    }
    const double c = std::cos(ph);
    return c > 0 ? 1.0 : (c < 0 ? -1.0 : c);
}

double ramp(double ratio, double o) {
    if (!(ratio >= 2.0) || !std::isfinite(ratio)) {
        return 0.0;
    }
    const double x = std::fmod(o, std::trunc(ratio));
    const double half = ratio * 0.5;
    const double inv = 1.0 / half;
    return x < half ? inv * x - 1.0 : 1.0 - (x - half) * inv;
}

// Scaled value to stored sample, with the clamps that keep both polarities in range.
std::int64_t clampTrunc(double s, double limit, std::int64_t nanValue, double low) {
    if (std::isnan(s)) {
        return nanValue;
    }
    return static_cast<std::int64_t>(std::trunc(std::fmax(low, std::fmin(limit, s))));
}

}  // namespace

Rendered referenceRender(const Request& q, std::uint8_t initial) {
    Rendered out;
    out.bytes.assign(q.blockSize, initial);
    const unsigned bytesPer = q.bits == 8                                      ? 1
                              : q.bits == 16                                   ? 2
                              : (q.bits == 20 || q.bits == 24 || q.bits == 32) ? 4
                                                                               : 0;
    if (bytesPer == 0) {
        return out;
    }
    out.result = 1;
    std::fill(out.bytes.begin(), out.bytes.end(), q.bits == 8 ? 0x80 : 0x00);
    const std::uint64_t total = q.blockSize / bytesPer;
    const bool pair = q.channelCode == 0;
    const std::uint64_t channels = pair ? 2 : q.channelCode;
    const double rate = q.sampleRate;
    const double neff = static_cast<double>(total) * 2.0 / static_cast<double>(channels);
    const double span = q.endFrequency - q.frequency;
    Noise noise{q.seed};

    int p = 1;
    std::uint64_t i = 0;
    for (std::int64_t o = 0; i < total; ++o) {
        const double od = static_cast<double>(o);
        double v = 0.0;
        if (q.kind == Kind::Noise) {
            v = q.waveform == 3   ? noise.white()
                : q.waveform == 4 ? noise.pink()
                : q.waveform == 5 ? noise.brown()
                                  : 0.0;
        } else if (q.kind == Kind::LogSweep) {
            // Cycles done by frame o: f0 / R x (e^(k o) - 1) / k, k = ln(f1 / f0) / frames.
            const double s = q.frequency / rate;
            const double logRatio = std::log(q.endFrequency / q.frequency);
            const double k =
                logRatio / (static_cast<double>(total) / static_cast<double>(channels));
            const double done = k == 0.0 ? s * od : s * (std::expm1(k * od) / k);
            const double u = done - std::floor(done);
            const double c = std::cos(kTwoPi * done);
            if (q.frequency > 0.0 && q.endFrequency > 0.0 && std::isfinite(logRatio) &&
                std::isfinite(s)) {
                v = q.waveform == 0   ? c
                    : q.waveform == 1 ? (c > 0 ? 1.0 : (c < 0 ? -1.0 : c))
                    : q.waveform != 2 || !(k * od <= std::log(0.5 / s)) ? 0.0
                    : u < 0.5                                           ? 2 * u - 1
                                                                        : 2 - 2 * u;
            }
        } else if (q.sampleRate != 0 && q.waveform >= 0 && q.waveform <= 2) {
            const bool sweep = q.kind == Kind::Sweep;
            if (q.waveform == 2) {
                const double g = sweep ? ((2.0 * span) * od) / neff + q.frequency : q.frequency;
                v = ramp(rate / g, od);
            } else {
                const double g = sweep ? (od * span) / neff + q.frequency : q.frequency;
                v = shape(q.waveform, g, rate, od);
            }
        }
        for (std::uint64_t c = 0; c < channels && i < total; ++c, ++i) {
            std::uint8_t* at = out.bytes.data() + i * bytesPer;
            if (q.bits == 8) {
                const auto n = clampTrunc(128.0 + (v * 127.0) * q.amplitude, 255, 128, 1);
                *at = static_cast<std::uint8_t>(p > 0 ? n : 256 - n);
            } else if (q.bits == 16) {
                const auto n = clampTrunc((v * 32767.0) * q.amplitude, 32767, 0, -32767) * p;
                const auto u = static_cast<std::uint16_t>(n);
                std::memcpy(at, &u, 2);
            } else if (q.bits == 32) {
                double s = (v * 0.5) * q.amplitude;
                s = std::isnan(s) ? 0.0 : std::fmax(-1.0, std::fmin(1.0, s));
                const float f = static_cast<float>(s * p);
                std::memcpy(at, &f, 4);
            } else {
                const double full = q.bits == 20 ? 524287.0 : 8388607.0;
                const std::int64_t shift = q.bits == 20 ? 4096 : 256;
                const auto n = clampTrunc((v * full) * q.amplitude, full, 0, -full) * shift * p;
                const auto u = static_cast<std::uint32_t>(n);
                std::memcpy(at, &u, 4);
            }
            if (pair) {
                p = -p;
            }
        }
        out.progress.push_back(static_cast<std::uint32_t>(i));
    }
    return out;
}

namespace {
std::vector<std::uint32_t>* g_progressSink = nullptr;
void recordInto(std::uint32_t count) {
    g_progressSink->push_back(count);
}
}  // namespace

Rendered synthesize(const Request& q, std::uint8_t initial, bool withBlock, bool withProgress) {
    Rendered out;
    out.bytes.assign(q.blockSize, initial);
    g_progressSink = &out.progress;
    std::uint8_t none = initial;  // a block of no bytes is still a block
    std::uint8_t* block = !withBlock ? nullptr : out.bytes.empty() ? &none : out.bytes.data();
    const ProgressCallback recordProgress = withProgress ? recordInto : nullptr;
    switch (q.kind) {
        case Kind::Tone:
            out.result = SynthesizeTone(block, q.blockSize, q.sampleRate, q.channelCode, q.bits,
                                        q.waveform, q.frequency, q.amplitude, recordProgress);
            break;
        case Kind::Sweep:
            out.result =
                SynthesizeSweep(block, q.blockSize, q.sampleRate, q.channelCode, q.bits, q.waveform,
                                q.frequency, q.endFrequency, q.amplitude, recordProgress);
            break;
        case Kind::LogSweep:
            out.result = SynthesizeLogSweep(block, q.blockSize, q.sampleRate, q.channelCode, q.bits,
                                            q.waveform, q.frequency, q.endFrequency, q.amplitude,
                                            recordProgress);
            break;
        case Kind::Noise:
            out.result =
                q.clockSeeded
                    ? SynthesizeNoise(block, q.blockSize, q.sampleRate, q.channelCode, q.bits,
                                      q.waveform, q.amplitude, recordProgress)
                    : SynthesizeNoiseSeeded(q.seed, block, q.blockSize, q.sampleRate, q.channelCode,
                                            q.bits, q.waveform, q.amplitude, recordProgress);
            break;
    }
    g_progressSink = nullptr;
    return out;
}

}  // namespace quilbo::test
