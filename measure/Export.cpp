// Text and WAV exports, each written whole or not at all.
#include "measure/Export.h"

#include "media/AtomicFile.h"
#include "media/WaveFile.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace quilbo {

FileWriteResult exportResponseText(const std::string& path, const Response& response) {
    if (response.db.size() != response.frequency.size() ||
        response.phaseDeg.size() != response.frequency.size()) {
        return {FileWriteError::UnsupportedFormat, 0};
    }
    std::string text =
        "* Quilbo frequency response\n* Frequency(Hz) Magnitude(dB) Phase(degrees)\n";
    for (std::size_t i = 0; i < response.frequency.size(); ++i) {
        if (!std::isfinite(response.db[i]) || !std::isfinite(response.phaseDeg[i])) {
            continue;
        }
        char line[96];
        std::snprintf(line, sizeof line, "%.6g %.4f %.3f\n", response.frequency[i], response.db[i],
                      response.phaseDeg[i]);
        text += line;
    }
    return writeFileAtomically(path, text);
}

FileWriteResult exportImpulseWav(const std::string& path, std::span<const float> impulse,
                                 int rate) {
    static_assert(sizeof(float) == 4);
    return writeWaveFile(path, reinterpret_cast<const std::uint8_t*>(impulse.data()),
                         impulse.size() * sizeof(float), 1, rate, 32);
}

}  // namespace quilbo
