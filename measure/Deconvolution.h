// Deconvolution of a recorded sweep into the system's impulse responses, linear and harmonic.
#pragma once

#include "measure/Sweep.h"

#include <cstddef>
#include <span>
#include <vector>

namespace quilbo {

// The deconvolved recording as one circular buffer: index 0 is the moment the sweep began to
// play, so the linear impulse response starts at the acoustic delay and the k-th harmonic's
// response lies harmonicLeadSeconds(k) earlier, wrapped round to the buffer's end.
struct Deconvolution {
    int rate = 0;
    std::vector<double> samples;

    // The sample at a signed index, taken round the circle.
    double at(long long index) const;
};

// Deconvolves `segment` (mono, at the sweep's rate), in which the sweep began to play at
// `sweepOffset`; the samples before it wrap to the end of the buffer. The settings must
// validate and the segment must hold the whole sweep after sweepOffset. A recording equal to
// the sweep gives a unit impulse at index 0.
Deconvolution deconvolve(const SweepSettings& sweep, std::span<const float> segment,
                         std::size_t sweepOffset);

// The moment, in samples from index 0, at which the response is largest in magnitude near its
// largest sample `index`: the deconvolution is band-limited, so between its samples it is their
// (windowed) sinc interpolation. A parabola through three samples would be drawn towards the
// nearer sample, by up to a tenth of one at 48 kHz.
double peakPosition(const Deconvolution& deconvolution, std::size_t index);

// `length` samples of the deconvolution from the signed index `start`, rising over the first
// `rise` samples and falling over the last `fall` along half-cosines.
std::vector<double> cutWindow(const Deconvolution& deconvolution, long long start,
                              std::size_t length, std::size_t rise, std::size_t fall);

}  // namespace quilbo
