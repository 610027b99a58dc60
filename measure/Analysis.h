// The analysis of one recorded sweep: impulse response, delay, polarity, frequency response,
// harmonic distortion, noise floor and clipping. No I/O: the caller supplies the samples.
#pragma once

#include "measure/Distortion.h"
#include "measure/MeasureFailure.h"
#include "measure/Response.h"
#include "measure/Sweep.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace quilbo {

struct AnalysisSettings {
    SweepSettings sweep;
    // Where the sweep began in the played stream, in samples of the recording (which is aligned
    // to the playback's start). For several channels swept in turn, one analysis per channel
    // with that channel's offset.
    std::size_t sweepStart = 0;
    // The part of the recording that belongs to this sweep: [segmentStart, segmentEnd), with
    // segmentEnd 0 meaning the recording's end. The stretch from segmentStart to sweepStart must
    // be quiet: it gives the noise floor.
    std::size_t segmentStart = 0;
    std::size_t segmentEnd = 0;
    // The response's window after the peak in ms; 0 takes the whole recorded response.
    double gateMs = 0.0;
    Smoothing smoothing = Smoothing::Octave48;
    int pointsPerOctave = 48;  // of the log-frequency axis, 1 to 96
    double clipLevel = 0.999;  // a sample this large in magnitude counts as clipped
    // A sweep heard less far above the noise is TooQuiet: the noise has bent its response. A
    // caller with a rule of its own on the SNR sets minus infinity.
    double lowestSnrDb = 20.0;
    // Whether the recording is checked for sound lost, repeated or out of place on its way.
    bool checkDisturbance = true;
};

enum class AnalysisStatus { Ok, Clipped, Failed };
enum class Polarity { Normal, Inverted };

struct Analysis {
    AnalysisStatus status = AnalysisStatus::Failed;
    MeasureFailure failure;  // why, when not Ok

    std::size_t clippedSamples = 0;
    double noiseDbfs = 0.0;   // RMS of the quiet stretch, sine convention (NaN if none)
    double signalDbfs = 0.0;  // RMS of the recorded sweep, sine convention
    double snrDb = 0.0;       // signalDbfs - noiseDbfs (NaN without a quiet stretch)

    // The following are filled only when the status is Ok.
    double delaySeconds = 0.0;  // from the sweep's start in the stream to the response's peak
    Polarity polarity = Polarity::Normal;
    std::vector<float> impulse;   // the response's window; a wire gives a unit peak
    std::size_t impulsePeak = 0;  // index of the peak sample in `impulse`
    Spectrum spectrum;            // raw bins of the window, phase relative to the peak
    Response response;            // on the log axis from sweep.from to sweep.to, smoothed
    HarmonicDistortion distortion;
};

// Never throws; a bad request or recording comes back Failed with the reason in `failure`.
// A clipped recording comes back Clipped with the count and no response.
Analysis analyse(std::span<const float> recording, const AnalysisSettings& settings);

}  // namespace quilbo
