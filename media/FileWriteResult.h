// Why a file was not written: a code for the caller to put into words, and the system's error
// number behind it.
#pragma once

#include <string>

namespace quilbo {

enum class FileWriteError {
    None,
    // Refusals made before any file is touched:
    UnsupportedFormat,  // the data make no file of that kind (a rate, channel count or depth no
                        // WAV file describes; a response whose columns differ in length; a
                        // name that is no plain file name)
    TooLarge,           // more than the format's sizes can count
    NoFolder,           // there is no folder to write in (the user's data folder is unknown)
    NotRegularFile,     // the target exists and is no regular file (a device, a FIFO, a folder)
    // Failures of the system, with its error number:
    CreateFailed,  // the folder, or the temporary file in it, could not be made
    WriteFailed,   // writing or flushing the data failed (a full disk, say)
    RenameFailed,  // the finished file could not take the target's name
};
inline constexpr int kFileWriteErrorCount = static_cast<int>(FileWriteError::RenameFailed) + 1;

struct FileWriteResult {
    FileWriteError error = FileWriteError::None;
    int systemError = 0;  // errno of the failed call, 0 for the refusals before any
    explicit operator bool() const { return error == FileWriteError::None; }
    friend bool operator==(const FileWriteResult&, const FileWriteResult&) = default;
};

// A short English reason, for the command-line tools (the pages have their own, translated
// texts). NotRegularFile's reads after the file's name: "... is not a regular file".
const char* fileWriteErrorText(FileWriteError error);
// "PATH: reason: the system's words", or "PATH is not a regular file".
std::string describeFileWrite(const std::string& path, const FileWriteResult& result);

}  // namespace quilbo
