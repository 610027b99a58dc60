// Level gain and readout of the Frequency page's slider.
#include "LevelGain.h"

#include <algorithm>
#include <cmath>

namespace quilbo {

double levelGain(int position) {
    const int p = std::clamp(position, kLevelTop, kLevelBottom);
    const int n = p / 6;
    const int r = p % 6;
    // The constant one sixth (not a division by 6) keeps every gain bit-identical to the table
    // the level has always been rendered with.
    const double upper = std::pow(2.0, -n);
    const double lower = std::pow(2.0, -(n + 1));
    return upper - r * (upper - lower) * 0.16666666666666666;
}

QString levelReadout(int position) {
    return QString::asprintf("%4dDB", -position);
}

}  // namespace quilbo
