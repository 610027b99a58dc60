// A stored measurement of a loudspeaker made of known biquads: its impulse response, arrival,
// level and polarity exact, and its true response at any frequency.
#pragma once

#include "measure/Biquad.h"
#include "measure/MeasurementStore.h"

#include <cmath>
#include <complex>
#include <vector>

namespace quilbo::test {

struct SyntheticSpeaker {
    std::vector<Biquad> sections;
    double gain = 1;  // negative for a speaker wired inverted
    double arrivalSeconds = 0.01;
    int channel = 1;

    Measurement measurement(const std::string& name = "speaker") const {
        Measurement m;
        m.name = name;
        m.date = "2026-12-08T12:00:00Z";
        m.channel = channel;
        m.sweep.rate = 48000;
        m.impulse.assign(24000, 0.0F);
        m.impulse[480] = static_cast<float>(gain);
        for (const Biquad& b : sections) {
            b.process(m.impulse);
        }
        m.arrivalSeconds = arrivalSeconds;
        return m;
    }
    // The true level in dB at `f`, with the filters of a correction added.
    double db(double f, const std::vector<Biquad>& more = {}) const {
        std::complex<double> h = std::abs(gain);
        for (const auto* list : {&sections, &more}) {
            for (const Biquad& b : *list) {
                h *= b.response(f);
            }
        }
        return 20 * std::log10(std::abs(h));
    }
};

// A peak of 6 dB at 1 kHz on a speaker that rolls off below 50 Hz (second order).
inline SyntheticSpeaker peakedSpeaker(double peakDb = 6) {
    return {{Biquad::highPass(48000, 50, 0.7071), Biquad::peaking(48000, 1000, peakDb, 2)}};
}

}  // namespace quilbo::test
