// Recordings of the sweep through a known loudspeaker (a delay, a resonance, a notch, harmonic
// distortion, a little noise), with and without a stretch of sound lost or repeated on the way:
// the disturbed ones are refused and dated, never measured; the undisturbed one is measured.
#include "measure/Analysis.h"
#include "measure/Biquad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>

namespace quilbo {
namespace {

constexpr int kRate = 48000;
constexpr std::size_t kQuiet = kRate / 2;
constexpr std::size_t kDelay = 137;

SweepSettings sweepSettings() {
    SweepSettings sweep;
    sweep.seconds = 5.0;
    sweep.levelDbfs = -20.0;
    return sweep;
}

// The quiet stretch, the sweep through the loudspeaker, a second's tail, and noise throughout.
std::vector<float> loudspeakerRecording(const SweepSettings& sweep) {
    std::vector<float> recording(kQuiet + kDelay, 0.0f);
    for (const float x : generateSweep(sweep)) {
        const float driven = 2 * x;  // -14 dBFS at the loudspeaker
        recording.push_back(driven + 0.3f * driven * driven + driven * driven * driven);
    }
    recording.resize(recording.size() + kRate, 0.0f);
    const std::span<float> all(recording);
    Biquad::peaking(kRate, 55, 9, 6).process(all);
    Biquad::peaking(kRate, 1800, -24, 5).process(all);
    Biquad::highPass(kRate, 35, 0.9).process(all);
    // A room: 300 reflections over 300 ms, 20 dB below the direct sound all told.
    std::uint32_t state = 12345;
    const auto random = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f;
    };
    const std::vector<float> direct = recording;
    for (int reflection = 0; reflection < 300; ++reflection) {
        const float t = 0.005f + 0.295f * random();
        const auto delay = static_cast<std::size_t>(t * kRate);
        const float gain = (random() - 0.5f) * 0.035f * std::exp(-t / 0.07f);
        for (std::size_t n = delay; n < recording.size(); ++n) {
            recording[n] += gain * direct[n - delay];
        }
    }
    for (float& x : recording) {
        state = state * 1664525u + 1013904223u;
        x += 3e-5f * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
    }
    return recording;
}

std::size_t at(double sweepSeconds) {
    return kQuiet + kDelay + static_cast<std::size_t>(sweepSeconds * kRate);
}

Analysis analyseRecording(const std::vector<float>& recording) {
    AnalysisSettings settings;
    settings.sweep = sweepSettings();
    settings.sweepStart = kQuiet;
    return analyse(recording, settings);
}

using Disturb = std::function<void(std::vector<float>&, std::size_t)>;

// What a starved sound server does to a recording at a moment: cycles of 512 frames, or a few
// milliseconds, lost, repeated or replaced by silence.
const std::pair<const char*, Disturb> kDisturbances[] = {
    {"3 ms of silence", [](auto& r, std::size_t at) { r.insert(r.begin() + at, 144, 0.0f); }},
    {"a cycle of silence", [](auto& r, std::size_t at) { r.insert(r.begin() + at, 512, 0.0f); }},
    {"a cycle lost",
     [](auto& r, std::size_t at) { r.erase(r.begin() + at, r.begin() + at + 512); }},
    {"two cycles lost",
     [](auto& r, std::size_t at) { r.erase(r.begin() + at, r.begin() + at + 1024); }},
    {"a cycle repeated",
     [](auto& r, std::size_t at) {
         const std::vector<float> cycle(r.begin() + at - 512, r.begin() + at);
         r.insert(r.begin() + at, cycle.begin(), cycle.end());
     }},
};

TEST(Disturbance, SoundLostOrRepeatedOnItsWayIsRefusedAndDated) {
    const std::vector<float> clean = loudspeakerRecording(sweepSettings());
    int caught = 0, dated = 0, runs = 0;
    for (const double when : {0.3, 1.2, 2.41, 3.5}) {
        for (const auto& [what, disturb] : kDisturbances) {
            std::vector<float> recording = clean;
            disturb(recording, at(when));
            const Analysis a = analyseRecording(recording);
            ++runs;
            EXPECT_NE(a.status, AnalysisStatus::Ok) << what << " at " << when << " s";
            if (!isDisturbance(a.failure)) {
                ADD_FAILURE() << what << " at " << when
                              << " s: " << describeMeasureFailure(a.failure);
                continue;
            }
            ++caught;
            const double found = std::stod(a.failure.detail);
            // Within a cycle of the emulated loudspeaker's graph.
            dated += std::fabs(found - when) <= 1024.0 / kRate;
            if (when == 2.41) {
                EXPECT_NEAR(found, when, 1024.0 / kRate) << what;
            }
            if (std::string(what) == "a cycle of silence") {
                EXPECT_EQ(a.failure.code, MeasureProblem::SoundMissing) << what;
            }
        }
    }
    std::printf("disturbed recordings caught: %d of %d, dated within a cycle: %d\n", caught, runs,
                dated);
    EXPECT_GE(dated, runs * 4 / 5);
}

TEST(Disturbance, AnUndisturbedLoudspeakerIsMeasuredAndANoisyOneRefusedWithItsFigure) {
    const std::vector<float> clean = loudspeakerRecording(sweepSettings());
    const Analysis a = analyseRecording(clean);
    ASSERT_EQ(a.status, AnalysisStatus::Ok) << describeMeasureFailure(a.failure);
    EXPECT_NEAR(a.delaySeconds, static_cast<double>(kDelay) / kRate, 0.5 / kRate);
    for (std::size_t i = 0; i < a.response.frequency.size(); ++i) {
        if (std::fabs(a.response.frequency[i] / 1800 - 1) < 0.01) {
            EXPECT_LT(a.response.db[i], -10);  // the notch is measured, not taken as a fault
        }
    }

    std::vector<float> noisy = clean;
    std::uint32_t state = 99;
    for (float& x : noisy) {
        state = state * 1664525u + 1013904223u;
        x += 0.03f * (static_cast<float>(state >> 8) / 8388608.0f - 1.0f);
    }
    const Analysis refused = analyseRecording(noisy);
    EXPECT_EQ(refused.failure.code, MeasureProblem::TooQuiet);
    EXPECT_NEAR(std::stod(refused.failure.detail), refused.snrDb, 0.05);
    EXPECT_LT(refused.snrDb, 20);
}

}  // namespace
}  // namespace quilbo
