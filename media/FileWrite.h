// Writing a whole buffer to a file descriptor: the one loop every written file and quilbo-render's
// standard output share.
#pragma once

#include <cstdint>

namespace quilbo {

// Writes size bytes, however many calls it takes, retrying an interrupted call. False with errno
// set when a call fails; a call that writes nothing (a full device that does not say so) is
// ENOSPC rather than a loop without end.
bool writeFully(int fd, const std::uint8_t* data, std::uint64_t size);

}  // namespace quilbo
