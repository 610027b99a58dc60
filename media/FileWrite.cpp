// The write loop with its size cap per call.
#include "media/FileWrite.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

namespace quilbo {

bool writeFully(int fd, const std::uint8_t* data, std::uint64_t size) {
    // One call moves at most 1 GiB: some systems cap a write below what size_t can say.
    constexpr std::uint64_t kMaxWrite = std::uint64_t{1} << 30;
    while (size > 0) {
        const ssize_t written =
            ::write(fd, data, static_cast<std::size_t>(std::min(size, kMaxWrite)));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (written == 0) {
            errno = ENOSPC;
            return false;
        }
        data += written;
        size -= static_cast<std::uint64_t>(written);
    }
    return true;
}

}  // namespace quilbo
