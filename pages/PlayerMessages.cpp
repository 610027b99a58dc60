// The player's start messages, in the interface language.
#include "pages/PlayerMessages.h"

namespace quilbo {

QString PlayerMessages::unsupportedFormat() {
    return tr("UnSupported Format.");
}

QString PlayerMessages::openFailed() {
    return tr("Failed to open waveform output device.");
}

QString PlayerMessages::outputLost() {
    return tr("The sound output went away: playback has ended.");
}

QString PlayerMessages::forStart(CWavePlayer::StartResult result) {
    switch (result) {
        case CWavePlayer::StartResult::UnsupportedFormat:
            return unsupportedFormat();
        case CWavePlayer::StartResult::OpenFailed:
            return openFailed();
        case CWavePlayer::StartResult::Started:
        case CWavePlayer::StartResult::NothingToPlay:
            break;
    }
    return QString();
}

}  // namespace quilbo
