// What quilbo-measure gives back for a measurement: the figures on standard output, the files
// asked for, and the stored measurements.
#pragma once

#include "audio/MeasurementRun.h"
#include "tools/measure/CommandLine.h"

#include <cstdio>
#include <string>

namespace quilbo::measurecli {

// The path for one of several channels: the channel's number before the extension
// (resp.txt -> resp.2.txt); the path itself for a single channel.
std::string channelPath(const std::string& path, unsigned channel, bool several);

// The THD in dB at 1 kHz, NaN when the sweep did not reach its second harmonic.
double thdAt1kHz(const HarmonicDistortion& distortion);

// Prints each channel's figures to `out`, one per line, and writes the files and stored
// measurements asked for. Returns the first failure's reason, empty when all went well.
std::string report(const MeasureRequest& request, const MeasureResult& result, std::FILE* out);

}  // namespace quilbo::measurecli
