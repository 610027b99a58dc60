// Save's checks, file dialog, writing and messages.
#include "pages/WaveSaver.h"

#include "media/WaveFile.h"
#include "pages/FileMessages.h"
#include "pages/Logging.h"
#include "pages/PlayerMessages.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

#include <cstring>

namespace quilbo {

QString WaveSaver::refusal(const FrequencyRequest& request) {
    switch (checkWaveFile(static_cast<std::uint64_t>(request.blockBytes), request.channelCount,
                          request.rate, request.precision)) {
        case FileWriteError::None:
            return QString();
        case FileWriteError::TooLarge:
            return tooLargeText();
        default:
            return PlayerMessages::unsupportedFormat();
    }
}

QString WaveSaver::write(const QString& path, const std::uint8_t* block,
                         const FrequencyRequest& request) {
    const FileWriteResult written =
        writeWaveFile(QFile::encodeName(path).toStdString(), block,
                      static_cast<std::uint64_t>(request.blockBytes), request.channelCount,
                      request.rate, request.precision);
    if (written) {
        return QString();
    }
    qCWarning(lcPages) << "Could not save" << path << ":" << fileWriteErrorText(written.error)
                       << std::strerror(written.systemError);
    return written.error == FileWriteError::TooLarge ? tooLargeText()
                                                     : FileMessages::saveFailed(path, written);
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

}  // namespace quilbo
