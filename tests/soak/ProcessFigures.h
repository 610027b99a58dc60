// What a long run watches of its own process: resident memory and open file descriptors.
#pragma once

#include <cstddef>
#include <iosfwd>

namespace quilbo::test {

struct ProcessFigures {
    std::size_t residentKiB = 0;  // VmRSS of /proc/self/status
    std::size_t openFiles = 0;    // entries of /proc/self/fd

    // Now, after handing freed heap back to the system so that the figure is what is in use.
    static ProcessFigures now();
};

std::ostream& operator<<(std::ostream& out, const ProcessFigures& figures);

// AddressSanitizer keeps freed blocks in quarantine, so resident memory grows under it by design.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kResidentMemoryIsMeaningful = false;
#else
inline constexpr bool kResidentMemoryIsMeaningful = true;
#endif

}  // namespace quilbo::test
