// The batch cosine: Cody-Waite reduction by pi / 2 and fdlibm's kernel polynomials, written
// branch-free so that the loop vectorizes (built for AVX2 too, picked at load time).
#include "synth/FastCosine.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "synth/CpuDispatch.h"

namespace quilbo::synth {

QUILBO_AVX2_CLONES
void fastCosine(const double* __restrict phase, double* __restrict out, std::size_t n) noexcept {
    // pi / 2 in three parts; the first two have 26 significant bits, so k x part is exact for
    // |k| < 2^27.
    constexpr double kPio2a = 0x1.921fb58000000p+0;
    constexpr double kPio2b = -0x1.dde9740000000p-27;
    constexpr double kPio2c = 0x1.1a62633145c07p-54;
    constexpr double kTwoOverPi = 0.6366197723675814;
    constexpr double kRoundMagic = 0x1.8p52;  // adding it rounds to an integer in the low bits
    constexpr std::uint64_t kNoCosineBits = std::bit_cast<std::uint64_t>(kNoCosine);
    constexpr double C1 = 4.16666666666666019037e-02, C2 = -1.38888888888741095749e-03,
                     C3 = 2.48015872894767294178e-05, C4 = -2.75573143513906633035e-07,
                     C5 = 2.08757232129817482790e-09, C6 = -1.13596475577881948265e-11;
    constexpr double S1 = -1.66666666666666324348e-01, S2 = 8.33333333332248946124e-03,
                     S3 = -1.98412698298579493134e-04, S4 = 2.75573137070700676789e-06,
                     S5 = -2.50507602534068634195e-08, S6 = 1.58969099521155010221e-10;

    // Every lane computes; bit masks pick the result. Out-of-range lanes compute garbage from
    // a huge, infinite or NaN phase (no integer conversion is involved) and are masked out.
    for (std::size_t j = 0; j < n; ++j) {
        const double p = phase[j];
        const double rounded = p * kTwoOverPi + kRoundMagic;
        const double k = rounded - kRoundMagic;
        const double r = ((p - k * kPio2a) - k * kPio2b) - k * kPio2c;
        const double z = r * r;
        const double cosR =
            1.0 - 0.5 * z + z * z * (C1 + z * (C2 + z * (C3 + z * (C4 + z * (C5 + z * C6)))));
        const double sinR = r + r * z * (S1 + z * (S2 + z * (S3 + z * (S4 + z * (S5 + z * S6)))));
        // cos(r + q pi/2) is cos r, -sin r, -cos r, sin r for q = 0..3.
        const std::uint64_t quadrant = std::bit_cast<std::uint64_t>(rounded);
        const std::uint64_t useSin = 0 - (quadrant & 1);
        const std::uint64_t negate = ((quadrant + 1) & 2) << 62;
        const std::uint64_t value = ((std::bit_cast<std::uint64_t>(sinR) & useSin) |
                                     (std::bit_cast<std::uint64_t>(cosR) & ~useSin)) ^
                                    negate;
        // |r| beyond pi / 4 only happens when the rounding mode is not to-nearest.
        const bool valid = (std::fabs(p) <= kFastPhaseLimit) & (std::fabs(r) <= 0.7854);
        const std::uint64_t keep = 0 - static_cast<std::uint64_t>(valid);
        out[j] = std::bit_cast<double>((value & keep) | (kNoCosineBits & ~keep));
    }
}

}  // namespace quilbo::synth
