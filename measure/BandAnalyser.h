// Fractional-octave band levels of one frame of samples from its Fourier transform: the power
// of the bins each band covers, a bin on an edge shared by the fraction of it inside. With a
// Hann window for any signal; unwindowed for periodic pink noise whose period is the frame.
#pragma once

#include "measure/OctaveBands.h"
#include "measure/RealFft.h"

#include <cstddef>
#include <span>
#include <vector>

namespace quilbo {

enum class FrameWindow { Hann, Rectangular };

struct BandAnalysisSettings {
    int rate = 48000;
    int bandsPerOctave = 3;
    std::size_t frameLength = 65536;  // a power of two from 256 to 2^22
    FrameWindow window = FrameWindow::Hann;
    double lowestHz = 10.0;  // the range of band centres
    double highestHz = 20000.0;
};

// The frame length at a rate: the power of two nearest 1.365 s, fine enough for one-third
// octaves from 20 Hz (65536 at 48 kHz).
std::size_t defaultFrameLength(int rate);
// Rate 8 kHz to 768 kHz, bands per octave one of kBandsPerOctave, frame length a power of two
// from 256 to 2^22, a range of centres with at least one band in it.
bool isBandAnalysis(const BandAnalysisSettings& settings);

class BandAnalyser {
public:
    // settings: isBandAnalysis (otherwise there are no bands).
    explicit BandAnalyser(const BandAnalysisSettings& settings);

    const BandAnalysisSettings& settings() const { return m_settings; }
    const std::vector<OctaveBand>& bands() const { return m_bands; }
    // Whether a band is wide enough against the bins for its level to follow the band filter's
    // mask: a tone just inside a narrower band leaks into its neighbours.
    bool resolved(std::size_t band) const { return m_ranges[band].resolved; }

    // frameLength samples in (fewer are padded with silence), one mean square per band out, in
    // the level meter's units (meanSquareDb gives dB against a full-scale sine).
    void analyse(std::span<const float> frame, std::span<double> power);

private:
    struct Range {
        std::size_t first = 0;  // bins first..last, the end ones weighted
        std::size_t last = 0;
        double firstWeight = 0.0;
        double lastWeight = 0.0;
        bool resolved = false;
    };

    BandAnalysisSettings m_settings;
    std::vector<OctaveBand> m_bands;
    std::vector<Range> m_ranges;
    RealFft m_fft;
    std::vector<double> m_window;
    double m_scale = 0.0;  // turns |X|^2 into the mean square it stands for
    std::vector<double> m_samples;
    std::vector<Complex> m_bins;
    std::vector<double> m_binPower;
};

}  // namespace quilbo
