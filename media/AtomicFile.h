// Whole-file writes that never leave half a file: a temporary name in the target's folder,
// fsync, rename, then fsync of the folder (POSIX).
#pragma once

#include <string>
#include <string_view>

namespace quilbo {

// Writes `contents` to `path` in full or not at all. Empty on success, else why it failed
// (with the system's words for the failing call); an earlier file of that name is then intact.
std::string writeFileAtomically(const std::string& path, std::string_view contents);

}  // namespace quilbo
