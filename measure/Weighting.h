// The frequency weightings of sound level meters (A, C and Z as IEC 61672-1 defines them): their
// analog design goals, and digital filters that follow them at the rates a sound card runs.
#pragma once

#include <array>
#include <span>

namespace quilbo {

enum class FrequencyWeighting { A, C, Z };

// The design goal in dB at any frequency, 0 dB at 1 kHz (Z is flat).
double weightingDb(FrequencyWeighting weighting, double frequency);

// The rates a weighting filter is made for.
inline constexpr int kMinWeightingRate = 8000;
inline constexpr int kMaxWeightingRate = 384000;
bool isWeightingRate(int rate);

// The weighting as a cascade of second-order sections, filtering sample by sample with its state
// kept between calls. The poles below 1 kHz go through the bilinear transform, pre-warped: they
// sit so far below Nyquist that its frequency warping costs nothing there. The double pole at
// 12.2 kHz cannot: the bilinear transform puts zeros at Nyquist and the response falls away long
// before it at 44.1 and 48 kHz, and mapping the poles alone leaves the top octave low. The last
// section is fitted instead to what the others leave of the analog magnitude (its poles searched,
// its zeros solved), which also takes up the warping of the other poles at low rates: within
// 0.1 dB of the design goal from 10 Hz to 20 kHz, or to 0.49 of the rate, at 8 to 192 kHz.
// Making one costs a few milliseconds: make it once per run, not per block.
class WeightingFilter {
public:
    // rate: isWeightingRate (others are held to the nearest end of the range).
    WeightingFilter(FrequencyWeighting weighting, int rate);

    FrequencyWeighting weighting() const { return m_weighting; }
    int rate() const { return m_rate; }
    // The digital filter's exact magnitude in dB at a frequency below Nyquist.
    double responseDb(double frequency) const;

    double process(double sample) {
        for (int i = 0; i < m_count; ++i) {
            Section& s = m_sections[static_cast<std::size_t>(i)];
            const double y = s.b0 * sample + s.z1;
            s.z1 = s.b1 * sample - s.a1 * y + s.z2;
            s.z2 = s.b2 * sample - s.a2 * y;
            sample = y;
        }
        return sample;
    }
    void reset();

private:
    // Transposed direct form II: y = b0 x + z1, state in double precision.
    struct Section {
        double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
        double z1 = 0.0, z2 = 0.0;
    };

    FrequencyWeighting m_weighting;
    int m_rate;
    int m_count = 0;
    std::array<Section, 3> m_sections{};
};

}  // namespace quilbo
