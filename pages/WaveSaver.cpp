// Save's checks, file dialog, writing and messages.
#include "pages/WaveSaver.h"

#include "media/WaveFile.h"
#include "pages/Logging.h"
#include "pages/PlayerMessages.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

#include <cerrno>
#include <cstring>

namespace quilbo {

QString WaveSaver::refusal(const FrequencyRequest& request) {
    switch (checkWaveFile(static_cast<std::uint64_t>(request.blockBytes), request.channelCount,
                          request.rate, request.precision)) {
        case WaveFileError::None:
            return QString();
        case WaveFileError::TooLarge:
            return tooLargeText();
        default:
            return PlayerMessages::unsupportedFormat();
    }
}

QString WaveSaver::write(const QString& path, const std::uint8_t* block,
                         const FrequencyRequest& request) {
    const WaveFileResult written =
        writeWaveFile(QFile::encodeName(path).toStdString(), block,
                      static_cast<std::uint64_t>(request.blockBytes), request.channelCount,
                      request.rate, request.precision);
    if (written) {
        return QString();
    }
    qCWarning(lcPages) << "Could not save" << path << ":" << std::strerror(written.systemError);
    switch (written.error) {
        case WaveFileError::TooLarge:
            return tooLargeText();
        case WaveFileError::NotRegularFile:
            return tr("Could not save %1: it is not a regular file, and Quilbo does not write "
                      "over devices, pipes or folders. Nothing was written.")
                .arg(QDir::toNativeSeparators(path));
        default:
            return failedText(path, written.systemError);
    }
}

QString WaveSaver::askName(QWidget* parent, const QString& suggested) {
    QFileDialog dialog(parent, tr("Save as WAV"), QDir(QDir::homePath()).filePath(suggested),
                       tr("WAV files (*.wav)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().constFirst();
}

QString WaveSaver::tooLargeText() {
    return tr(
        "This signal makes a WAV file larger than 4 GiB, which the format cannot hold. "
        "Choose a shorter time, a lower sample rate or precision, or fewer channels.");
}

QString WaveSaver::failedText(const QString& path, int systemError) {
    QString why;
    switch (systemError) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            why = tr("There is not enough room on the disk.");
            break;
        case EACCES:
        case EPERM:
        case EROFS:
            why = tr("You may not write to that folder.");
            break;
        case ENOENT:
        case ENOTDIR:
            why = tr("The folder does not exist.");
            break;
        case EISDIR:
            why = tr("A folder of that name is in the way.");
            break;
        default:
            why = tr("The system reports: %1.")
                      .arg(QString::fromLocal8Bit(std::strerror(systemError)));
            break;
    }
    return tr("Could not save %1. %2 Nothing was written.")
        .arg(QDir::toNativeSeparators(path), why);
}

}  // namespace quilbo
