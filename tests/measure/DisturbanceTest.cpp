// The sweep through a known loudspeaker in a room (delay, resonance, notch, distortion, 300
// reflections, noise), and the same with sound lost or repeated on its way: those are refused
// and dated, never measured; a noisy one is refused with its SNR; the undisturbed one measured.
// A level changed midway is refused and dated too.
#include "measure/Analysis.h"
#include "measure/Biquad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace quilbo {
namespace {

constexpr int kRate = 48000;
constexpr std::size_t kRoomLead = kRate / 2, kRoomDelay = 137;

std::vector<float> loudspeakerInARoom(const SweepSettings& sweep, float noise) {
    std::vector<float> r(kRoomLead + kRoomDelay, 0.0f);
    for (const float x : generateSweep(sweep)) {
        r.push_back(2 * x + 1.2f * x * x + 8 * x * x * x);  // 3 % H2, 1 % H3
    }
    r.resize(r.size() + kRate, 0.0f);
    for (const Biquad& b : {Biquad::peaking(kRate, 55, 9, 6), Biquad::peaking(kRate, 1800, -24, 5),
                            Biquad::highPass(kRate, 35, 0.9)}) {
        b.process(r);
    }
    std::uint32_t state = 12345;
    const auto random = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f;
    };
    const std::vector<float> direct = r;
    for (int reflection = 0; reflection < 300; ++reflection) {  // -20 dB all told
        const float t = 0.005f + 0.295f * random();
        const float gain = (random() - 0.5f) * 0.035f * std::exp(-t / 0.07f);
        for (auto n = static_cast<std::size_t>(t * kRate); n < r.size(); ++n) {
            r[n] += gain * direct[n - static_cast<std::size_t>(t * kRate)];
        }
    }
    for (float& x : r) {
        x += noise * (random() - 0.5f);
    }
    return r;
}

TEST(Disturbance, SoundLostOrRepeatedIsRefusedAndDatedAndOnlyTheUndisturbedIsMeasured) {
    AnalysisSettings settings;
    settings.sweep.seconds = 5.0;
    settings.sweep.levelDbfs = -20.0;
    settings.sweepStart = kRoomLead;
    const std::vector<float> clean = loudspeakerInARoom(settings.sweep, 6e-5f);
    const Analysis measured = analyse(clean, settings);
    ASSERT_EQ(measured.status, AnalysisStatus::Ok) << describeMeasureFailure(measured.failure);

    // Frames of silence inserted, frames cut out, frames repeated: 3 ms, or server cycles.
    const int cases[][3] = {{144, 0, 0}, {512, 0, 0}, {0, 512, 0}, {0, 1024, 0}, {0, 0, 512}};
    int dated = 0, runs = 0;
    for (const double when : {0.3, 2.41}) {  // low in the sweep, and mid-band
        for (const auto& [silence, cut, repeat] : cases) {
            if (when < 1 && silence != 512 && cut != 1024) {
                continue;  // low in the sweep: a cycle's gap and a lost block
            }
            std::vector<float> r = clean;
            const auto at = static_cast<std::ptrdiff_t>(kRoomLead + kRoomDelay + when * kRate);
            const std::vector<float> before(r.begin() + at - repeat, r.begin() + at);
            r.erase(r.begin() + at, r.begin() + at + cut);
            r.insert(r.begin() + at, silence, 0.0f);
            r.insert(r.begin() + at, before.begin(), before.end());
            const Analysis a = analyse(r, settings);
            ++runs;
            ASSERT_TRUE(isDisturbance(a.failure))
                << when << " s, " << silence << " " << cut << " " << repeat << ": "
                << describeMeasureFailure(a.failure);
            // Within a cycle of the emulated loudspeaker's graph (1024 frames).
            const bool onTime = std::fabs(std::stod(a.failure.detail) - when) <= 1024.0 / kRate;
            dated += onTime;
            EXPECT_TRUE(when != 2.41 || onTime)
                << a.failure.detail << " " << silence << " " << cut << " " << repeat;
            EXPECT_TRUE(when != 2.41 || silence != 512 ||
                        a.failure.code == MeasureProblem::SoundMissing);
        }
    }
    std::printf("disturbed recordings caught: %d of %d, dated within a cycle: %d\n", runs, runs,
                dated);
    EXPECT_GE(dated, runs * 4 / 5);

    const Analysis noisy = analyse(loudspeakerInARoom(settings.sweep, 0.06f), settings);
    EXPECT_EQ(noisy.failure.code, MeasureProblem::TooQuiet);
    EXPECT_NEAR(std::stod(noisy.failure.detail), noisy.snrDb, 0.05);
}

// A gain turned down or up midway through a 2 s sweep through the room is refused and dated; the
// same sweep unchanged is measured.
TEST(Disturbance, ALevelChangedMidSweepIsRefusedAndDated) {
    AnalysisSettings settings;
    settings.sweep = {kRate, 20, 20000, 2.0, -20.0};
    settings.sweepStart = kRoomLead;
    const std::vector<float> clean = loudspeakerInARoom(settings.sweep, 6e-5f);
    EXPECT_EQ(analyse(clean, settings).failure, MeasureFailure{});
    for (const auto& [when, gain] :
         {std::pair{1.1, 0.708f}, std::pair{1.5, 1.334f}}) {  // -3, +2.5 dB
        std::vector<float> r = clean;
        for (auto n = kRoomLead + kRoomDelay + std::size_t(when * kRate); n < r.size(); ++n) {
            r[n] *= gain;
        }
        const Analysis a = analyse(r, settings);
        ASSERT_EQ(a.failure.code, MeasureProblem::LevelChanged)
            << describeMeasureFailure(a.failure);
        EXPECT_NEAR(std::stod(a.failure.detail), when, 0.011);
    }
}

}  // namespace
}  // namespace quilbo
