// Octave and fractional-octave bands with base-ten centres (IEC 61260-1): G = 10^(3/10), exact
// mid-band frequencies 1000 G^(x/b) Hz for odd b and 1000 G^((2x+1)/(2b)) Hz for even b, edges
// a half band either side, and the nominal centre that names each band.
#pragma once

#include <string>
#include <vector>

namespace quilbo {

inline constexpr int kBandsPerOctave[] = {1, 3, 6, 12, 24, 48};
bool isBandsPerOctave(int bandsPerOctave);

struct OctaveBand {
    double centre = 0.0;   // exact mid-band frequency
    double lower = 0.0;    // centre G^(-1/2b)
    double upper = 0.0;    // centre G^(1/2b)
    double nominal = 0.0;  // for naming: 1000, 1250, 31.5, ...
};

// The band of index x (x = 0 holds 1 kHz for odd b, starts at 1 kHz for even b).
OctaveBand octaveBand(int bandsPerOctave, int x);
// Every band whose exact centre lies in [lowest, highest] Hz (1 Hz to 1 MHz, each nominal: 31.5
// takes in 31.62) and whose upper edge lies below `ceiling` Hz (the analysis's Nyquist), from the
// lowest up; none for limits out of range.
std::vector<OctaveBand> octaveBands(int bandsPerOctave, double lowest, double highest,
                                    double ceiling);
// The nominal centre as it is written: "1000", "31.5", "12.5", "16000".
std::string nominalName(double nominal);

}  // namespace quilbo
