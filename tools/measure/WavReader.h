// Reading a recording from a WAV file: the first channel of 16, 24 or 32-bit PCM or 32-bit float
// samples (plain or extensible format), as floats from -1 to 1.
#pragma once

#include <string>
#include <vector>

namespace quilbo::measurecli {

struct WavRecording {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;  // the first channel
    std::string error;           // why the file could not be read; empty on success
};

WavRecording readWavRecording(const std::string& path);

}  // namespace quilbo::measurecli
