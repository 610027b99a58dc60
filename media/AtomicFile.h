// The one way Quilbo writes a file: whole or not at all, and never over anything but a regular
// file (POSIX).
#pragma once

#include "media/FileWriteResult.h"

#include <functional>
#include <string>
#include <string_view>

namespace quilbo {

// Writes a file's data to an open descriptor; false with errno set when a write fails.
using FileContents = std::function<bool(int fd)>;

// Writes `path` in full or not at all. A symbolic link is followed to the file it names (which
// may not exist yet): that file is replaced and the link stays. A target that exists and is no
// regular file (a device, a FIFO, a folder) is refused, NotRegularFile, and left alone. The data
// go to a fresh temporary name in the target's folder, are flushed to the disk with the file,
// and the file then takes the target's name, its folder flushed after. After any failure the
// temporary file is gone and an earlier file of that name is untouched.
FileWriteResult writeFileAtomically(const std::string& path, const FileContents& contents);
FileWriteResult writeFileAtomically(const std::string& path, std::string_view contents);

}  // namespace quilbo
