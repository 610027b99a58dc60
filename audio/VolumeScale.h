// The volume scale the program shows (0..65535) and the sound server's (0..PA_VOLUME_NORM).
#pragma once

#include <cstdint>

namespace quilbo {

inline constexpr std::uint32_t kVolumeScaleMax = 65535;
inline constexpr std::uint32_t kServerVolumeNorm = 0x10000U;  // PA_VOLUME_NORM

// Program value (0..65535) to server volume (0..PA_VOLUME_NORM), rounded to nearest; larger
// values are taken as 65535.
std::uint32_t toServerVolume(std::uint32_t value);

// Server volume to program value, rounded to nearest; volumes above PA_VOLUME_NORM read as 65535.
// The two conversions undo each other for every program value.
std::uint32_t fromServerVolume(std::uint32_t volume);

}  // namespace quilbo
