// Reading a whole file that the user's folders hold, whatever stands at its name: only a regular
// file is read, nothing can block (a FIFO, a device), and a bound on its size comes before any
// byte is read.
#pragma once

#include <cstdint>
#include <string>

namespace quilbo {

enum class FileReadError {
    None,
    Missing,     // nothing of that name
    NotRegular,  // a folder, a FIFO, a device or a socket
    LinkLoop,    // symbolic links that lead back to themselves
    Denied,      // no permission
    TooLarge,    // beyond the bound the caller gave
    Failed,      // the system refused to open or read it; `code` says why
};
inline constexpr int kFileReadErrorCount = static_cast<int>(FileReadError::Failed) + 1;

struct FileRead {
    std::string bytes;
    FileReadError error = FileReadError::None;
    int code = 0;  // the errno value behind Failed (and behind the others, for the log)

    explicit operator bool() const { return error == FileReadError::None; }
};

// The file's bytes, or why not; never throws for anything at `path`.
FileRead readRegularFile(const std::string& path, std::uint64_t largest);

// In English, for the command-line tools and the logs: "it is a folder, a FIFO or a device".
std::string fileReadErrorText(const FileRead& read);

}  // namespace quilbo
