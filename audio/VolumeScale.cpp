// Linear mapping between the program's volume scale and the sound server's.
#include "audio/VolumeScale.h"

#include <algorithm>

namespace quilbo {

std::uint32_t toServerVolume(std::uint32_t value) {
    const std::uint64_t v = std::min(value, kVolumeScaleMax);
    return static_cast<std::uint32_t>((v * kServerVolumeNorm + kVolumeScaleMax / 2) /
                                      kVolumeScaleMax);
}

std::uint32_t fromServerVolume(std::uint32_t volume) {
    const std::uint64_t v = std::min(volume, kServerVolumeNorm);
    return static_cast<std::uint32_t>((v * kVolumeScaleMax + kServerVolumeNorm / 2) /
                                      kServerVolumeNorm);
}

}  // namespace quilbo
