// A failed write's or read's code and system error number put into words.
#include "pages/FileMessages.h"

#include <QDir>

#include <cerrno>
#include <cstring>

namespace quilbo {

QString FileMessages::reason(const FileWriteResult& result) {
    switch (result.error) {
        case FileWriteError::None:
            return QString();
        case FileWriteError::UnsupportedFormat:
            return tr("The data make no file of this kind.");
        case FileWriteError::TooLarge:
            return tr("The file would be larger than its format can hold.");
        case FileWriteError::NoFolder:
            return tr(
                "There is no folder to keep measurements in (neither XDG_DATA_HOME nor HOME "
                "is set).");
        case FileWriteError::NotRegularFile:
            return tr(
                "It is not a regular file, and Quilbo does not write over devices, pipes or "
                "folders.");
        case FileWriteError::CreateFailed:
        case FileWriteError::WriteFailed:
        case FileWriteError::RenameFailed:
            break;
    }
    switch (result.systemError) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return tr("There is not enough room on the disk.");
        case EACCES:
        case EPERM:
        case EROFS:
            return tr("You may not write to that folder.");
        case ENOENT:
        case ENOTDIR:
            return tr("The folder does not exist.");
        case EISDIR:
            return tr("A folder of that name is in the way.");
        default:
            return tr("The system reports: %1.")
                .arg(QString::fromLocal8Bit(std::strerror(result.systemError)));
    }
}

QString FileMessages::saveFailed(const QString& path, const FileWriteResult& result) {
    if (result.error == FileWriteError::NotRegularFile) {
        return tr("Could not save %1: it is not a regular file, and Quilbo does not write over "
                  "devices, pipes or folders. Nothing was written.")
            .arg(QDir::toNativeSeparators(path));
    }
    return tr("Could not save %1. %2 Nothing was written.")
        .arg(QDir::toNativeSeparators(path), reason(result));
}

QString FileMessages::readReason(FileReadError error, int systemError) {
    switch (error) {
        case FileReadError::Missing:
            return tr("it is gone");
        case FileReadError::NotRegular:
            return tr("it is a folder, a FIFO or a device, not a file");
        case FileReadError::LinkLoop:
            return tr("its symbolic links lead in a loop");
        case FileReadError::Denied:
            return tr("permission to read it is denied");
        case FileReadError::TooLarge:
            return tr("it is far larger than any measurement");
        case FileReadError::None:
        case FileReadError::Failed:
            break;
    }
    return tr("the system cannot read it (%1)")
        .arg(QString::fromLocal8Bit(std::strerror(systemError)));
}

}  // namespace quilbo
