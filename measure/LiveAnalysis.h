// The live sound level meter and band analyser on one input channel: a capture's consumer
// thread feeds it blocks as they arrive, and a window (or a tool) reads a snapshot of the
// figures from any thread. Ten spectra a second (or as asked), each of the latest frame, the
// first once a whole frame has come.
#pragma once

#include "measure/BandAnalyser.h"
#include "measure/BandAverage.h"
#include "measure/LevelCalibration.h"
#include "measure/LevelMeter.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace quilbo {

struct LiveSettings {
    int rate = 48000;
    unsigned channel = 0;  // of the interleaved input
    FrequencyWeighting weighting = FrequencyWeighting::A;
    TimeWeighting time = TimeWeighting::Fast;
    // bandsPerOctave 0: the meter only.
    BandAnalysisSettings bands;
    AveragingSettings averaging;
    int spectraPerSecond = 10;
    LevelScale scale;  // applied to the snapshot's figures
};

// rate isWeightingRate, the bands (unless off) isBandAnalysis at the same rate, 1 to 100 spectra
// a second.
bool isLiveSettings(const LiveSettings& settings);

struct LiveSnapshot {
    bool calibrated = false;  // figures in dB SPL, otherwise in dB against full scale
    LevelReadings meter;      // levels already through the scale
    bool over = false;        // the input clipped since the start
    std::vector<OctaveBand> bands;
    std::vector<bool> resolved;
    std::vector<double> bandDb;      // the averaged spectrum
    std::vector<double> peakHoldDb;  // its highest since the start
    std::uint64_t spectra = 0;       // spectra analysed since the start
};

class LiveAnalysis {
public:
    // settings: isLiveSettings (otherwise nothing is measured).
    explicit LiveAnalysis(const LiveSettings& settings);

    // Consumer thread: the next frames of the input, interleaved.
    void feed(const float* interleaved, std::size_t frames, unsigned channels);
    // Any thread.
    LiveSnapshot snapshot() const;
    // A new run (Leq, maximum, peak, averages and peak hold start again), from rest.
    void reset();
    // A new run on the sound so far: the filters keep their state and the frame history its
    // samples (see LevelMeter::startRun); the figures, averages and peak hold start again.
    void startRun();

private:
    void spectrum();

    const LiveSettings m_settings;
    const bool m_valid;
    const std::size_t m_hop;
    mutable std::mutex m_mutex;
    LevelMeter m_meter;
    BandAnalyser m_analyser;
    BandAverage m_average;
    std::vector<float> m_history;  // the latest frame, a ring
    std::size_t m_historyAt = 0;
    std::size_t m_filled = 0;  // frames in the history, up to its length
    std::size_t m_sinceSpectrum = 0;
    std::vector<float> m_frame;
    std::vector<double> m_power;
};

}  // namespace quilbo
