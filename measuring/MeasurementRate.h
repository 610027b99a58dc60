// The rate every measurement the program starts is made at (the command line's default too):
// what sound cards and the servers' graphs run at natively, so nothing is converted on the way.
#pragma once

namespace quilbo {

inline constexpr int kMeasurementRate = 48000;

}  // namespace quilbo
