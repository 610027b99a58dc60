// The synchronised exponential sine sweep that a measurement plays, and the settings that
// describe it. Every harmonic of the sweep is the sweep itself shifted in time, which is what
// lets the analysis cut the harmonic impulse responses apart.
#pragma once

#include "measure/MeasureFailure.h"

#include <cstddef>
#include <string>
#include <vector>

namespace quilbo {

struct SweepSettings {
    int rate = 48000;               // samples per second, 8000 to 768000
    double from = 20.0;             // start frequency in Hz, at least 10
    double to = 20000.0;            // end frequency in Hz, above `from`, at most 0.45 x rate
    double seconds = 10.0;          // requested length, 1 to 30 s (see sweepFrames)
    double levelDbfs = -12.0;       // -100 to 0 dBFS, a full-scale sine being 0 dBFS
    double fadeInSeconds = 0.02;    // half-cosine rise at the start, 0 to a tenth of the sweep
    double fadeOutSeconds = 0.005;  // half-cosine fall at the end, 0 to a tenth of the sweep

    // Nothing failed when every value is usable, else the first bad one and its value. Values
    // out of range are refused, never pulled into range.
    MeasureFailure validate() const;
};

// The sweep's rate constant L in seconds: the instantaneous frequency is from * exp(t / L).
// Rounding from * L to a whole number puts every harmonic in phase with the sweep. These
// functions give 0 for settings that do not validate.
double sweepRateConstant(const SweepSettings& settings);

// The sweep's length in samples. Synchronisation moves the length a little away from the
// requested seconds (10.017 s for the default 10 s): this is the length actually played.
std::size_t sweepFrames(const SweepSettings& settings);

// How long before the linear impulse response the k-th harmonic's response appears (L ln k).
double harmonicLeadSeconds(const SweepSettings& settings, int harmonic);

// The amplitude of the sweep's level (0.1 for -20 dBFS).
double sweepAmplitude(const SweepSettings& settings);

// The mono sweep, sweepFrames() samples; empty if the settings do not validate.
std::vector<float> generateSweep(const SweepSettings& settings);

}  // namespace quilbo
