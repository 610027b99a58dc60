// The level slider's scale: linear gain and the decibel readout of a slider position.
#pragma once

#include <QString>

namespace quilbo {

inline constexpr int kLevelTop = 0;      // full scale
inline constexpr int kLevelBottom = 20;  // the slider's starting position

// Gain in (0, 1] of a slider position: halves every 6 positions and falls linearly in between.
// Positions outside the slider's range are clamped to it.
double levelGain(int position);

// The readout text of a position: the negated position in "%4dDB" form (20 gives " -20DB").
QString levelReadout(int position);

}  // namespace quilbo
