// The command-line tools' words for a file that was not written.
#include "media/FileWriteResult.h"

#include <cstring>

namespace quilbo {

const char* fileWriteErrorText(FileWriteError error) {
    switch (error) {
        case FileWriteError::UnsupportedFormat:
            return "no file of this kind holds these data";
        case FileWriteError::TooLarge:
            return "the data make a file larger than its format can count";
        case FileWriteError::NoFolder:
            return "there is no folder to write in";
        case FileWriteError::NotRegularFile:
            return "is not a regular file";
        case FileWriteError::CreateFailed:
            return "cannot create a file in the target folder";
        case FileWriteError::WriteFailed:
            return "cannot write the file";
        case FileWriteError::RenameFailed:
            return "cannot give the file its name";
        case FileWriteError::None:
            break;
    }
    return "no error";
}

std::string describeFileWrite(const std::string& path, const FileWriteResult& result) {
    if (result.error == FileWriteError::NotRegularFile) {
        return path + " " + fileWriteErrorText(result.error);
    }
    std::string text = path + ": " + fileWriteErrorText(result.error);
    if (result.systemError != 0) {
        text += std::string(": ") + std::strerror(result.systemError);
    }
    return text;
}

}  // namespace quilbo
