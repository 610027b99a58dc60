// The messages a page shows when its player cannot start.
#pragma once

#include "audio/WavePlayer.h"

#include <QCoreApplication>
#include <QString>

namespace quilbo {

class PlayerMessages {
    Q_DECLARE_TR_FUNCTIONS(PlayerMessages)

public:
    static QString unsupportedFormat();
    static QString openFailed();
    // A playback's output went away under it.
    static QString outputLost();
    // The message for a start's result; empty when there is none to show.
    static QString forStart(CWavePlayer::StartResult result);
};

}  // namespace quilbo
